#include "ssh/algorithms/dss_host_key.h"

#include <openssl/core_names.h>
#include <openssl/dsa.h>

#include "core/error/last_error.h"
#include "ssh/algorithms/host_key_support.h"

namespace qs::ssh {
namespace {

constexpr std::string_view kName = "ssh-dss";
constexpr int kSubgroupBits = 160;
constexpr std::size_t kHalfBytes = 20;

class DssHostKey final : public HostKey {
public:
    DssHostKey(EvpPkeyPtr key, std::string fingerprint, int bits)
        : HostKey(std::move(fingerprint), bits), key_(std::move(key))
    {
    }

    // Either a bare 40-byte r || s, or string "ssh-dss" then a string holding r || s.
    bool Verify(ByteView signature, ByteView data) const override
    {
        ByteView rs = signature;
        if (signature.size() != 2 * kHalfBytes) {
            WireReader reader(signature);
            std::string_view type;
            if (!reader.Text(type) || type != kName || !reader.String(rs) || !reader.Finish() || rs.size() != 2 * kHalfBytes)
                return VerifyFailed(true);
        }
        // OpenSSL takes the DER form of (r, s).
        DSA_SIG *pair = DSA_SIG_new();
        BIGNUM *r = BN_bin2bn(rs.data(), kHalfBytes, nullptr);
        BIGNUM *s = BN_bin2bn(rs.data() + kHalfBytes, kHalfBytes, nullptr);
        unsigned char *der = nullptr;
        int length = -1;
        if (pair != nullptr && r != nullptr && s != nullptr && DSA_SIG_set0(pair, r, s) == 1) {
            r = s = nullptr;
            length = i2d_DSA_SIG(pair, &der);
        }
        BN_free(r);
        BN_free(s);
        DSA_SIG_free(pair);
        const bool good = length > 0 && VerifySha1(key_.get(), ByteView(der, static_cast<std::size_t>(length)), data);
        OPENSSL_free(der);
        return good || VerifyFailed(false);
    }

private:
    EvpPkeyPtr key_;
};

// 1 < value < p
bool InGroup(const BIGNUM *value, const BIGNUM *p)
{
    return BN_cmp(value, BN_value_one()) > 0 && BN_cmp(value, p) < 0;
}

}  // namespace

std::unique_ptr<HostKey> CreateDssHostKey(ByteView blob)
{
    WireReader reader(blob);
    std::string_view type;
    ByteView pBytes, qBytes, gBytes, yBytes;
    if (!reader.Text(type) || type != kName || !reader.Mpint(pBytes) || !reader.Mpint(qBytes) || !reader.Mpint(gBytes) ||
        !reader.Mpint(yBytes) || !reader.Finish()) {
        SetErrorCode(qsErrorInvalidServerResponse);
        return nullptr;
    }
    BignumPtr p = ToBignum(pBytes), q = ToBignum(qBytes), g = ToBignum(gBytes), y = ToBignum(yBytes);
    ParamBuildPtr build(OSSL_PARAM_BLD_new());
    if (!p || !q || !g || !y || !build) {
        SetErrorCode(qsErrorOutOfMemory);
        return nullptr;
    }
    const int bits = BN_num_bits(p.get());
    if (bits < kMinHostKeyBits || bits > kMaxHostKeyBits || !BN_is_odd(p.get()) || BN_num_bits(q.get()) != kSubgroupBits ||
        !InGroup(g.get(), p.get()) || !InGroup(y.get(), p.get())) {
        SetErrorCode(qsErrorInvalidServerResponse);
        return nullptr;
    }
    EvpPkeyPtr key;
    if (OSSL_PARAM_BLD_push_BN(build.get(), OSSL_PKEY_PARAM_FFC_P, p.get()) == 1 &&
        OSSL_PARAM_BLD_push_BN(build.get(), OSSL_PKEY_PARAM_FFC_Q, q.get()) == 1 &&
        OSSL_PARAM_BLD_push_BN(build.get(), OSSL_PKEY_PARAM_FFC_G, g.get()) == 1 &&
        OSSL_PARAM_BLD_push_BN(build.get(), OSSL_PKEY_PARAM_PUB_KEY, y.get()) == 1)
        key = PublicKeyFromParams("DSA", build.get());
    std::string fingerprint = FormatFingerprint(kName, bits, blob);
    if (!key || fingerprint.empty()) {
        SetErrorCode(qsErrorInvalidServerResponse);
        return nullptr;
    }
    return std::make_unique<DssHostKey>(std::move(key), std::move(fingerprint), bits);
}

}  // namespace qs::ssh
