#include <algorithm>
#include <iterator>

#include "ssh/algorithms/cipher.h"

namespace qs::ssh {
namespace {

using enum CipherList;
using enum CipherMode;

constexpr SshCipher kCiphers[] = {
    {Aes, "aes256-ctr", "AES-256 CTR", 16, 256, 32, 0, Counter, "AES-256-CTR"},
    {Aes, "aes256-cbc", "AES-256 CBC", 16, 256, 32, kCipherFlagCbc, Cbc, "AES-256-CBC"},
    {Aes, "rijndael-cbc@lysator.liu.se", "AES-256 CBC", 16, 256, 32, kCipherFlagCbc, Cbc, "AES-256-CBC"},
    {Aes, "aes192-ctr", "AES-192 CTR", 16, 192, 24, 0, Counter, "AES-192-CTR"},
    {Aes, "aes192-cbc", "AES-192 CBC", 16, 192, 24, kCipherFlagCbc, Cbc, "AES-192-CBC"},
    {Aes, "aes128-ctr", "AES-128 CTR", 16, 128, 16, 0, Counter, "AES-128-CTR"},
    {Aes, "aes128-cbc", "AES-128 CBC", 16, 128, 16, kCipherFlagCbc, Cbc, "AES-128-CBC"},
    {Blowfish, "blowfish-ctr", "Blowfish-256 CTR", 8, 256, 32, 0, Counter, "BF-ECB"},
    {Blowfish, "blowfish-cbc", "Blowfish-128 CBC", 8, 128, 16, kCipherFlagCbc, Cbc, "BF-CBC"},
    {TripleDes, "3des-ctr", "3DES CTR", 8, 168, 24, 0, Counter, "DES-EDE3-ECB"},
    {TripleDes, "3des-cbc", "3DES CBC", 8, 168, 24, kCipherFlagCbc, Cbc, "DES-EDE3-CBC"},
    {Arcfour, "arcfour256", "RC4-256", 1, 256, 32, 0, Stream, "RC4"},
    {Arcfour, "arcfour128", "RC4-128", 1, 128, 16, 0, Stream, "RC4"},
    {SingleDes, "des-cbc", "DES CBC", 8, 56, 8, kCipherFlagCbc, Cbc, "DES-CBC"},
    {SingleDes, "des-cbc@ssh.com", "DES CBC", 8, 56, 8, kCipherFlagCbc, Cbc, "DES-CBC"},
};

}  // namespace

std::span<const SshCipher> CipherTable()
{
    return kCiphers;
}

std::span<const SshCipher> CiphersOfList(CipherList list)
{
    const auto first = std::find_if(std::begin(kCiphers), std::end(kCiphers),
                                    [list](const SshCipher &c) { return c.list == list; });
    const auto last = std::find_if(first, std::end(kCiphers), [list](const SshCipher &c) { return c.list != list; });
    return {first, last};
}

const SshCipher *FindCipher(std::string_view wireName)
{
    for (const SshCipher &c : kCiphers) {
        if (c.wireName == wireName)
            return &c;
    }
    return nullptr;
}

}  // namespace qs::ssh
