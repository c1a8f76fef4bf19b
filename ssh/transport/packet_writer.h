// Frames and protects outgoing SSH-2 packets (RFC 4253 section 6): compression, random padding to the
// block size, the MAC over sequence number || packet, then encryption in place.
#pragma once
#include <cstdint>
#include <vector>

#include "ssh/transport/packet_keys.h"
#include "ssh/wire/wire_reader.h"

namespace qs::ssh {

class PacketWriter {
public:
    // Appends the finished packet (with its MAC) to `out`. Fails, appending nothing and keeping the sequence
    // number, when the packet would pass kMaxPacketLength or a primitive fails; the connection must then
    // end, as the compressor and cipher may already have moved past what the peer will see.
    [[nodiscard]] bool Seal(ByteView payload, std::vector<std::uint8_t> &out);
    // The keys apply from the next packet on.
    void Install(OutgoingKeys keys) { keys_ = std::move(keys); }

    std::uint32_t Sequence() const { return sequence_; }
    std::size_t BlockSize() const;
    bool Encrypting() const { return keys_.cipher != nullptr; }
    // The next packet goes out uncompressed so that its size is exact; returns the bytes the compressor's
    // framing adds to it (0 without compression).
    int DisableCompression() { return keys_.compressor ? keys_.compressor->DisableCompression() : 0; }

private:
    OutgoingKeys keys_;
    std::uint32_t sequence_ = 0;  // never reset: runs on across key exchanges
    std::vector<std::uint8_t> compressed_;
};

}  // namespace qs::ssh
