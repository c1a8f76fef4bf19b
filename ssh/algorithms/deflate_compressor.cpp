// The outgoing zlib stream, written with fixed Huffman codes only. The first packet starts with the zlib
// header 78 9C. Each packet's data are coded inside a fixed block whose header went out with the previous
// packet; the block is closed, an empty fixed block (10 bits) follows so the peer can decode everything
// sent so far, and then the 3 header bits of the next block. Bits short of a byte wait in the bit buffer
// and lead the next packet. No final block and no Adler-32 trailer are ever written. The dictionary runs on
// across packets, so repeated terminal output compresses well.
#include <algorithm>
#include <array>
#include <memory>

#include "core/error/last_error.h"
#include "ssh/algorithms/compression_backends.h"

namespace qs::ssh {
namespace {

constexpr std::size_t kWindow = 32768;      // deflate's largest distance
constexpr std::size_t kRing = 2 * kWindow;  // the window plus the chunk being coded
constexpr std::size_t kChunk = kWindow;     // input coded per pass, so a reference never reaches overwritten bytes
constexpr unsigned kHashBits = 13;
constexpr std::size_t kMaxChain = 64;  // candidates tried per position
constexpr std::size_t kMinMatch = 3;
constexpr std::size_t kMaxMatch = 258;
constexpr std::size_t kMaxStoredBlock = 65535;
constexpr std::uint8_t kZlibHeader[2] = {0x78, 0x9C};

// BFINAL = 0 and BTYPE = 01, in the order they are sent.
constexpr std::uint32_t kFixedBlockHeader = 0x2;
constexpr unsigned kBlockHeaderBits = 3;
constexpr unsigned kEndOfBlock = 256;
constexpr unsigned kEndOfBlockBits = 7;

struct Code {
    std::uint16_t bits;  // already bit-reversed: Huffman codes go out most significant bit first
    std::uint8_t length;
};

constexpr std::uint16_t Reverse(std::uint32_t code, unsigned length)
{
    std::uint32_t reversed = 0;
    for (unsigned i = 0; i < length; ++i)
        reversed |= ((code >> i) & 1u) << (length - 1 - i);
    return static_cast<std::uint16_t>(reversed);
}

// RFC 1951 section 3.2.6: the fixed literal/length code.
constexpr std::array<Code, 288> MakeLiteralCodes()
{
    std::array<Code, 288> codes{};
    for (unsigned s = 0; s < 288; ++s) {
        std::uint32_t code;
        unsigned length;
        if (s < 144) {
            code = 0x30 + s;
            length = 8;
        } else if (s < 256) {
            code = 0x190 + (s - 144);
            length = 9;
        } else if (s < 280) {
            code = s - 256;
            length = 7;
        } else {
            code = 0xC0 + (s - 280);
            length = 8;
        }
        codes[s] = {Reverse(code, length), static_cast<std::uint8_t>(length)};
    }
    return codes;
}

constexpr std::array<Code, 288> kLiteralCodes = MakeLiteralCodes();

// Width of the highest set bit, less one.
constexpr unsigned TopBit(std::uint32_t value)
{
    unsigned bit = 0;
    while (value >>= 1)
        ++bit;
    return bit;
}

// Collects bits least significant first and hands whole bytes to the packet being written.
class BitWriter {
public:
    void Attach(std::vector<std::uint8_t> *out) { out_ = out; }

    void Put(std::uint32_t value, unsigned count)
    {
        buffer_ |= static_cast<std::uint64_t>(value) << pending_;
        pending_ += count;
        while (pending_ >= 8) {
            out_->push_back(static_cast<std::uint8_t>(buffer_));
            buffer_ >>= 8;
            pending_ -= 8;
        }
    }
    void Put(Code code) { Put(code.bits, code.length); }
    // Whole bytes as they are; only on a byte boundary.
    void Raw(ByteView bytes) { out_->insert(out_->end(), bytes.begin(), bytes.end()); }
    // Pads with zero bits to the next byte boundary.
    void Align()
    {
        if (pending_ != 0)
            Put(0, 8 - pending_);
    }
    unsigned Pending() const { return pending_; }

private:
    std::vector<std::uint8_t> *out_ = nullptr;
    std::uint64_t buffer_ = 0;
    unsigned pending_ = 0;
};

class DeflateCompressor final : public Compressor {
public:
    // Only the chain heads need clearing: history bytes and chain links are read only where written.
    DeflateCompressor()
        : ring_(new std::uint8_t[kRing]), head_(new std::uint32_t[std::size_t{1} << kHashBits]()),
          prev_(new std::uint32_t[kWindow])
    {
    }

