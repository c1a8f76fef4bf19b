// The character sets a slot can hold and how a stored cell reads as a Unicode character.
#pragma once
#include <cstdint>

#include "terminal/lib/terminal_types.h"

namespace qs::term {

enum Charset : std::uint8_t { kCharsetAscii = 0, kCharsetUk = 1, kCharsetDecGraphics = 2 };

// The rendition bits that mark characters stored from a slot holding `set`.
constexpr AttributeWord CharsetBits(Charset set)
{
    return set == kCharsetDecGraphics ? kAttrDecGraphics : set == kCharsetUk ? kAttrUkCharset : 0;
}

// The character a cell shows: DEC special graphics as box drawing, the UK "#" as the pound sign, other
// bytes as Latin-1.
char32_t CellCodePoint(const ScreenCell &cell);

}  // namespace qs::term
