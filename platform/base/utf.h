// Internal to qsbase: conversions between UTF-8 (the system code page) and UTF-16.
#pragma once
#include <string>
#include <string_view>

namespace qsbase {

// Each ill-formed piece (a bad UTF-8 sequence, as much as forms a valid start; an unpaired surrogate)
// becomes one U+FFFD, so what follows it is never lost or shifted.
std::u16string Utf16FromUtf8(std::string_view text);
std::string Utf8FromUtf16(std::u16string_view text);

}  // namespace qsbase
