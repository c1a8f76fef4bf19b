// The two kinds of cipher object behind CreateCipher (internal to the algorithm suite).
#pragma once
#include <memory>

#include "ssh/algorithms/cipher.h"

namespace qs::ssh {

// CBC, stream and native counter-mode ciphers run by OpenSSL itself.
std::unique_ptr<CipherContext> CreateOpenSslCipher(const SshCipher &cipher, CipherDirection direction);
// Counter mode over the primitive's ECB block function (Blowfish, triple DES); the same for both directions.
std::unique_ptr<CipherContext> CreateCounterCipher(const SshCipher &cipher);

}  // namespace qs::ssh
