// Calendar records, process privileges and the system clock.
#pragma once
#include "platform/base/types.h"

struct SYSTEMTIME {
    WORD wYear;
    WORD wMonth;      // 1-12
    WORD wDayOfWeek;  // 0 = Sunday
    WORD wDay;
    WORD wHour;
    WORD wMinute;
    WORD wSecond;
    WORD wMilliseconds;
};

// Calendar fields from the C library's broken-down time.
struct tm;
void SystemTimeFromTm(const struct tm &fields, WORD milliseconds, SYSTEMTIME *out);

void GetSystemTime(SYSTEMTIME *utc);
void GetLocalTime(SYSTEMTIME *local);
// Sets the machine's clock (needs CAP_SYS_TIME; ERROR_PRIVILEGE_NOT_HELD without it). When
// QS_CLOCK_RECORD names a file, the request is appended there as "YYYY-MM-DD HH:MM:SS.mmm" and a line
// end instead, so tests never move the real clock. Fields outside the calendar (month 13, 29 February
// of a common year, hour 24, years outside 1601-30827) fail with ERROR_INVALID_PARAMETER.
BOOL SetSystemTime(const SYSTEMTIME *utc);

// Privileges of the process, in the platform's shape. The only privilege known is
// "SeSystemtimePrivilege", which stands for CAP_SYS_TIME: enabling succeeds when that capability is
// permitted (it is raised into the effective set), otherwise the last error is ERROR_NOT_ALL_ASSIGNED.
// As on the platform AdjustTokenPrivileges then still returns TRUE: the last error (0 or 1300) tells.
// Capabilities belong to a thread on Linux, so the calling thread gains the privilege.
struct QsToken;
using HANDLE = void *;
inline constexpr DWORD TOKEN_ADJUST_PRIVILEGES = 0x0020;
inline constexpr DWORD TOKEN_QUERY = 0x0008;
inline constexpr DWORD SE_PRIVILEGE_ENABLED = 0x0002;
inline constexpr DWORD ERROR_NOT_ALL_ASSIGNED = 1300;
inline constexpr DWORD ERROR_NO_SUCH_PRIVILEGE = 1313;

struct LUID {
    DWORD LowPart;
    LONG HighPart;
};
struct LUID_AND_ATTRIBUTES {
    LUID Luid;
    DWORD Attributes;
};
struct TOKEN_PRIVILEGES {
    DWORD PrivilegeCount;
    LUID_AND_ATTRIBUTES Privileges[1];
};

HANDLE GetCurrentProcess(void);
BOOL OpenProcessToken(HANDLE process, DWORD access, HANDLE *token);
BOOL LookupPrivilegeValueA(const char *system, const char *name, LUID *luid);
BOOL AdjustTokenPrivileges(HANDLE token, BOOL disableAll, const TOKEN_PRIVILEGES *state, DWORD size,
                           TOKEN_PRIVILEGES *previous, DWORD *returned);
BOOL CloseHandle(HANDLE handle);
