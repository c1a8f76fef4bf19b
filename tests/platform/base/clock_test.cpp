// The clock, the system-time privilege and the platform version.
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/base/clock.h"
#include "platform/base/errors.h"
#include "platform/base/sysinfo.h"
#include "platform/base/thread.h"

namespace {

std::string ReadFile(const std::string &path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(Clock, SettingTheClockIsRecordedWhenAsked)
{
    char path[] = "/tmp/qsbase-clock.XXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    setenv("QS_CLOCK_RECORD", path, 1);
    SYSTEMTIME first{2011, 10, 2, 11, 23, 23, 44, 5};
    SYSTEMTIME leapDay{2024, 2, 4, 29, 0, 0, 0, 999};
    EXPECT_TRUE(SetSystemTime(&first));
    EXPECT_TRUE(SetSystemTime(&leapDay));
    // Impossible fields are refused and leave no record.
    const SYSTEMTIME invalid[] = {
        {2011, 13, 0, 1, 0, 0, 0, 0}, {2011, 2, 0, 29, 0, 0, 0, 0}, {2011, 1, 0, 1, 24, 0, 0, 0},
        {2011, 1, 0, 1, 0, 60, 0, 0}, {2011, 1, 0, 0, 0, 0, 0, 0},  {1600, 1, 0, 1, 0, 0, 0, 0},
    };
    for (const SYSTEMTIME &t : invalid) {
        SetLastError(0);
        EXPECT_FALSE(SetSystemTime(&t));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    }
    EXPECT_EQ(ReadFile(path), "2011-10-11 23:23:44.005\n2024-02-29 00:00:00.999\n");
    unsetenv("QS_CLOCK_RECORD");
    std::remove(path);
}

TEST(Clock, SystemTimeIsUtc)
{
    std::time_t now = std::time(nullptr);
    SYSTEMTIME utc{};
    GetSystemTime(&utc);
    std::tm expected{};
    gmtime_r(&now, &expected);
    EXPECT_EQ(utc.wYear, expected.tm_year + 1900);
    EXPECT_EQ(utc.wDayOfWeek, expected.tm_wday);
    EXPECT_LT(utc.wMilliseconds, 1000);
}

bool SystemTimePermitted()
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3]{};
    syscall(SYS_capget, &header, data);
    return (data[CAP_SYS_TIME / 32].permitted & (1u << (CAP_SYS_TIME % 32))) != 0;
}

void DropSystemTimeFromPermitted()
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3]{};
    syscall(SYS_capget, &header, data);
    data[CAP_SYS_TIME / 32].permitted &= ~(1u << (CAP_SYS_TIME % 32));
    data[CAP_SYS_TIME / 32].effective &= ~(1u << (CAP_SYS_TIME % 32));
    syscall(SYS_capset, &header, data);
}

// The privilege sequence of the time client; returns the last error after enabling.
DWORD EnableSystemTime(DWORD attributes)
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        return 0xFFFFFFFF;
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = attributes;
    if (!LookupPrivilegeValueA(nullptr, "SeSystemtimePrivilege", &privileges.Privileges[0].Luid))
        return 0xFFFFFFFE;
    SetLastError(12345);
    BOOL ok = AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    DWORD error = GetLastError();
    CloseHandle(token);
    return ok ? error : 0xFFFFFFFD;
}

TEST(Privilege, SystemTimeFollowsTheCapability)
{
    DWORD expected = SystemTimePermitted() ? 0 : ERROR_NOT_ALL_ASSIGNED;
    EXPECT_EQ(EnableSystemTime(SE_PRIVILEGE_ENABLED), expected);
    EXPECT_EQ(EnableSystemTime(0), 0u);  // dropping always works

    // Without the capability permitted the privilege cannot be enabled.
    pid_t pid = fork();
    if (pid == 0) {
        DropSystemTimeFromPermitted();
        _exit(EnableSystemTime(SE_PRIVILEGE_ENABLED) == ERROR_NOT_ALL_ASSIGNED ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST(Privilege, TokenAndNameChecks)
{
    LUID luid{};
    EXPECT_FALSE(LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &luid));
    EXPECT_EQ(GetLastError(), ERROR_NO_SUCH_PRIVILEGE);
    EXPECT_TRUE(LookupPrivilegeValueA("", "sesystemtimeprivilege", &luid));

    HANDLE token = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
    TOKEN_PRIVILEGES privileges{1, {{luid, SE_PRIVILEGE_ENABLED}}};
    EXPECT_FALSE(AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(CloseHandle(token));
    EXPECT_FALSE(CloseHandle(token));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr));
}

TEST(Version, KernelVersionOrOverride)
{
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    unsetenv("QS_OSVERSION");
    ASSERT_TRUE(GetVersionExA(&info));
    utsname name{};
    uname(&name);
    EXPECT_EQ(info.dwMajorVersion, static_cast<DWORD>(std::atoi(name.release)));
    EXPECT_EQ(info.dwPlatformId, VER_PLATFORM_WIN32_NT);

    setenv("QS_OSVERSION", "4.10", 1);
    ASSERT_TRUE(GetVersionExA(&info));
    EXPECT_EQ(info.dwMajorVersion, 4u);
    EXPECT_EQ(info.dwMinorVersion, 10u);
    unsetenv("QS_OSVERSION");

    info.dwOSVersionInfoSize = sizeof info - 1;
    EXPECT_FALSE(GetVersionExA(&info));

    char computer[256];
    DWORD size = sizeof computer;
    ASSERT_TRUE(GetComputerNameA(computer, &size));
    EXPECT_EQ(size, std::strlen(computer));
    DWORD tooSmall = 0;
    EXPECT_FALSE(GetComputerNameA(computer, &tooSmall));
    EXPECT_EQ(tooSmall, size + 1);
}

}  // namespace
