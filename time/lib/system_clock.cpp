// Setting the computer's clock, with the privilege that allows it raised only for the change.
#include "platform/base/sysinfo.h"
#include "platform/base/thread.h"
#include "platform/base/window.h"
#include "time/lib/time_library.h"

namespace qs {
namespace {

constexpr const char *kSystemTimePrivilege = "SeSystemtimePrivilege";

// Read once: privileges exist only on the NT family.
bool IsNtPlatform()
{
    static const bool nt = [] {
        OSVERSIONINFOA version{};
        version.dwOSVersionInfoSize = sizeof version;
        return GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT;
    }();
    return nt;
}

}  // namespace

int EnablePrivilege(const char *name, DWORD attributes)
{
    if (!IsNtPlatform())
        return 1;
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        return 0;
    TOKEN_PRIVILEGES privileges{};
    if (!LookupPrivilegeValueA(nullptr, name, &privileges.Privileges[0].Luid)) {
        CloseHandle(token);
        return 0;
    }
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = attributes;
    SetLastError(0);
    // A partial assignment succeeds as a call but leaves ERROR_NOT_ALL_ASSIGNED.
    int result = AdjustTokenPrivileges(token, FALSE, &privileges, sizeof privileges, nullptr, nullptr) &&
                         GetLastError() == 0
                     ? 1
                     : 0;
    CloseHandle(token);
    return result;
}

int SetSystemClock(NetworkTime time)
{
    SYSTEMTIME utc;
    if (time == 0 || !NetworkTimeToCalendar(time, &utc, false))
        return 0;
    if (!EnablePrivilege(kSystemTimePrivilege, SE_PRIVILEGE_ENABLED))
        return 0;
    const bool set = SetSystemTime(&utc) != 0;
    const bool disabled = EnablePrivilege(kSystemTimePrivilege, 0) != 0;
    if (!set || !disabled)
        return 0;
    BroadcastMessage(WM_TIMECHANGE, 0, 0);
    return 1;
}

}  // namespace qs
