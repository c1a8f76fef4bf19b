// The packet decoder on decrypted server data: lengths, padding, message types and (when the first
// byte is odd) zlib payloads, over as many packets as the input holds.
#include <cstdlib>

#include "ssh/transport/packet_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace qs::ssh;
    if (size == 0)
        return 0;
    PacketReader reader;
    if (data[0] & 1) {
        IncomingKeys keys;
        keys.decompressor = CreateDecompressor(*FindCompression("zlib"));
        reader.Install(std::move(keys));
    }
    ByteView rest(data + 1, size - 1);
    std::vector<std::uint8_t> payload;
    for (;;) {
        std::size_t consumed = 0;
        const PacketReader::Status status = reader.Feed(rest, consumed, payload);
        if (consumed > rest.size())
            std::abort();
        rest = rest.subspan(consumed);
        if (status != PacketReader::Status::Packet)
            break;
        if (payload.empty() || payload.size() > kMaxInflatedPayload)
            std::abort();
    }
    return 0;
}
