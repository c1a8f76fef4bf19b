// Reads incoming SSH-2 packets from the byte stream (RFC 4253 section 6): decrypts the first block,
// checks the length and padding, reads the rest and the MAC, verifies it, and decompresses the payload.
// Any failure ends the stream for good: after decryption an unreadable packet means the data were
// changed in transit or the keys disagree, and there is no safe point to start again from.
#pragma once
#include <cstdint>
#include <vector>

#include "core/error/error_codes.h"
#include "ssh/transport/packet_keys.h"
#include "ssh/wire/wire_reader.h"

namespace qs::ssh {

class PacketReader {
public:
    enum class Status {
        NeedMore,  // every byte given was taken; no packet is complete yet
        Packet,    // `payload` holds one packet (type byte on); the rest of the input is left
        Failed,    // the error is set; every later call fails too
    };

    // Takes bytes from `in` up to the end of at most one packet and adds their count to `consumed`, so that
    // new keys can be installed right after the packet that announces them.
    Status Feed(ByteView in, std::size_t &consumed, std::vector<std::uint8_t> &payload);
    // The keys apply from the next packet on; call only between packets.
    void Install(IncomingKeys keys) { keys_ = std::move(keys); }

    // Of the packet last returned: its sequence number and its length on the wire (counted for re-keying).
    std::uint32_t LastSequence() const { return lastSequence_; }
    std::size_t LastWireLength() const { return lastWireLength_; }

private:
    std::size_t BlockSize() const;
    Status Fail(ErrorCode code);
    // Called once the first block is in: decrypts it and checks the header.
    bool StartPacket();
    bool FinishPacket(std::vector<std::uint8_t> &payload);

    IncomingKeys keys_;
    std::vector<std::uint8_t> buffer_;  // the packet being read, at most 4 + kMaxPacketLength + MAC bytes
    std::size_t need_ = 0;              // bytes the current step waits for; 0 before a packet starts
    bool headerDone_ = false;
    bool failed_ = false;
    std::uint32_t sequence_ = 0;
    std::uint32_t lastSequence_ = 0;
    std::size_t lastWireLength_ = 0;
};

}  // namespace qs::ssh