    CodecResult Compress(ByteView in, std::vector<std::uint8_t> &out) override
    {
        if (in.size() > kMaxDeflateInput) {
            SetErrorCode(qsErrorInvalidPacketSize);
            return CodecResult::Failed;
        }
        out.clear();
        bits_.Attach(&out);
        if (disabled_) {
            disabled_ = false;
            WriteStored(in);
            return CodecResult::Changed;
        }
        if (!started_) {
            Start();
            bits_.Put(kFixedBlockHeader, kBlockHeaderBits);
        }
        for (std::size_t at = 0; at < in.size(); at += kChunk)
            Feed(in.subspan(at, std::min(kChunk, in.size() - at)), true);
        bits_.Put(kLiteralCodes[kEndOfBlock]);
        // The empty block pushes this packet's last code out of the bit buffer.
        bits_.Put(kFixedBlockHeader, kBlockHeaderBits);
        bits_.Put(kLiteralCodes[kEndOfBlock]);
        bits_.Put(kFixedBlockHeader, kBlockHeaderBits);
        return CodecResult::Changed;
    }

    int DisableCompression() override
    {
        disabled_ = true;
        // Before the stream starts: the zlib header, the stored-block header byte and LEN/NLEN.
        if (!started_)
            return 7;
        // Otherwise: end of the open fixed block and the stored-block header, padded to a byte, and LEN/NLEN.
        return static_cast<int>((bits_.Pending() + kEndOfBlockBits + kBlockHeaderBits + 7) / 8 + 4);
    }

private:
    void Start()
    {
        bits_.Raw(kZlibHeader);
        started_ = true;
    }

    // Stored blocks (BTYPE 00) carry the packet as it is; the data still enter the dictionary, as the
    // peer's window holds them too.
    void WriteStored(ByteView in)
    {
        if (!started_)
            Start();
        else
            bits_.Put(kLiteralCodes[kEndOfBlock]);
        std::size_t at = 0;
        do {
            const std::size_t length = std::min(kMaxStoredBlock, in.size() - at);
            bits_.Put(0, kBlockHeaderBits);
            bits_.Align();
            bits_.Put(static_cast<std::uint32_t>(length), 16);
            bits_.Put(static_cast<std::uint32_t>(length ^ 0xFFFF), 16);
            const ByteView piece = in.subspan(at, length);
            bits_.Raw(piece);
            Feed(piece, false);
            at += length;
        } while (at < in.size());
        bits_.Put(kFixedBlockHeader, kBlockHeaderBits);
    }

    std::uint8_t At(std::uint64_t position) const { return ring_[position & (kRing - 1)]; }

    // A position as the chains keep it: its low 32 bits plus one, so 0 means empty. A mark is only ever
    // taken as a distance back from the current position (at most the window), and every match is
    // checked byte by byte against the history, so the wrap after 4 GiB changes nothing.
    static std::uint32_t Mark(std::uint64_t position) { return static_cast<std::uint32_t>(position + 1); }

    std::size_t Hash(std::uint64_t position) const
    {
        return ((static_cast<std::size_t>(At(position)) << 10) ^ (static_cast<std::size_t>(At(position + 1)) << 5) ^
                At(position + 2)) &
               ((std::size_t{1} << kHashBits) - 1);
    }

