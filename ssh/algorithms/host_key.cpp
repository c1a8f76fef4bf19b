#include "ssh/algorithms/host_key.h"

#include <cstdio>

#include "core/error/last_error.h"
#include "ssh/algorithms/crypto_library.h"
#include "ssh/algorithms/hash.h"
#include "ssh/algorithms/host_key_support.h"
#include "ssh/algorithms/rsa_host_key.h"
#include "ssh/algorithms/dss_host_key.h"

namespace qs::ssh {
namespace {

constexpr SshHostKey kHostKeys[] = {
    {"ssh-rsa", "rsa", CreateRsaHostKey},
    {"ssh-dss", "dsa", CreateDssHostKey},
};

}  // namespace

std::span<const SshHostKey> HostKeyTable()
{
    return kHostKeys;
}

const SshHostKey *FindHostKey(std::string_view name)
{
    for (const SshHostKey &k : kHostKeys) {
        if (k.name == name)
            return &k;
    }
    return nullptr;
}

BignumPtr ToBignum(ByteView magnitude)
{
    return BignumPtr(BN_bin2bn(magnitude.data(), static_cast<int>(magnitude.size()), nullptr));
}

EvpPkeyPtr PublicKeyFromParams(const char *type, OSSL_PARAM_BLD *build)
{
    ParamsPtr params(OSSL_PARAM_BLD_to_param(build));
    EvpPkeyCtxPtr context(EVP_PKEY_CTX_new_from_name(CryptoLibrary(), type, nullptr));
    EVP_PKEY *key = nullptr;
    if (!params || !context || EVP_PKEY_fromdata_init(context.get()) != 1 ||
        EVP_PKEY_fromdata(context.get(), &key, EVP_PKEY_PUBLIC_KEY, params.get()) != 1)
        return nullptr;
    return EvpPkeyPtr(key);
}

bool VerifySha1(EVP_PKEY *key, ByteView signature, ByteView data)
{
    EvpMdCtxPtr context(EVP_MD_CTX_new());
    return context &&
           EVP_DigestVerifyInit_ex(context.get(), nullptr, "SHA1", CryptoLibrary(), nullptr, key, nullptr) == 1 &&
           EVP_DigestVerify(context.get(), signature.data(), signature.size(), data.data(), data.size()) == 1;
}

std::string FormatFingerprint(std::string_view name, int bits, ByteView blob)
{
    auto md5 = HashContext::Create(kMd5);
    std::uint8_t digest[16];
    if (!md5 || !md5->Update(blob) || !md5->Finish(digest))
        return {};
    std::string text(name);
    text += ' ';
    text += std::to_string(bits);
    text += ' ';
    for (std::size_t i = 0; i < sizeof digest; ++i) {
        char pair[4];
        std::snprintf(pair, sizeof pair, "%s%02x", i == 0 ? "" : ":", digest[i]);
        text += pair;
    }
    return text;
}

bool VerifyFailed(bool malformed)
{
    SetErrorCode(malformed ? qsErrorInvalidServerResponse : qsErrorSecurityCertificate);
    return false;
}

}  // namespace qs::ssh
