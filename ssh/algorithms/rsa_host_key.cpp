#include "ssh/algorithms/rsa_host_key.h"

#include <vector>

#include <openssl/core_names.h>

#include "core/error/last_error.h"
#include "ssh/algorithms/host_key_support.h"

namespace qs::ssh {
namespace {

constexpr std::string_view kName = "ssh-rsa";

class RsaHostKey final : public HostKey {
public:
    RsaHostKey(EvpPkeyPtr key, std::string fingerprint, int bits)
        : HostKey(std::move(fingerprint), bits), key_(std::move(key))
    {
    }

    // The blob is string "ssh-rsa" then string s; s is the PKCS #1 v1.5 block decoded with e (OpenSSL
    // checks 00 01 FF..FF 00, the SHA-1 DigestInfo and the digest).
    bool Verify(ByteView signature, ByteView data) const override
    {
        WireReader reader(signature);
        std::string_view type;
        ByteView value;
        if (!reader.Text(type) || type != kName || !reader.String(value) || !reader.Finish())
            return VerifyFailed(true);
        // Some servers drop leading zero bytes of s; it is an integer below n, so put them back.
        const std::size_t modulusBytes = static_cast<std::size_t>(Bits() + 7) / 8;
        if (value.empty() || value.size() > modulusBytes)
            return VerifyFailed(true);
        std::vector<std::uint8_t> padded(modulusBytes - value.size(), 0);
        padded.insert(padded.end(), value.begin(), value.end());
        if (!VerifySha1(key_.get(), padded, data))
            return VerifyFailed(false);
        return true;
    }

private:
    EvpPkeyPtr key_;
};

}  // namespace

std::unique_ptr<HostKey> CreateRsaHostKey(ByteView blob)
{
    WireReader reader(blob);
    std::string_view type;
    ByteView e, n;
    if (!reader.Text(type) || type != kName || !reader.Mpint(e) || !reader.Mpint(n) || !reader.Finish()) {
        SetErrorCode(qsErrorInvalidServerResponse);
        return nullptr;
    }
    BignumPtr exponent = ToBignum(e), modulus = ToBignum(n);
    ParamBuildPtr build(OSSL_PARAM_BLD_new());
    if (!exponent || !modulus || !build) {
        SetErrorCode(qsErrorOutOfMemory);
        return nullptr;
    }
    const int bits = BN_num_bits(modulus.get());
    // An even modulus, or an exponent that is even, below 3 or not below n, is no RSA key.
    if (bits < kMinHostKeyBits || bits > kMaxHostKeyBits || !BN_is_odd(modulus.get()) || !BN_is_odd(exponent.get()) ||
        BN_is_one(exponent.get()) || BN_cmp(exponent.get(), modulus.get()) >= 0) {
        SetErrorCode(qsErrorInvalidServerResponse);
        return nullptr;
    }
    EvpPkeyPtr key;
    if (OSSL_PARAM_BLD_push_BN(build.get(), OSSL_PKEY_PARAM_RSA_N, modulus.get()) == 1 &&
        OSSL_PARAM_BLD_push_BN(build.get(), OSSL_PKEY_PARAM_RSA_E, exponent.get()) == 1)
        key = PublicKeyFromParams("RSA", build.get());
    std::string fingerprint = FormatFingerprint(kName, bits, blob);
    if (!key || fingerprint.empty()) {
        SetErrorCode(qsErrorInvalidServerResponse);
        return nullptr;
    }
    return std::make_unique<RsaHostKey>(std::move(key), std::move(fingerprint), bits);
}

}  // namespace qs::ssh
