// Internal to qsbase: date and time pictures in the platform's notation ("dddd, d MMMM yyyy",
// "hh:mm:ss tt"), held as fields and literal runs. A picture comes from a caller or is translated from
// the C library's strftime formats of a locale, and is rendered with that locale's names.
//
// Date fields: d dd (day), ddd dddd (abbreviated and full day name), M MM (month), MMM MMMM (month
// names), y yy (year in the century), yyyy (full year), g gg (era: renders empty, the Gregorian
// calendar has none here). Time fields: h hh (12-hour), H HH (24-hour), m mm, s ss, t (first
// character of the AM/PM marker), tt (whole marker). 'quoted text' is literal, '' a single quote; every
// other character is literal.
#pragma once
#include <locale.h>

#include <string>
#include <string_view>
#include <vector>

#include "platform/base/clock.h"

namespace qsbase {

inline constexpr std::size_t kMaxPictureLength = 256;  // longest picture a caller may pass

struct PictureItem {
    char field;        // 0 for literal text, else the field letter
    int count;         // how often the letter repeats
    std::string text;  // the literal
};
using Picture = std::vector<PictureItem>;

inline constexpr std::string_view kDateFields = "dMyg";
inline constexpr std::string_view kTimeFields = "hHmst";

// Letters outside `fields` are literal. False for a picture longer than kMaxPictureLength.
bool ParsePicture(std::string_view text, std::string_view fields, Picture *picture);
// A locale's strftime format (D_FMT, T_FMT) as a picture; conversions without a picture field are dropped.
Picture PictureFromStrftime(std::string_view format, locale_t locale);
// Removes every `field` with the separator that ties it to the field before it (or, when it comes
// first, to the field after it): "hh:mm:ss tt" without 's' is "hh:mm tt".
void RemoveField(Picture *picture, char field);
// Turns 12-hour fields into 24-hour ones.
void Force24Hour(Picture *picture);
// Fields of `t` (the day of the week is computed, not read); names come from `names`. Only the fields
// the picture has are read, and those must be valid: a time's date fields may be anything.
std::string RenderPicture(const Picture &picture, const SYSTEMTIME &t, locale_t names);

}  // namespace qsbase
