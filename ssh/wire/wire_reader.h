// Reads the SSH wire types (RFC 4251 section 5) from a received buffer. Each getter checks the length
// against what remains before the cursor moves, and leaves the cursor where it was when it fails.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace qs::ssh {

using ByteView = std::span<const std::uint8_t>;

// Integers above 16384 bits (plus the sign byte) are refused.
inline constexpr std::size_t kMaxMpintBytes = 16384 / 8 + 1;
// Name-lists above this are refused; real algorithm lists stay far below it.
inline constexpr std::size_t kMaxNameListBytes = 16384;

class WireReader {
public:
    explicit WireReader(ByteView data) : data_(data) {}

    [[nodiscard]] bool U8(std::uint8_t &out);
    [[nodiscard]] bool U32(std::uint32_t &out);
    // Any non-zero byte is true.
    [[nodiscard]] bool Bool(bool &out);
    [[nodiscard]] bool Bytes(std::size_t count, ByteView &out);
    // uint32 length then bytes; a length above what remains fails.
    [[nodiscard]] bool String(ByteView &out);
    [[nodiscard]] bool Text(std::string_view &out);
    // A non-negative mpint; `magnitude` is its big-endian value without leading zero bytes (empty for 0).
    [[nodiscard]] bool Mpint(ByteView &magnitude);
    // A string of comma-separated, non-empty, printable US-ASCII names.
    [[nodiscard]] bool NameList(std::string_view &out);

    std::size_t Remaining() const { return data_.size() - pos_; }
    // True when every byte has been read: trailing bytes make a message malformed.
    [[nodiscard]] bool Finish() const { return pos_ == data_.size(); }

private:
    ByteView data_;
    std::size_t pos_ = 0;
};

}  // namespace qs::ssh
