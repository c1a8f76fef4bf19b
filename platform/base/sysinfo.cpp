// The operating-system version and the computer's name.
#include "platform/base/sysinfo.h"

#include <sys/utsname.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>

#include "platform/base/errors.h"
#include "platform/base/thread.h"

namespace {

constexpr std::size_t kMaxHostName = 256;

// Reads up to `count` dot-separated decimal numbers from the start of `text`; returns how many.
int ReadVersion(const char *text, DWORD *parts, int count)
{
    int read = 0;
    const char *p = text;
    while (read < count && *p >= '0' && *p <= '9') {
        unsigned long value = 0;
        while (*p >= '0' && *p <= '9') {
            value = value * 10 + static_cast<unsigned long>(*p - '0');
            if (value > UINT_MAX)
                return read;
            ++p;
        }
        parts[read++] = static_cast<DWORD>(value);
        if (*p != '.')
            break;
        ++p;
    }
    return read;
}

}  // namespace

BOOL GetVersionExA(OSVERSIONINFOA *info)
{
    if (info == nullptr || info->dwOSVersionInfoSize < sizeof(OSVERSIONINFOA)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    DWORD parts[3] = {0, 0, 0};
    const char *override = std::getenv("QS_OSVERSION");
    DWORD wanted[2] = {0, 0};
    if (override != nullptr && ReadVersion(override, wanted, 2) == 2) {
        parts[0] = wanted[0];
        parts[1] = wanted[1];
    } else {
        utsname name{};
        if (uname(&name) == 0)
            ReadVersion(name.release, parts, 3);
    }
    info->dwMajorVersion = parts[0];
    info->dwMinorVersion = parts[1];
    info->dwBuildNumber = parts[2];
    info->dwPlatformId = VER_PLATFORM_WIN32_NT;
    std::memset(info->szCSDVersion, 0, sizeof info->szCSDVersion);
    return TRUE;
}

BOOL GetComputerNameA(char *buffer, DWORD *size)
{
    if (size == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    char host[kMaxHostName] = {};
    if (gethostname(host, sizeof host - 1) != 0)
        host[0] = '\0';
    // The platform's computer name is the host's own name, without the domain.
    std::size_t length = std::strcspn(host, ".");
    host[length] = '\0';
    if (buffer == nullptr || *size < length + 1) {
        *size = static_cast<DWORD>(length + 1);
        SetLastError(ERROR_BUFFER_OVERFLOW);
        return FALSE;
    }
    std::memcpy(buffer, host, length + 1);
    *size = static_cast<DWORD>(length);
    return TRUE;
}
