#include "ssh/transport/packet_reader.h"

#include <algorithm>

#include "core/error/last_error.h"

namespace qs::ssh {
namespace {

constexpr std::size_t kMinPadding = 4;

std::uint32_t GetU32(const std::uint8_t *at)
{
    return static_cast<std::uint32_t>(at[0]) << 24 | static_cast<std::uint32_t>(at[1]) << 16 |
           static_cast<std::uint32_t>(at[2]) << 8 | at[3];
}

}  // namespace

std::size_t PacketReader::BlockSize() const
{
    return keys_.cipher ? std::max<std::size_t>(kMinPacketBlock, keys_.cipher->Descriptor().blockSize) : kMinPacketBlock;
}

PacketReader::Status PacketReader::Fail(ErrorCode code)
{
    if (code != 0)
        SetErrorCode(code);
    failed_ = true;
    buffer_.clear();
    return Status::Failed;
}

PacketReader::Status PacketReader::Feed(ByteView in, std::size_t &consumed, std::vector<std::uint8_t> &payload)
{
    if (failed_)
        return Fail(qsErrorConnectionShutdown);
    for (;;) {
        if (need_ == 0) {
            buffer_.clear();
            headerDone_ = false;
            need_ = BlockSize();
        }
        const std::size_t take = std::min(need_ - buffer_.size(), in.size());
        buffer_.insert(buffer_.end(), in.begin(), in.begin() + static_cast<std::ptrdiff_t>(take));
        in = in.subspan(take);
        consumed += take;
        if (buffer_.size() < need_)
            return Status::NeedMore;
        if (!headerDone_) {
            if (!StartPacket())
                return Fail(0);
            headerDone_ = true;
            continue;
        }
        need_ = 0;
        if (!FinishPacket(payload))
            return Fail(0);
        return Status::Packet;
    }
}

bool PacketReader::StartPacket()
{
    const std::size_t block = BlockSize();
    if (keys_.cipher && !keys_.cipher->Process(std::span(buffer_).first(block)))
        return false;
    const std::uint32_t length = GetU32(buffer_.data());
    const std::uint8_t padding = buffer_[4];
    if (length > kMaxPacketLength || (length + 4) % block != 0) {
        SetErrorCode(qsErrorInvalidPacketSize);
        return false;
    }
    if (padding < kMinPadding || length < padding + 1u) {
        SetErrorCode(qsErrorInvalidPacketData);
        return false;
    }
    need_ = 4 + length + (keys_.mac ? keys_.mac->Descriptor().macBytes : 0);
    return true;
}

bool PacketReader::FinishPacket(std::vector<std::uint8_t> &payload)
{
    const std::size_t block = BlockSize();
    const std::uint32_t length = GetU32(buffer_.data());
    const std::span<std::uint8_t> packet = std::span(buffer_).first(4 + length);
    if (keys_.cipher && !keys_.cipher->Process(packet.subspan(block)))
        return false;
    // A MAC that does not verify ends the connection (RFC 4253 6.4): the data were changed in transit.
    if (keys_.mac && !keys_.mac->Verify(sequence_, packet, std::span(buffer_).subspan(4 + length))) {
        SetErrorCode(qsErrorSecurityDecryption);
        return false;
    }
    lastSequence_ = sequence_++;
    lastWireLength_ = 4 + length;
    const ByteView body = ByteView(packet).subspan(5, length - 1 - packet[4]);
    const CodecResult result =
        keys_.decompressor ? keys_.decompressor->Decompress(body, payload) : CodecResult::Unchanged;
    if (result == CodecResult::Failed)
        return false;
    if (result == CodecResult::Unchanged)
        payload.assign(body.begin(), body.end());
    // Every packet carries at least its message type.
    if (payload.empty()) {
        SetErrorCode(qsErrorInvalidPacketData);
        return false;
    }
    return true;
}

}  // namespace qs::ssh
