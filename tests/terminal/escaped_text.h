// Byte streams written as text: \e ESC, \r, \n, \t, \b, \a, \xHH, \\ and \" stand for their bytes; every
// other character is itself.
#pragma once
#include <string>
#include <string_view>

namespace qs::term::testing {

// False (with the offending offset in *where) for a malformed escape.
bool DecodeEscaped(std::string_view text, std::string *bytes, std::size_t *where);

}  // namespace qs::term::testing
