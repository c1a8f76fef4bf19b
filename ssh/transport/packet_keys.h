// The protection of one direction of a connection, replaced as a whole at each NEWKEYS.
#pragma once
#include <memory>

#include "ssh/algorithms/cipher.h"
#include "ssh/algorithms/compression.h"
#include "ssh/algorithms/mac.h"

namespace qs::ssh {

// RFC 4253 6.1: the largest packet_length accepted; larger packets end the connection.
inline constexpr std::size_t kMaxPacketLength = 35000;
// The block size framing uses without a cipher, and its minimum with one.
inline constexpr std::size_t kMinPacketBlock = 8;

struct OutgoingKeys {
    std::unique_ptr<CipherContext> cipher;  // null: no encryption
    std::unique_ptr<MacContext> mac;        // null: no MAC
    std::unique_ptr<Compressor> compressor; // null: no compression
};

struct IncomingKeys {
    std::unique_ptr<CipherContext> cipher;
    std::unique_ptr<MacContext> mac;
    std::unique_ptr<Decompressor> decompressor;
};

}  // namespace qs::ssh
