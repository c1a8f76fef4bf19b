// Date and time texts in the user's locale, in the platform's shape.
//
// The user's locale is the one the environment names for LC_TIME (LC_ALL, then LC_TIME, then LANG),
// read at each call. Where it names a locale the C library has, its formats are used:
//   - short date: the locale's date format (D_FMT), e.g. "02.01.2024" (de_DE), "01/02/2024" (en_US);
//   - long date: the day name, the day, the month name and the year in the short date's order:
//     day first "dddd, d MMMM yyyy" ("dddd, d. MMMM yyyy" where the short date separates with '.'),
//     month first "dddd, MMMM d, yyyy", year first "dddd, yyyy MMMM d"; names are the locale's;
//   - time: the locale's time format (T_FMT), e.g. "15:04:05" (de_DE), "03:04:05 PM" (en_US).
// Where the C/POSIX locale is in force (also when the variables are unset, or name a locale that is
// not installed) and for LOCALE_INVARIANT, one fixed format:
//   short date "yyyy-MM-dd" (2024-01-02), long date "dddd, d MMMM yyyy" (Tuesday, 2 January 2024),
//   time "HH:mm:ss" (15:04:05, 24-hour).
// Texts are UTF-8, the system code page.
#pragma once
#include "platform/base/clock.h"
#include "platform/base/types.h"

using LCID = DWORD;
inline constexpr LCID LOCALE_NEUTRAL = 0x0000;  // as on the platform: the user's default
inline constexpr LCID LOCALE_INVARIANT = 0x007F;
inline constexpr LCID LOCALE_USER_DEFAULT = 0x0400;
inline constexpr LCID LOCALE_SYSTEM_DEFAULT = 0x0800;  // the same locale as the user's here

inline constexpr DWORD LOCALE_NOUSEROVERRIDE = 0x80000000;  // accepted; there are no user overrides
inline constexpr DWORD LOCALE_USE_CP_ACP = 0x40000000;      // accepted; the code page is UTF-8 anyway
inline constexpr DWORD DATE_SHORTDATE = 0x0001;
inline constexpr DWORD DATE_LONGDATE = 0x0002;
inline constexpr DWORD TIME_NOMINUTESORSECONDS = 0x0001;
inline constexpr DWORD TIME_NOSECONDS = 0x0002;
inline constexpr DWORD TIME_NOTIMEMARKER = 0x0004;
inline constexpr DWORD TIME_FORCE24HOURFORMAT = 0x0008;  // the AM/PM marker stays unless also dropped

// Formats `date` (null: the current local time) with `format`, a picture in the platform's notation:
// d dd (day), ddd dddd (day names), M MM (month), MMM MMMM (month names), y yy yyyy (year), g gg (era,
// empty here), 'quoted' literal text ('' is a quote), any other character literal. A null `format`
// means the locale's short date, or its long date with DATE_LONGDATE; a picture comes with neither
// flag. The day of the week is computed; the time fields are not looked at. Returns the characters
// written including the terminating zero; with `size` 0 the size needed, nothing written. Failures
// return 0 with the last error: ERROR_INSUFFICIENT_BUFFER (nothing written), ERROR_INVALID_FLAGS,
// ERROR_INVALID_PARAMETER (an unknown locale, an impossible date, a picture over 256 characters, a
// null buffer with a size, a negative size).
int GetDateFormatA(LCID locale, DWORD flags, const SYSTEMTIME *date, const char *format, char *buffer, int size);
// The same for the time of day, with the picture fields h hh (12-hour), H HH (24-hour), m mm, s ss,
// t tt (the marker's first character, the whole AM/PM marker); the TIME_ flags also apply to a
// caller's picture, and drop a field together with the separator before it. Impossible time
// fields (hour 24, minute 60, ...) are ERROR_INVALID_PARAMETER; the date fields are not looked at.
int GetTimeFormatA(LCID locale, DWORD flags, const SYSTEMTIME *time, const char *format, char *buffer, int size);
