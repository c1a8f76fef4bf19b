#include "core/net/dotted_address.h"

#include <cstddef>

namespace qs {
namespace {

constexpr int kMaxParts = 4;

// Reads one decimal or 0x-hexadecimal number at `text`, advancing past it. False when the value leaves
// 32 bits.
bool ReadPart(const char *&text, std::uint32_t *value)
{
    unsigned base = 10;
    if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text += 2;
    }
    std::uint64_t accumulated = 0;
    for (;; ++text) {
        char c = *text;
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<unsigned>(c - '0');
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = static_cast<unsigned>(c - 'a' + 10);
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = static_cast<unsigned>(c - 'A' + 10);
        else
            break;
        accumulated = accumulated * base + digit;
        if (accumulated > 0xFFFFFFFFu)
            return false;
    }
    // A part without digits reads as 0, so the empty text is the address 0.
    *value = static_cast<std::uint32_t>(accumulated);
    return true;
}

bool IsEndOfAddress(char c) { return c == '\0' || c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::uint32_t ToNetworkOrder(std::uint32_t host)
{
    return ((host & 0xFF) << 24) | ((host & 0xFF00) << 8) | ((host >> 8) & 0xFF00) | (host >> 24);
}

}  // namespace

std::uint32_t ParseDottedAddress(const char *text)
{
    constexpr std::uint32_t kNone = 0xFFFFFFFFu;
    if (text == nullptr)
        return kNone;
    std::uint32_t parts[kMaxParts];
    std::size_t stored = 0;
    std::uint32_t last = 0;
    for (;;) {
        if (!ReadPart(text, &last))
            return kNone;
        if (*text != '.' && *text != ':')
            break;
        if (stored == kMaxParts - 1 || last > 255)
            return kNone;
        parts[stored++] = last;
        ++text;
    }
    if (!IsEndOfAddress(*text))
        return kNone;
    static constexpr std::uint32_t kLastPartMax[kMaxParts] = {0xFFFFFFFFu, 0xFFFFFFu, 0xFFFFu, 0xFFu};
    if (last > kLastPartMax[stored])
        return kNone;
    std::uint32_t address = last;
    for (std::size_t i = 0; i < stored; ++i)
        address |= parts[i] << (8 * (3 - i));
    return ToNetworkOrder(address);
}

}  // namespace qs
