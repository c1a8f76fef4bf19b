// Appends the SSH wire types to a buffer that may not grow past a cap. A write that would pass the cap
// writes nothing and makes the writer fail for good, so a message is either whole or reported.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "ssh/wire/wire_reader.h"

namespace qs::ssh {

class WireWriter {
public:
    WireWriter(std::vector<std::uint8_t> &out, std::size_t cap) : out_(out), cap_(cap) {}

    bool U8(std::uint8_t value);
    bool U32(std::uint32_t value);
    bool Bool(bool value);
    bool Bytes(ByteView bytes);
    bool String(ByteView bytes);
    bool String(std::string_view text);
    // `magnitude` is a big-endian non-negative value (leading zeros allowed); written in the minimal
    // two's-complement form with a 0 byte in front when the top bit is set.
    bool Mpint(ByteView magnitude);

    [[nodiscard]] bool Ok() const { return ok_; }

private:
    bool Reserve(std::size_t count);

    std::vector<std::uint8_t> &out_;
    std::size_t cap_;
    bool ok_ = true;
};

}  // namespace qs::ssh