    // Enters every position before `limit` whose three bytes are known (below `end`) into the chains.
    void CatchUp(std::uint64_t limit, std::uint64_t end)
    {
        for (; hashed_ < limit && hashed_ + 2 < end; ++hashed_) {
            const std::size_t h = Hash(hashed_);
            prev_[hashed_ & (kWindow - 1)] = head_[h];
            head_[h] = Mark(hashed_);
        }
    }

    // The longest earlier match for `current`, walking the hash chain newest first.
    std::size_t FindMatch(std::uint64_t current, std::uint64_t end, std::size_t &distance) const
    {
        const std::size_t limit = static_cast<std::size_t>(std::min<std::uint64_t>(kMaxMatch, end - current));
        std::size_t best = 0;
        std::uint32_t mark = head_[Hash(current)];
        std::uint32_t previousDistance = 0;
        for (std::size_t tries = 0; mark != 0 && tries < kMaxChain; ++tries) {
            // Chains run from newer to older; anything else is a slot reused since.
            const std::uint32_t back = Mark(current) - mark;
            if (back == 0 || back > kWindow || back <= previousDistance)
                break;
            previousDistance = back;
            const std::uint64_t candidate = current - back;
            std::size_t length = 0;
            while (length < limit && At(candidate + length) == At(current + length))
                ++length;
            if (length > best) {
                best = length;
                distance = static_cast<std::size_t>(current - candidate);
                if (length == limit)
                    break;
            }
            mark = prev_[candidate & (kWindow - 1)];
        }
        return best;
    }

    void PutMatch(std::size_t length, std::size_t distance)
    {
        if (length == kMaxMatch) {
            bits_.Put(kLiteralCodes[285]);
        } else {
            const std::uint32_t x = static_cast<std::uint32_t>(length - kMinMatch);
            if (x < 8) {
                bits_.Put(kLiteralCodes[257 + x]);
            } else {
                const unsigned extra = TopBit(x) - 2;
                const std::uint32_t step = (x >> extra) & 3;
                bits_.Put(kLiteralCodes[257 + 4 * (extra + 1) + step]);
                bits_.Put(x - ((4 + step) << extra), extra);
            }
        }
        const std::uint32_t d = static_cast<std::uint32_t>(distance - 1);
        if (d < 4) {
            bits_.Put(Reverse(d, 5), 5);
        } else {
            const unsigned extra = TopBit(d) - 1;
            const std::uint32_t half = (d >> extra) & 1;
            bits_.Put(Reverse(2 * (extra + 1) + half, 5), 5);
            bits_.Put(d - ((2 + half) << extra), extra);
        }
    }

    // Appends `chunk` (at most kChunk bytes) to the history and, when `emit` is set, codes it.
    void Feed(ByteView chunk, bool emit)
    {
        for (std::size_t i = 0; i < chunk.size(); ++i)
            ring_[(position_ + i) & (kRing - 1)] = chunk[i];
        const std::uint64_t end = position_ + chunk.size();
        std::uint64_t current = position_;
        while (emit && current < end) {
            CatchUp(current, end);
            std::size_t distance = 0;
            const std::size_t length = current + kMinMatch <= end ? FindMatch(current, end, distance) : 0;
            if (length >= kMinMatch) {
                PutMatch(length, distance);
                current += length;
            } else {
                bits_.Put(kLiteralCodes[At(current)]);
                ++current;
            }
        }
        CatchUp(end, end);
        position_ = end;
    }

    BitWriter bits_;
    std::unique_ptr<std::uint8_t[]> ring_;
    std::unique_ptr<std::uint32_t[]> head_;  // per hash: the mark of its newest position, or 0
    std::unique_ptr<std::uint32_t[]> prev_;  // per position (mod the window): the mark of the previous one of its chain
    std::uint64_t position_ = 0;       // stream position of the next input byte
    std::uint64_t hashed_ = 0;         // first position not yet entered into the chains
    bool started_ = false;
    bool disabled_ = false;
};

}  // namespace

std::unique_ptr<Compressor> CreateDeflateCompressor()
{
    return std::make_unique<DeflateCompressor>();
}

}  // namespace qs::ssh
