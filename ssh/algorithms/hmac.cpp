// HMAC on OpenSSL's EVP_MAC interface; the key stays in the context and each packet re-initialises it.
#include <algorithm>
#include <openssl/core_names.h>
#include <openssl/crypto.h>

#include "core/error/last_error.h"
#include "ssh/algorithms/crypto_library.h"
#include "ssh/algorithms/mac.h"
#include "ssh/algorithms/openssl_ptr.h"

namespace qs::ssh {
namespace {

class Hmac final : public MacContext {
public:
    Hmac(const SshMac &mac, EvpMacCtxPtr context) : mac_(mac), context_(std::move(context)) {}

    bool SetKey(ByteView key) override
    {
        OSSL_PARAM params[] = {
            OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, const_cast<char *>(mac_.digest), 0),
            OSSL_PARAM_construct_end(),
        };
        if (key.size() < mac_.keyBytes || EVP_MAC_init(context_.get(), key.data(), mac_.keyBytes, params) != 1) {
            SetErrorCode(qsErrorInvalidParameter);
            return false;
        }
        keySet_ = true;
        return true;
    }

    bool Generate(std::uint32_t sequence, ByteView packet, std::span<std::uint8_t> out) override
    {
        std::uint8_t full[EVP_MAX_MD_SIZE];
        if (out.size() < mac_.macBytes || !Compute(sequence, packet, full))
            return false;
        std::copy_n(full, mac_.macBytes, out.begin());
        return true;
    }

    bool Verify(std::uint32_t sequence, ByteView packet, ByteView mac) override
    {
        std::uint8_t full[EVP_MAX_MD_SIZE];
        if (!Compute(sequence, packet, full))
            return false;
        const bool match = mac.size() == mac_.macBytes && CRYPTO_memcmp(full, mac.data(), mac_.macBytes) == 0;
        if (!match)
            SetErrorCode(qsErrorSecurityDecryption);
        return match;
    }

    const SshMac &Descriptor() const override { return mac_; }

private:
    bool Compute(std::uint32_t sequence, ByteView packet, std::uint8_t (&full)[EVP_MAX_MD_SIZE])
    {
        const std::uint8_t number[4] = {static_cast<std::uint8_t>(sequence >> 24), static_cast<std::uint8_t>(sequence >> 16),
                                        static_cast<std::uint8_t>(sequence >> 8), static_cast<std::uint8_t>(sequence)};
        std::size_t length = 0;
        // A null key restarts the MAC with the key already set.
        if (!keySet_ || EVP_MAC_init(context_.get(), nullptr, 0, nullptr) != 1 ||
            EVP_MAC_update(context_.get(), number, sizeof number) != 1 ||
            EVP_MAC_update(context_.get(), packet.data(), packet.size()) != 1 ||
            EVP_MAC_final(context_.get(), full, &length, sizeof full) != 1 || length < mac_.macBytes) {
            SetErrorCode(qsErrorInvalidParameter);
            return false;
        }
        return true;
    }

    const SshMac &mac_;
    EvpMacCtxPtr context_;
    bool keySet_ = false;
};

}  // namespace

std::unique_ptr<MacContext> CreateMac(const SshMac &mac)
{
    EvpMacPtr algorithm(EVP_MAC_fetch(CryptoLibrary(), "HMAC", nullptr));
    EvpMacCtxPtr context(algorithm ? EVP_MAC_CTX_new(algorithm.get()) : nullptr);
    if (!context) {
        SetErrorCode(qsErrorSecurityNotInitialized);
        return nullptr;
    }
    return std::make_unique<Hmac>(mac, std::move(context));
}

}  // namespace qs::ssh
