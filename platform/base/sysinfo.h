// Operating-system version and the local computer.
#pragma once
#include "platform/base/types.h"

inline constexpr DWORD VER_PLATFORM_WIN32_NT = 2;

struct OSVERSIONINFOA {
    DWORD dwOSVersionInfoSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    char szCSDVersion[128];
};
// Reports the kernel's version, platform identifier 2. QS_OSVERSION="major.minor" overrides it (tests).
BOOL GetVersionExA(OSVERSIONINFOA *info);
BOOL GetComputerNameA(char *buffer, DWORD *size);
