// Server data through the zlib decompressor, packet by packet, until it fails.
#include <cstdlib>

#include "fuzz/ssh/packets.h"
#include "ssh/algorithms/compression.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace qs::ssh;
    auto decompressor = CreateDecompressor(*FindCompression("zlib"));
    std::vector<std::uint8_t> out;
    fuzz::ForEachPacket(data, size, [&](ByteView packet) {
        const CodecResult result = decompressor->Decompress(packet, out);
        if (out.size() > kMaxInflatedPayload)
            std::abort();
        return result == CodecResult::Changed;
    });
    return 0;
}
