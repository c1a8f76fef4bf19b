// Calendar records and the system clock.
#include "platform/base/clock.h"

#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/base/calendar.h"
#include "platform/base/errors.h"
#include "platform/base/thread.h"

namespace {

// The platform's range: years 1601 to 30827, every field inside its calendar bounds.
bool IsValid(const SYSTEMTIME &t)
{
    return t.wYear >= 1601 && t.wYear <= 30827 && qsbase::IsValidDate(t.wYear, t.wMonth, t.wDay) && t.wHour < 24 &&
           t.wMinute < 60 && t.wSecond < 60 && t.wMilliseconds < 1000;
}

BOOL Record(const char *path, const SYSTEMTIME &t)
{
    char line[64];
    int n = std::snprintf(line, sizeof line, "%04u-%02u-%02u %02u:%02u:%02u.%03u\n", t.wYear, t.wMonth, t.wDay,
                          t.wHour, t.wMinute, t.wSecond, t.wMilliseconds);
    int fd = open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    bool ok = write(fd, line, static_cast<std::size_t>(n)) == n;
    close(fd);
    if (!ok) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return TRUE;
}

}  // namespace

void SystemTimeFromTm(const struct tm &fields, WORD milliseconds, SYSTEMTIME *out)
{
    out->wYear = static_cast<WORD>(fields.tm_year + 1900);
    out->wMonth = static_cast<WORD>(fields.tm_mon + 1);
    out->wDayOfWeek = static_cast<WORD>(fields.tm_wday);
    out->wDay = static_cast<WORD>(fields.tm_mday);
    out->wHour = static_cast<WORD>(fields.tm_hour);
    out->wMinute = static_cast<WORD>(fields.tm_min);
    out->wSecond = static_cast<WORD>(fields.tm_sec);
    out->wMilliseconds = milliseconds;
}

void GetSystemTime(SYSTEMTIME *utc)
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm fields{};
    gmtime_r(&now.tv_sec, &fields);
    SystemTimeFromTm(fields, static_cast<WORD>(now.tv_nsec / 1000000L), utc);
}

void GetLocalTime(SYSTEMTIME *local)
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm fields{};
    localtime_r(&now.tv_sec, &fields);
    SystemTimeFromTm(fields, static_cast<WORD>(now.tv_nsec / 1000000L), local);
}

BOOL SetSystemTime(const SYSTEMTIME *utc)
{
    if (utc == nullptr || !IsValid(*utc)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (const char *record = std::getenv("QS_CLOCK_RECORD"); record != nullptr && record[0] != '\0')
        return Record(record, *utc);
    tm fields{};
    fields.tm_year = utc->wYear - 1900;
    fields.tm_mon = utc->wMonth - 1;
    fields.tm_mday = utc->wDay;
    fields.tm_hour = utc->wHour;
    fields.tm_min = utc->wMinute;
    fields.tm_sec = utc->wSecond;
    timespec when{timegm(&fields), static_cast<long>(utc->wMilliseconds) * 1000000L};
    if (clock_settime(CLOCK_REALTIME, &when) != 0) {
        SetLastError(ERROR_PRIVILEGE_NOT_HELD);
        return FALSE;
    }
    return TRUE;
}
