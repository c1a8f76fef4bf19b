#include "ssh/engine/key_derivation.h"

#include <vector>

#include <openssl/crypto.h>

#include "core/error/last_error.h"
#include "ssh/wire/wire_writer.h"

namespace qs::ssh {
namespace {

// The mpint form of K, wiped when it goes.
class SecretMpint {
public:
    explicit SecretMpint(ByteView magnitude)
    {
        WireWriter w(bytes_, kMaxMpintBytes + 4);
        w.Mpint(magnitude);
        ok_ = w.Ok();
    }
    ~SecretMpint()
    {
        if (!bytes_.empty())
            OPENSSL_cleanse(bytes_.data(), bytes_.size());
    }
    ByteView View() const { return bytes_; }
    bool Ok() const { return ok_; }

private:
    std::vector<std::uint8_t> bytes_;
    bool ok_ = false;
};

bool Fail(ErrorCode code)
{
    SetErrorCode(code);
    return false;
}

struct DirectionLetters {
    char iv, key, mac;
};

template <typename Cipher>
bool KeyCipher(const DerivationInput &input, const SshCipher &desc, CipherDirection direction,
               DirectionLetters letters, Cipher &out)
{
    SecureBytes key, iv;
    if (!DeriveKey(input, letters.key, key) || !DeriveKey(input, letters.iv, iv))
        return false;
    if (desc.keyBytes > key.size() || desc.blockSize > iv.size())
        return Fail(qsErrorInvalidParameter);
    out = CreateCipher(desc, direction);
    return out && out->SetKey(key.View()) && out->SetIv(iv.View());
}

bool KeyMac(const DerivationInput &input, const SshMac &desc, char letter, std::unique_ptr<MacContext> &out)
{
    SecureBytes key;
    if (!DeriveKey(input, letter, key))
        return false;
    if (desc.keyBytes > key.size())
        return Fail(qsErrorInvalidParameter);
    out = CreateMac(desc);
    return out && out->SetKey(key.View());
}

}  // namespace

bool DeriveKey(const DerivationInput &input, char letter, SecureBytes &material)
{
    const SecretMpint k(input.sharedSecret);
    auto hash = HashContext::Create(*input.hash);
    if (!hash || !k.Ok())
        return false;
    const std::uint32_t len = input.hash->hashLen;
    material.Resize(len * kKeyBlockHashes);
    const std::uint8_t letterByte = static_cast<std::uint8_t>(letter);
    const auto start = [&] {
        return (input.omitSecret || hash->Update(k.View())) && hash->Update(input.exchangeHash);
    };
    bool ok = start() && hash->Update(ByteView(&letterByte, 1)) && hash->Update(input.sessionId) &&
              hash->Finish(material.Span().first(len));
    ok = ok && start() && hash->Update(material.View().first(len)) && hash->Finish(material.Span().subspan(len, len));
    if (!ok)
        material.Clear();
    return ok;
}

bool MakeOutgoingKeys(const DerivationInput &input, const NegotiatedSuite &suite, OutgoingKeys &keys)
{
    keys = {};
    if (!KeyCipher(input, *suite.cipherOut, CipherDirection::Encrypt, {'A', 'C', 'E'}, keys.cipher) ||
        !KeyMac(input, *suite.macOut, 'E', keys.mac))
        return false;
    keys.compressor = CreateCompressor(*suite.compressionOut);
    return keys.compressor != nullptr;
}

bool MakeIncomingKeys(const DerivationInput &input, const NegotiatedSuite &suite, IncomingKeys &keys)
{
    keys = {};
    if (!KeyCipher(input, *suite.cipherIn, CipherDirection::Decrypt, {'B', 'D', 'F'}, keys.cipher) ||
        !KeyMac(input, *suite.macIn, 'F', keys.mac))
        return false;
    keys.decompressor = CreateDecompressor(*suite.compressionIn);
    return keys.decompressor != nullptr;
}

}  // namespace qs::ssh
