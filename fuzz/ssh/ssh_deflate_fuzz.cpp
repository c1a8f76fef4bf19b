// Our compressor against zlib's inflate: every packet must come back whole the moment it is decoded,
// with the stored-block packet of the length-hiding send (the first byte of a packet asks for it) exactly
// as long as announced.
#include <cstdlib>

#include "fuzz/ssh/packets.h"
#include "ssh/algorithms/compression.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace qs::ssh;
    const SshCompression &zlib = *FindCompression("zlib");
    auto compressor = CreateCompressor(zlib);
    auto decompressor = CreateDecompressor(zlib);
    std::vector<std::uint8_t> compressed, restored;
    fuzz::ForEachPacket(data, size, [&](ByteView packet) {
        const bool stored = !packet.empty() && packet[0] == 0xFF;
        const int adjustment = stored ? compressor->DisableCompression() : 0;
        if (compressor->Compress(packet, compressed) != CodecResult::Changed)
            std::abort();
        if (stored && compressed.size() != packet.size() + static_cast<std::size_t>(adjustment))
            std::abort();
        if (decompressor->Decompress(compressed, restored) != CodecResult::Changed ||
            !std::equal(restored.begin(), restored.end(), packet.begin(), packet.end()))
            std::abort();
        return true;
    });
    return 0;
}
