// The KEXINIT message (RFC 4253 section 7.1): the client's offer and the choice of one algorithm per
// category from the server's lists.
#pragma once
#include <cstdint>
#include <vector>

#include "ssh/algorithms/cipher.h"
#include "ssh/algorithms/compression.h"
#include "ssh/algorithms/host_key.h"
#include "ssh/algorithms/mac.h"
#include "ssh/engine/kex_method.h"

namespace qs::ssh {

inline constexpr std::uint8_t kMsgKexInit = 20;
// A KEXINIT above this is refused; name-lists of real servers stay far below it.
inline constexpr std::size_t kMaxKexInitBytes = 32768;

// What the client offers, in preference order.
struct AlgorithmOffer {
    std::vector<const SshKex *> kex;
    std::vector<const SshHostKey *> hostKeys;
    std::vector<const SshCipher *> ciphers;
    std::vector<const SshMac *> macs;
    bool compressionFirst = false;  // "zlib" before "none"
};

// One algorithm per category; Out is client to server, In server to client.
struct NegotiatedSuite {
    const SshKex *kex = nullptr;
    const SshHostKey *hostKey = nullptr;
    const SshCipher *cipherOut = nullptr;
    const SshCipher *cipherIn = nullptr;
    const SshMac *macOut = nullptr;
    const SshMac *macIn = nullptr;
    const SshCompression *compressionOut = nullptr;
    const SshCompression *compressionIn = nullptr;
    // The server sends a guessed key-exchange packet that guessed wrong: it is to be skipped.
    bool skipGuessedPacket = false;
};

// The KEXINIT payload from its type byte on, with 16 random bytes as its cookie. False with the error set.
bool BuildKexInit(const AlgorithmOffer &offer, std::vector<std::uint8_t> &payload);
// Chooses from the server's KEXINIT payload (type byte on). False with the error set: a malformed message
// (qsErrorInvalidServerResponse) or a category with nothing in common (qsErrorProtocolNotSupported);
// `suite` is then left empty.
bool Negotiate(const AlgorithmOffer &offer, ByteView serverPayload, NegotiatedSuite &suite);

}  // namespace qs::ssh
