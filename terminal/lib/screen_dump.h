// A screen as plain text: one line per row with the characters as stored (trailing blanks trimmed), a
// line "cursor COL ROW" (0-based; COL = columns while a wrap is pending) and, optionally, the attribute
// map: one line "attr ROW FIRST-LAST 0xWORD [fg #RRGGBB] [bg #RRGGBB]" per run of cells with a non-zero
// attribute word.
#pragma once
#include <string>

#include "terminal/lib/screen.h"

namespace qs::term {

std::string DumpScreen(const TerminalScreen &screen, bool attributes);

}  // namespace qs::term
