#include "ssh/algorithms/crypto_library.h"

#include <openssl/crypto.h>
#include <openssl/provider.h>

namespace qs::ssh {
namespace {

OSSL_LIB_CTX *LoadProviders()
{
    OSSL_LIB_CTX *library = OSSL_LIB_CTX_new();
    if (library == nullptr)
        return nullptr;
    // A provider that does not load leaves its algorithms unfetchable: each object that needs one fails
    // when it is created (without "legacy", only Blowfish, RC4 and DES).
    OSSL_PROVIDER_load(library, "default");
    OSSL_PROVIDER_load(library, "legacy");
    return library;
}

}  // namespace

OSSL_LIB_CTX *CryptoLibrary()
{
    // Never freed: OpenSSL's own exit handler may run before static destructors would.
    static OSSL_LIB_CTX *const library = LoadProviders();
    return library;
}

}  // namespace qs::ssh
