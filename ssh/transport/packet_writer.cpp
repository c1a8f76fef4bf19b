#include "ssh/transport/packet_writer.h"

#include <algorithm>

#include "core/error/last_error.h"
#include "ssh/algorithms/random.h"

namespace qs::ssh {
namespace {

constexpr std::size_t kHeader = 5;  // uint32 packet_length, byte padding_length
constexpr std::size_t kMinPadding = 4;

void PutU32(std::uint8_t *at, std::uint32_t value)
{
    at[0] = static_cast<std::uint8_t>(value >> 24);
    at[1] = static_cast<std::uint8_t>(value >> 16);
    at[2] = static_cast<std::uint8_t>(value >> 8);
    at[3] = static_cast<std::uint8_t>(value);
}

}  // namespace

std::size_t PacketWriter::BlockSize() const
{
    return keys_.cipher ? std::max<std::size_t>(kMinPacketBlock, keys_.cipher->Descriptor().blockSize) : kMinPacketBlock;
}

bool PacketWriter::Seal(ByteView payload, std::vector<std::uint8_t> &out)
{
    if (keys_.compressor) {
        const CodecResult result = keys_.compressor->Compress(payload, compressed_);
        if (result == CodecResult::Failed)
            return false;
        if (result == CodecResult::Changed)
            payload = compressed_;
    }
    const std::size_t block = BlockSize();
    std::size_t padding = block - (kHeader + payload.size()) % block;
    if (padding < kMinPadding)
        padding += block;
    const std::size_t length = 1 + payload.size() + padding;
    if (length > kMaxPacketLength) {
        SetErrorCode(qsErrorInvalidPacketSize);
        return false;
    }
    const std::size_t macBytes = keys_.mac ? keys_.mac->Descriptor().macBytes : 0;
    const std::size_t start = out.size();
    out.resize(start + 4 + length + macBytes);
    std::uint8_t *packet = out.data() + start;
    PutU32(packet, static_cast<std::uint32_t>(length));
    packet[4] = static_cast<std::uint8_t>(padding);
    std::copy(payload.begin(), payload.end(), packet + kHeader);
    const std::span<std::uint8_t> whole(packet, 4 + length);
    bool ok = RandomFill(whole.subspan(kHeader + payload.size()));
    if (ok && keys_.mac)
        ok = keys_.mac->Generate(sequence_, whole, std::span(packet + 4 + length, macBytes));
    if (ok && keys_.cipher)
        ok = keys_.cipher->Process(whole);
    if (!ok) {
        out.resize(start);
        return false;
    }
    ++sequence_;
    return true;
}

}  // namespace qs::ssh
