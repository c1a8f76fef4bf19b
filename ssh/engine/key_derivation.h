// Key derivation (RFC 4253 section 7.2) and the protection objects of each direction made from it.
#pragma once
#include <cstdint>

#include "ssh/algorithms/hash.h"
#include "ssh/algorithms/secure_bytes.h"
#include "ssh/engine/negotiation.h"
#include "ssh/transport/packet_keys.h"

namespace qs::ssh {

// Each derived key is two hash outputs long.
inline constexpr std::uint32_t kKeyBlockHashes = 2;

struct DerivationInput {
    const SshHash *hash = nullptr;
    ByteView sharedSecret;  // K as a big-endian magnitude
    ByteView exchangeHash;  // H
    ByteView sessionId;
    bool omitSecret = false;  // a server defect: K is left out of both hashes
};

// HASH(K || H || letter || session id) followed by HASH(K || H || block1).
bool DeriveKey(const DerivationInput &input, char letter, SecureBytes &material);

// The client-to-server objects (letters A, C, E) and the server-to-client ones (B, D, F). False with the
// error set when a primitive is missing or asks for more key than the derivation gives.
bool MakeOutgoingKeys(const DerivationInput &input, const NegotiatedSuite &suite, OutgoingKeys &keys);
bool MakeIncomingKeys(const DerivationInput &input, const NegotiatedSuite &suite, IncomingKeys &keys);

}  // namespace qs::ssh
