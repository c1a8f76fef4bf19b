// zlib's inflate over the packet stream: one zlib stream for the whole direction, data split
// arbitrarily across packets, output bounded per packet.
#include <algorithm>
#include <memory>
#include <zlib.h>

#include "core/error/last_error.h"
#include "ssh/algorithms/compression_backends.h"

namespace qs::ssh {
namespace {

constexpr std::size_t kOutputStep = 16 * 1024;

class InflateDecompressor final : public Decompressor {
public:
    InflateDecompressor() { ready_ = inflateInit(&stream_) == Z_OK; }
    ~InflateDecompressor() override
    {
        if (ready_)
            inflateEnd(&stream_);
    }

    CodecResult Decompress(ByteView in, std::vector<std::uint8_t> &out) override
    {
        out.clear();
        if (!ready_ || failed_)
            return Fail(qsErrorDataNotDecoded);
        if (in.size() > UINT32_MAX)
            return Fail(qsErrorInvalidPacketSize);
        stream_.next_in = const_cast<Bytef *>(in.data());
        stream_.avail_in = static_cast<uInt>(in.size());
        for (;;) {
            // One byte of room past the cap tells an over-long payload from one that fits exactly.
            const std::size_t room = std::min(kOutputStep, kMaxInflatedPayload + 1 - out.size());
            stream_.next_out = step_.get();
            stream_.avail_out = static_cast<uInt>(room);
            const int result = inflate(&stream_, Z_SYNC_FLUSH);
            out.insert(out.end(), step_.get(), step_.get() + (room - stream_.avail_out));
            if (out.size() > kMaxInflatedPayload)
                return Fail(qsErrorInvalidPacketSize);
            if (result == Z_STREAM_END) {
                // The peer closed its stream: nothing may follow it.
                if (stream_.avail_in != 0)
                    return Fail(qsErrorDataNotDecoded);
                return CodecResult::Changed;
            }
            if (result != Z_OK && result != Z_BUF_ERROR)
                return Fail(qsErrorDataNotDecoded);
            // Output space left over means inflate has taken everything it can from this packet.
            if (stream_.avail_out != 0) {
                if (stream_.avail_in != 0)
                    return Fail(qsErrorDataNotDecoded);
                return CodecResult::Changed;
            }
        }
    }

private:
    CodecResult Fail(ErrorCode code)
    {
        failed_ = true;
        SetErrorCode(code);
        return CodecResult::Failed;
    }

    z_stream stream_{};
    std::unique_ptr<std::uint8_t[]> step_{new std::uint8_t[kOutputStep]};
    bool ready_ = false;
    bool failed_ = false;
};

}  // namespace

std::unique_ptr<Decompressor> CreateInflateDecompressor()
{
    return std::make_unique<InflateDecompressor>();
}

}  // namespace qs::ssh
