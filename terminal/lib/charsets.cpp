#include "terminal/lib/charsets.h"

namespace qs::term {
namespace {

constexpr std::uint8_t kFirstGraphic = 0x5F;
// DEC special graphics for 0x5F ... 0x7E.
constexpr char32_t kDecGraphics[] = {
    0x00A0,                                                          // 0x5F blank
    0x25C6, 0x2592, 0x2409, 0x240C, 0x240D, 0x240A, 0x00B0, 0x00B1,  // 0x60 diamond ... plus/minus
    0x2424, 0x240B, 0x2518, 0x2510, 0x250C, 0x2514, 0x253C, 0x23BA,  // 0x68 NL ... scan 1
    0x23BB, 0x2500, 0x23BC, 0x23BD, 0x251C, 0x2524, 0x2534, 0x252C,  // 0x70 scan 3 ... top tee
    0x2502, 0x2264, 0x2265, 0x03C0, 0x2260, 0x00A3, 0x00B7,          // 0x78 vertical ... centred dot
};

}  // namespace

char32_t CellCodePoint(const ScreenCell &cell)
{
    const std::uint8_t byte = static_cast<std::uint8_t>(cell.character);
    if ((cell.attributes & kAttrDecGraphics) && byte >= kFirstGraphic && byte <= 0x7E)
        return kDecGraphics[byte - kFirstGraphic];
    if ((cell.attributes & kAttrUkCharset) && byte == '#')
        return 0x00A3;
    return byte;
}

}  // namespace qs::term
