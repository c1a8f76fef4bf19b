// Network time to calendar fields and back. The arithmetic is the platform's 32-bit one: the value from
// 1970 is a signed 32-bit count, and the sums wrap modulo 2^32.
#include <ctime>

#include "time/lib/time_library.h"

namespace qs {

int NetworkTimeToCalendar(NetworkTime time, SYSTEMTIME *fields, bool local)
{
    if (fields == nullptr)
        return 0;
    const auto since1970 = static_cast<std::int32_t>(time - kEpochOffset);
    if (since1970 < 0)
        return 0;
    const std::time_t value = since1970;
    std::tm broken{};
    if ((local ? localtime_r(&value, &broken) : gmtime_r(&value, &broken)) == nullptr)
        return 0;
    SystemTimeFromTm(broken, 0, fields);
    return 1;
}

NetworkTime CalendarToNetworkTime(const SYSTEMTIME *fields)
{
    if (fields == nullptr)
        return 0;
    std::tm broken{};
    broken.tm_year = fields->wYear - 1900;
    broken.tm_mon = fields->wMonth - 1;
    broken.tm_mday = fields->wDay;
    broken.tm_hour = fields->wHour;
    broken.tm_min = fields->wMinute;
    broken.tm_sec = fields->wSecond;
    broken.tm_isdst = 0;
    const std::time_t value = std::mktime(&broken);
    // Outside the signed 32-bit range from 1970 the platform's conversion fails.
    if (value < 0 || value > 0x7FFFFFFF)
        return 0;
    return static_cast<NetworkTime>(value) + kEpochOffset;
}

}  // namespace qs
