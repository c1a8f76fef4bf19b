// The OpenSSL library context of the SSH engine. It loads the "default" and "legacy" providers (Blowfish,
// RC4 and single DES live in "legacy") once, in a context of its own, so other users of OpenSSL in the
// process never see the legacy algorithms.
#pragma once

#include <openssl/types.h>

namespace qs::ssh {

// Null only when out of memory, and OpenSSL then fetches from its default context.
OSSL_LIB_CTX *CryptoLibrary();

}  // namespace qs::ssh
