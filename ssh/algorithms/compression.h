// SSH-2 compression: the "none" and "zlib" descriptors and the per-direction compressor and
// decompressor objects made from them.
#pragma once
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "ssh/wire/wire_reader.h"

namespace qs::ssh {

// A decompressed payload above this fails the packet: legitimate payloads stay below 35000 bytes.
inline constexpr std::size_t kMaxInflatedPayload = 256 * 1024;
// The compressor refuses larger inputs (its worst-case output is bounded by them).
inline constexpr std::size_t kMaxDeflateInput = 256 * 1024;

enum class CompressionKind { None, Zlib };

struct SshCompression {
    std::string_view wireName;
    std::string_view displayName;
    CompressionKind kind;
};

std::span<const SshCompression> CompressionTable();
const SshCompression *FindCompression(std::string_view wireName);

enum class CodecResult {
    Unchanged,  // nothing done: the packet stays as it is ("none")
    Changed,    // `out` holds the new data
    Failed,     // the error is set; a decompressor stays failed, as its stream state is lost
};

class Compressor {
public:
    virtual ~Compressor() = default;
    virtual CodecResult Compress(ByteView in, std::vector<std::uint8_t> &out) = 0;
    // The next packet is sent uncompressed so its size is exact; returns the bytes that packet's
    // framing adds to its data.
    virtual int DisableCompression() = 0;
};

class Decompressor {
public:
    virtual ~Decompressor() = default;
    // Replaces `out` with the decompressed data, at most kMaxInflatedPayload bytes.
    virtual CodecResult Decompress(ByteView in, std::vector<std::uint8_t> &out) = 0;
};

std::unique_ptr<Compressor> CreateCompressor(const SshCompression &compression);
std::unique_ptr<Decompressor> CreateDecompressor(const SshCompression &compression);

}  // namespace qs::ssh
