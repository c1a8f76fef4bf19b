// Splits a fuzzer input into packets: a 2-byte little-endian length, then that many bytes (or the rest).
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

namespace qs::ssh::fuzz {

template <typename Each>
void ForEachPacket(const std::uint8_t *data, std::size_t size, Each each)
{
    std::span<const std::uint8_t> rest(data, size);
    while (rest.size() >= 2) {
        const std::size_t length = std::min<std::size_t>(rest[0] | rest[1] << 8, rest.size() - 2);
        if (!each(rest.subspan(2, length)))
            return;
        rest = rest.subspan(2 + length);
    }
}

}  // namespace qs::ssh::fuzz
