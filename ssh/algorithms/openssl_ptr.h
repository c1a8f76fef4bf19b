// Owning pointers for the OpenSSL objects the algorithm suite holds.
#pragma once
#include <memory>

#include <openssl/bn.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>

namespace qs::ssh {

template <auto Free>
struct OpenSslDeleter {
    template <typename T>
    void operator()(T *p) const
    {
        Free(p);
    }
};

using EvpCipherPtr = std::unique_ptr<EVP_CIPHER, OpenSslDeleter<EVP_CIPHER_free>>;
using EvpCipherCtxPtr = std::unique_ptr<EVP_CIPHER_CTX, OpenSslDeleter<EVP_CIPHER_CTX_free>>;
using EvpMdPtr = std::unique_ptr<EVP_MD, OpenSslDeleter<EVP_MD_free>>;
using EvpMdCtxPtr = std::unique_ptr<EVP_MD_CTX, OpenSslDeleter<EVP_MD_CTX_free>>;
using EvpMacPtr = std::unique_ptr<EVP_MAC, OpenSslDeleter<EVP_MAC_free>>;
using EvpMacCtxPtr = std::unique_ptr<EVP_MAC_CTX, OpenSslDeleter<EVP_MAC_CTX_free>>;
using EvpPkeyPtr = std::unique_ptr<EVP_PKEY, OpenSslDeleter<EVP_PKEY_free>>;
using EvpPkeyCtxPtr = std::unique_ptr<EVP_PKEY_CTX, OpenSslDeleter<EVP_PKEY_CTX_free>>;
using BignumPtr = std::unique_ptr<BIGNUM, OpenSslDeleter<BN_free>>;
// For secret values: wiped before they are freed.
using SecretBignumPtr = std::unique_ptr<BIGNUM, OpenSslDeleter<BN_clear_free>>;
using BnCtxPtr = std::unique_ptr<BN_CTX, OpenSslDeleter<BN_CTX_free>>;
using ParamBuildPtr = std::unique_ptr<OSSL_PARAM_BLD, OpenSslDeleter<OSSL_PARAM_BLD_free>>;
using ParamsPtr = std::unique_ptr<OSSL_PARAM, OpenSslDeleter<OSSL_PARAM_free>>;

}  // namespace qs::ssh
