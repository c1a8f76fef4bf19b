// Pieces shared by the RSA and DSA host keys (internal to the algorithm suite).
#pragma once
#include <string>
#include <string_view>

#include "ssh/algorithms/openssl_ptr.h"
#include "ssh/wire/wire_reader.h"

namespace qs::ssh {

BignumPtr ToBignum(ByteView magnitude);
// A public key of OpenSSL type `type` ("RSA", "DSA") from its parameters; null on failure.
EvpPkeyPtr PublicKeyFromParams(const char *type, OSSL_PARAM_BLD *build);
// Verifies an encoded signature over SHA-1 of `data`.
bool VerifySha1(EVP_PKEY *key, ByteView signature, ByteView data);
// The fingerprint text of a host key; empty when MD5 is not available.
std::string FormatFingerprint(std::string_view name, int bits, ByteView blob);
// Sets the error and returns false, for the verification paths.
bool VerifyFailed(bool malformed);

}  // namespace qs::ssh
