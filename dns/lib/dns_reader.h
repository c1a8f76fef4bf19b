// A bounded reader over a received message: every getter checks what is left before the cursor moves,
// and consumes nothing when it fails. A reader can be narrowed to a part of the message (a record's data)
// while names inside that part still follow compression pointers into the whole message.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

namespace qs {

class DnsReader {
public:
    DnsReader() = default;
    explicit DnsReader(std::span<const std::uint8_t> message)
        : message_(message), end_(message.size()) {}

    [[nodiscard]] bool U8(std::uint8_t *value);
    [[nodiscard]] bool U16(std::uint16_t *value);
    [[nodiscard]] bool U32(std::uint32_t *value);
    [[nodiscard]] bool Bytes(std::size_t count, std::span<const std::uint8_t> *bytes);
    [[nodiscard]] bool Skip(std::size_t count);
    // A character string: one length octet and that many octets.
    [[nodiscard]] bool CharacterString(std::span<const std::uint8_t> *bytes);
    // Expands the name at the cursor into `out` (zero-ended) and moves past its octets here.
    [[nodiscard]] bool Name(char *out, std::size_t capacity);
    [[nodiscard]] bool SkipName();
    // Narrows the next `count` octets into `part` and moves past them.
    [[nodiscard]] bool Take(std::size_t count, DnsReader *part);

    bool AtEnd() const { return pos_ == end_; }
    std::size_t Position() const { return pos_; }
    std::size_t Remaining() const { return end_ - pos_; }
    std::span<const std::uint8_t> Message() const { return message_; }

private:
    DnsReader(std::span<const std::uint8_t> message, std::size_t pos, std::size_t end)
        : message_(message), pos_(pos), end_(end) {}

    std::span<const std::uint8_t> message_;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
};

}  // namespace qs
