// CBC, RC4 and AES counter-mode ciphers on OpenSSL's EVP interface.
#include <algorithm>

#include "core/error/last_error.h"
#include "ssh/algorithms/cipher_backends.h"
#include "ssh/algorithms/crypto_library.h"
#include "ssh/algorithms/openssl_ptr.h"

namespace qs::ssh {
namespace {

// RFC 4345: the first keystream bytes of RC4 are weak and are thrown away after keying.
constexpr std::size_t kArcfourDiscard = 1536;

class OpenSslCipher final : public CipherContext {
public:
    OpenSslCipher(const SshCipher &cipher, EvpCipherPtr primitive, EvpCipherCtxPtr context)
        : CipherContext(cipher), primitive_(std::move(primitive)), context_(std::move(context))
    {
    }

    bool SetKey(ByteView key) override
    {
        if (key.size() < cipher_.keyBytes || EVP_CipherInit_ex2(context_.get(), nullptr, key.data(), nullptr, -1, nullptr) != 1)
            return Fail(qsErrorInvalidParameter);
        keySet_ = true;
        if (cipher_.mode == CipherMode::Stream) {
            std::uint8_t discard[kArcfourDiscard] = {};
            if (!Run(discard))
                return false;
        }
        return true;
    }

    bool SetIv(ByteView iv) override
    {
        if (cipher_.mode == CipherMode::Stream)
            return true;
        if (iv.size() < cipher_.blockSize || EVP_CipherInit_ex2(context_.get(), nullptr, nullptr, iv.data(), -1, nullptr) != 1)
            return Fail(qsErrorInvalidParameter);
        ivSet_ = true;
        return true;
    }

    bool Process(std::span<std::uint8_t> data) override
    {
        if (!keySet_ || (!ivSet_ && cipher_.mode != CipherMode::Stream))
            return Fail(qsErrorInvalidParameter);
        return CheckWholeBlocks(data.size()) && Run(data);
    }

private:
    bool Run(std::span<std::uint8_t> data)
    {
        while (!data.empty()) {
            // Whole blocks per call keep the CBC chain aligned (INT_MAX is not a multiple of 8).
            const int chunk = static_cast<int>(std::min<std::size_t>(data.size(), 1u << 30));
            int written = 0;
            if (EVP_CipherUpdate(context_.get(), data.data(), &written, data.data(), chunk) != 1 || written != chunk)
                return Fail(qsErrorSecurityEncryption);
            data = data.subspan(static_cast<std::size_t>(chunk));
        }
        return true;
    }

    static bool Fail(ErrorCode code)
    {
        SetErrorCode(code);
        return false;
    }

    EvpCipherPtr primitive_;
    EvpCipherCtxPtr context_;
    bool keySet_ = false;
    bool ivSet_ = false;
};

}  // namespace

std::unique_ptr<CipherContext> CreateOpenSslCipher(const SshCipher &cipher, CipherDirection direction)
{
    EvpCipherPtr primitive(EVP_CIPHER_fetch(CryptoLibrary(), cipher.primitive, nullptr));
    EvpCipherCtxPtr context(EVP_CIPHER_CTX_new());
    const int encrypt = direction == CipherDirection::Encrypt ? 1 : 0;
    // Blowfish and RC4 take keys of any length: it must be set before the key, or 16 bytes are assumed.
    if (!primitive || !context ||
        EVP_CipherInit_ex2(context.get(), primitive.get(), nullptr, nullptr, encrypt, nullptr) != 1 ||
        EVP_CIPHER_CTX_set_key_length(context.get(), static_cast<int>(cipher.keyBytes)) != 1 ||
        EVP_CIPHER_CTX_set_padding(context.get(), 0) != 1) {
        SetErrorCode(qsErrorSecurityNotInitialized);
        return nullptr;
    }
    return std::make_unique<OpenSslCipher>(cipher, std::move(primitive), std::move(context));
}

}  // namespace qs::ssh
