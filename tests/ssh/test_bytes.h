// Byte helpers for the SSH tests.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qs::ssh::test {

using Bytes = std::vector<std::uint8_t>;

inline Bytes FromHex(std::string_view hex)
{
    Bytes out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(static_cast<std::uint8_t>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
    return out;
}

inline std::string ToHex(const std::uint8_t *data, std::size_t size)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (std::size_t i = 0; i < size; ++i) {
        out += digits[data[i] >> 4];
        out += digits[data[i] & 15];
    }
    return out;
}

inline std::string ToHex(const Bytes &bytes)
{
    return ToHex(bytes.data(), bytes.size());
}

inline Bytes FromText(std::string_view text)
{
    return Bytes(text.begin(), text.end());
}

}  // namespace qs::ssh::test
