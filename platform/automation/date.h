// The platform's date value: days since 1899-12-30 00:00 as a double, the fraction being the time of
// day (also for negative values: -1.25 is 1899-12-29 06:00). Valid from year 100 to 9999.
//
// Text forms. The user's locale is the one the environment names for LC_TIME (LC_ALL, LC_TIME, LANG):
//   - where that is the C locale (or is not installed), one fixed format: "2024-01-02 15:04:05";
//   - otherwise the locale's date format (D_FMT) and time format (T_FMT) of the C library.
// A date whose time is midnight shows only the date; a time on day 0 (1899-12-30) shows only the time.
// Reading text accepts the fixed forms ("YYYY-MM-DD", "YYYY-MM-DD HH:MM[:SS]", 'T' instead of the
// space, "HH:MM[:SS]") in every locale, and the locale's own forms where a locale is in force.
#pragma once
#include <string>
#include <string_view>
#include "platform/automation/variant.h"
#include "platform/base/clock.h"

inline constexpr DATE kMinDate = -657434.0;        // 0100-01-01
inline constexpr DATE kMaxDate = 2958465.99999999;  // 9999-12-31 23:59:59

// Rounded to the second; milliseconds are not kept. FALSE outside the valid range or for invalid fields.
int SystemTimeToVariantTime(const SYSTEMTIME *time, DATE *date);
int VariantTimeToSystemTime(DATE date, SYSTEMTIME *time);

namespace qs::automation {

// Text of a date in the user's locale; false outside the valid range.
bool FormatDate(DATE date, std::string *text);
// DISP_E_TYPEMISMATCH for text that is no date in the valid range.
HRESULT ParseDate(std::string_view text, DATE *date);

}  // namespace qs::automation
