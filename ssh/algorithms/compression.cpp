#include "ssh/algorithms/compression.h"

#include "ssh/algorithms/compression_backends.h"

namespace qs::ssh {
namespace {

constexpr SshCompression kCompressions[] = {
    {"none", "none", CompressionKind::None},
    {"zlib", "zlib", CompressionKind::Zlib},
};

class NoCompressor final : public Compressor {
public:
    CodecResult Compress(ByteView, std::vector<std::uint8_t> &) override { return CodecResult::Unchanged; }
    int DisableCompression() override { return 0; }
};

class NoDecompressor final : public Decompressor {
public:
    CodecResult Decompress(ByteView, std::vector<std::uint8_t> &) override { return CodecResult::Unchanged; }
};

}  // namespace

std::span<const SshCompression> CompressionTable()
{
    return kCompressions;
}

const SshCompression *FindCompression(std::string_view wireName)
{
    for (const SshCompression &c : kCompressions) {
        if (c.wireName == wireName)
            return &c;
    }
    return nullptr;
}

std::unique_ptr<Compressor> CreateCompressor(const SshCompression &compression)
{
    if (compression.kind == CompressionKind::Zlib)
        return CreateDeflateCompressor();
    return std::make_unique<NoCompressor>();
}

std::unique_ptr<Decompressor> CreateDecompressor(const SshCompression &compression)
{
    if (compression.kind == CompressionKind::Zlib)
        return CreateInflateDecompressor();
    return std::make_unique<NoDecompressor>();
}

}  // namespace qs::ssh
