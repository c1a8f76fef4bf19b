// Internal to qsbase: Gregorian calendar arithmetic shared by the clock and the date formatting.
#pragma once

namespace qsbase {

constexpr bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

// 0 for a month outside 1-12.
constexpr int DaysInMonth(int year, int month)
{
    constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    return kDays[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
}

constexpr bool IsValidDate(int year, int month, int day)
{
    return year >= 1 && day >= 1 && day <= DaysInMonth(year, month);
}

// 0 = Sunday, for any valid date of the proleptic Gregorian calendar (Sakamoto's method).
constexpr int DayOfWeek(int year, int month, int day)
{
    constexpr int kOffsets[12] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    if (month < 3)
        year -= 1;
    return (year + year / 4 - year / 100 + year / 400 + kOffsets[month - 1] + day) % 7;
}

}  // namespace qsbase
