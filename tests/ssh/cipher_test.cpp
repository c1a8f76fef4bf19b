#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/error/last_error.h"
#include "ssh/algorithms/cipher.h"
#include "ssh/algorithms/random.h"
#include "tests/ssh/test_bytes.h"

namespace qs::ssh {
namespace {

using test::Bytes;
using test::FromHex;
using test::ToHex;

Bytes Plaintext()
{
    Bytes pt(48);
    for (std::size_t i = 0; i < pt.size(); ++i)
        pt[i] = static_cast<std::uint8_t>(i * 7);
    return pt;
}

Bytes KeyBytes(std::size_t n)
{
    Bytes key(n);
    for (std::size_t i = 0; i < n; ++i)
        key[i] = static_cast<std::uint8_t>(i + 1);
    return key;
}

// CBC: IV A0 A1 ...; counter mode: IV 00 FF .. FF FE, so the counter carries through every byte of the
// block on the second increment.
Bytes IvFor(const SshCipher &cipher)
{
    Bytes iv(cipher.blockSize);
    if (cipher.mode == CipherMode::Counter) {
        std::fill(iv.begin() + 1, iv.end() - 1, 0xFF);
        iv.back() = 0xFE;
    } else {
        for (std::size_t i = 0; i < iv.size(); ++i)
            iv[i] = static_cast<std::uint8_t>(0xA0 + i);
    }
    return iv;
}

std::unique_ptr<CipherContext> Keyed(const SshCipher &cipher, CipherDirection direction, const Bytes &key, const Bytes &iv)
{
    auto context = CreateCipher(cipher, direction);
    if (!context || !context->SetKey(key) || !context->SetIv(iv))
        return nullptr;
    return context;
}

// Expected ciphertexts of Plaintext(): `openssl enc` for the CBC modes, AES-CTR and RC4 (with 1536 bytes
// of zeros in front for the discard); for Blowfish-CTR, 3DES-CTR and the 32-byte RC4 key, independent
// implementations, as the openssl command silently cuts variable-length keys to 16 bytes.
const struct {
    const char *name;
    const char *ciphertext;
} kKnownAnswers[] = {
    {"aes256-ctr", "187f171c8763cf3f993bd7cafc5fc7f13f249512ce0b4b13dea0a44bec6d92835a510731feb7956e1015f0f35b8dab1d"},
    {"aes256-cbc", "bd599e371b1dcb1e7dad98fc9984975cb879866653c6d22855f1986df50ee1d8c8378016c601d3a0e1e34bbbbee74087"},
    {"rijndael-cbc@lysator.liu.se", "bd599e371b1dcb1e7dad98fc9984975cb879866653c6d22855f1986df50ee1d8c8378016c601d3a0e1e34bbbbee74087"},
    {"aes192-ctr", "292a6eec509e10f93ae2884956ca8e7d005326d2a1d0e40b4cb2e8027e7f99ef52427c1e8df906dd537e256efb7b4233"},
    {"aes192-cbc", "cfd4177e42adf70aa4414a3f45117ed0c5714f8b6bd0783d3635a445b54df07b80b011faf1609a25f0b5ec92ee986552"},
    {"aes128-ctr", "29e91130449af9e685f47feaf39209ad9e8db325ca8e86f790257d408cc4b5c9a5c54ec8640397445df264d6ec0e3a99"},
    {"aes128-cbc", "9589dfac07d34c69028749402d627598fb59bfe233ff92606111c92636ed21ade26942b0a0f9bbd7bacde81d7f2c6900"},
    {"blowfish-ctr", "dc74b9dfceaaed46e2ee6c1a35a7b819297feedbbc69fcf42a03a4a68cd1f88b8587d888d40b71d12e0b71690b3f2f02"},
    {"blowfish-cbc", "a078e5e339db24b769c0101a321be43006d20206adcb9626a48f94873ea674524ba02741d8cd869c95d380ba865ee7e7"},
    {"3des-ctr", "af0da3c1ace05ca469a667f0cdce20751c1415dea86c65547cd1497966b81785ea8d6d7c31465b1f0a4d152d088160b9"},
    {"3des-cbc", "d8fae2e47673a18fc056f24fad1a541753fbf4f3c66be0726fefe5c05fa455863faba844aa45f2b1648947a16dfc4235"},
    {"arcfour256", "3e331d4965f82b333849301c9b7d521a2ff6e6893b801496d4a472b8414b901a2aabddff481868aea98ea21e6dad80d4"},
    {"arcfour128", "ffa7bb01785dea7e5b39fedffa3d73e87e95fad006e3725a2eb06482582bc8bf80826503161a34a194c6683b06bbabc4"},
    {"des-cbc", "3faedf286ac21bf48a538fd399cbc3ea446e8a5b204458030f5fc9771bde526f335f176964d7fcf48bba36c7883c003b"},
    {"des-cbc@ssh.com", "3faedf286ac21bf48a538fd399cbc3ea446e8a5b204458030f5fc9771bde526f335f176964d7fcf48bba36c7883c003b"},
};

TEST(Cipher, TableHoldsTheOfferInOrder)
{
    std::string offer;
    for (const SshCipher &c : CipherTable()) {
        if (c.list == CipherList::SingleDes)
            continue;
        offer += std::string(offer.empty() ? "" : ",") + std::string(c.wireName);
    }
    EXPECT_EQ(offer,
              "aes256-ctr,aes256-cbc,rijndael-cbc@lysator.liu.se,aes192-ctr,aes192-cbc,aes128-ctr,aes128-cbc,"
              "blowfish-ctr,blowfish-cbc,3des-ctr,3des-cbc,arcfour256,arcfour128");
    EXPECT_EQ(CiphersOfList(CipherList::Blowfish).size(), 2u);
    EXPECT_EQ(CiphersOfList(CipherList::Blowfish)[0].wireName, "blowfish-ctr");
    EXPECT_EQ(CiphersOfList(CipherList::SingleDes).size(), 2u);
    EXPECT_EQ(FindCipher("aes128-cbc")->displayName, "AES-128 CBC");
    EXPECT_EQ(FindCipher("3des-cbc")->keyBytes, 24u);
    EXPECT_EQ(FindCipher("aes128"), nullptr);
}

// Every row against its known answer, encrypted in two calls (the CBC chain and the counter must run on
// across packets) and decrypted back in one.
TEST(Cipher, MatchesKnownAnswersAcrossCalls)
{
    ASSERT_EQ(std::size(kKnownAnswers), CipherTable().size());
    for (const auto &k : kKnownAnswers) {
        const SshCipher *cipher = FindCipher(k.name);
        ASSERT_NE(cipher, nullptr) << k.name;
        const Bytes key = KeyBytes(cipher->keyBytes), iv = IvFor(*cipher);
        auto encrypt = Keyed(*cipher, CipherDirection::Encrypt, key, iv);
        auto decrypt = Keyed(*cipher, CipherDirection::Decrypt, key, iv);
        ASSERT_TRUE(encrypt && decrypt) << k.name;
        Bytes data = Plaintext();
        ASSERT_TRUE(encrypt->Process(std::span(data).first(16)));
        ASSERT_TRUE(encrypt->Process(std::span(data).subspan(16)));
        EXPECT_EQ(ToHex(data), k.ciphertext) << k.name;
        ASSERT_TRUE(decrypt->Process(data));
        EXPECT_EQ(data, Plaintext()) << k.name;
    }
}

// Long random packets in several calls each; a large packet crosses the counter mode's keystream chunk.
TEST(Cipher, RoundTripsRandomPackets)
{
    for (const SshCipher &cipher : CipherTable()) {
        Bytes key(cipher.keyBytes + 8), iv(cipher.blockSize);
        ASSERT_TRUE(RandomFill(key) && RandomFill(iv));
        auto encrypt = Keyed(cipher, CipherDirection::Encrypt, key, iv);
        auto decrypt = Keyed(cipher, CipherDirection::Decrypt, key, iv);
        ASSERT_TRUE(encrypt && decrypt) << cipher.wireName;
        for (std::size_t length : {std::size_t{16}, std::size_t{4096}, std::size_t{35008}, std::size_t{48}}) {
            Bytes plain(length), data;
            ASSERT_TRUE(RandomFill(plain));
            data = plain;
            ASSERT_TRUE(encrypt->Process(data));
            EXPECT_NE(data, plain) << cipher.wireName;
            ASSERT_TRUE(decrypt->Process(data));
            EXPECT_EQ(data, plain) << cipher.wireName << " " << length;
        }
    }
}

TEST(Cipher, RefusesPartialBlocksAndMissingKeys)
{
    for (const SshCipher &cipher : CipherTable()) {
        auto context = CreateCipher(cipher, CipherDirection::Encrypt);
        ASSERT_NE(context, nullptr);
        Bytes data(cipher.blockSize * 2, 0x55);
        EXPECT_FALSE(context->Process(data)) << cipher.wireName << ": no key yet";
        EXPECT_FALSE(context->SetKey(Bytes(cipher.keyBytes - 1))) << cipher.wireName << ": short key";
        ASSERT_TRUE(context->SetKey(KeyBytes(cipher.keyBytes)));
        ASSERT_TRUE(context->SetIv(IvFor(cipher)));
        if (cipher.blockSize == 1)
            continue;
        SetErrorCode(0);
        Bytes partial(cipher.blockSize + 1, 0x55);
        EXPECT_FALSE(context->Process(partial)) << cipher.wireName;
        EXPECT_EQ(partial, Bytes(cipher.blockSize + 1, 0x55)) << cipher.wireName;
        EXPECT_EQ(GetErrorCode(), MakeErrorCode(qsErrorInvalidParameter));
    }
}

}  // namespace
}  // namespace qs::ssh
