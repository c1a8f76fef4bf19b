#include "dns/resolver/dns_platform.h"

#include "platform/base/sysinfo.h"

namespace qs {

bool DnsPlatformSupported()
{
    constexpr DWORD kMinimumMajor = 5;
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    return GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT &&
           version.dwMajorVersion >= kMinimumMajor;
}

}  // namespace qs
