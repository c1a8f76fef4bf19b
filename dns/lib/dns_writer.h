// A bounded writer into a message buffer: every put checks the room left before it writes, and writes
// nothing when it fails.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

namespace qs {

class DnsWriter {
public:
    explicit DnsWriter(std::span<std::uint8_t> buffer) : buffer_(buffer) {}

    [[nodiscard]] bool U8(std::uint8_t value);
    [[nodiscard]] bool U16(std::uint16_t value);
    [[nodiscard]] bool U32(std::uint32_t value);
    [[nodiscard]] bool Bytes(std::span<const std::uint8_t> bytes);
    // Overwrites a 16-bit field already written (a count, a length).
    [[nodiscard]] bool PatchU16(std::size_t position, std::uint16_t value);

    std::size_t Length() const { return pos_; }
    std::size_t Remaining() const { return buffer_.size() - pos_; }
    std::span<const std::uint8_t> Written() const { return buffer_.first(pos_); }

private:
    std::span<std::uint8_t> buffer_;
    std::size_t pos_ = 0;
};

}  // namespace qs
