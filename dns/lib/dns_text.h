// A text built into a caller's buffer: always zero-ended, cut at the capacity, and ended for good at the
// first zero octet appended (record data copied unchanged stops there).
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace qs {

class DnsText {
public:
    // `capacity` counts the terminator and must be at least 1.
    DnsText(char *out, std::size_t capacity);

    void Append(std::string_view text);
    void Append(std::span<const std::uint8_t> octets);
    void AppendNumber(std::uint32_t value);

    std::size_t Length() const { return length_; }
    // True once the capacity or a zero octet has ended the text.
    bool Ended() const { return ended_; }

private:
    void Put(char c);

    char *out_;
    std::size_t capacity_;
    std::size_t length_ = 0;
    bool ended_ = false;
};

}  // namespace qs
