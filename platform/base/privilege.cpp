// Process tokens and privileges. The one privilege known, "SeSystemtimePrivilege", stands for
// CAP_SYS_TIME: enabling raises it into the effective set when it is permitted. Capabilities belong
// to a thread on Linux, so the privilege is enabled for the calling thread.
#include <linux/capability.h>
#include <strings.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <mutex>
#include <unordered_set>

#include "platform/base/clock.h"
#include "platform/base/errors.h"
#include "platform/base/thread.h"

struct QsToken {
    DWORD access;
};

namespace {

// The platform's identifier of the system-time privilege.
constexpr DWORD kSystemtimeLuid = 12;
const HANDLE kCurrentProcess = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1));

std::mutex g_tokenLock;
std::unordered_set<QsToken *> &Tokens()
{
    static auto *tokens = new std::unordered_set<QsToken *>;
    return *tokens;
}

bool IsToken(HANDLE handle)
{
    std::lock_guard<std::mutex> hold(g_tokenLock);
    return Tokens().count(static_cast<QsToken *>(handle)) != 0;
}

struct Capabilities {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3]{};
};

// Raises or drops CAP_SYS_TIME in the calling thread's effective set; false when raising is not
// permitted. `wasOn` reports the state before.
bool SetSystemTimeCapability(bool enable, bool *wasOn)
{
    Capabilities caps;
    if (syscall(SYS_capget, &caps.header, caps.data) != 0)
        return false;
    constexpr unsigned word = CAP_SYS_TIME / 32;
    constexpr std::uint32_t bit = 1u << (CAP_SYS_TIME % 32);
    *wasOn = (caps.data[word].effective & bit) != 0;
    if (enable && (caps.data[word].permitted & bit) == 0)
        return false;
    if (enable)
        caps.data[word].effective |= bit;
    else
        caps.data[word].effective &= ~bit;
    return syscall(SYS_capset, &caps.header, caps.data) == 0;
}

}  // namespace

HANDLE GetCurrentProcess(void)
{
    return kCurrentProcess;
}

BOOL OpenProcessToken(HANDLE process, DWORD access, HANDLE *token)
{
    if (token == nullptr || process != kCurrentProcess) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    auto *created = new QsToken{access};
    std::lock_guard<std::mutex> hold(g_tokenLock);
    Tokens().insert(created);
    *token = created;
    return TRUE;
}

BOOL LookupPrivilegeValueA(const char *system, const char *name, LUID *luid)
{
    if (name == nullptr || luid == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if ((system != nullptr && system[0] != '\0') || strcasecmp(name, "SeSystemtimePrivilege") != 0) {
        SetLastError(ERROR_NO_SUCH_PRIVILEGE);
        return FALSE;
    }
    *luid = LUID{kSystemtimeLuid, 0};
    return TRUE;
}

BOOL AdjustTokenPrivileges(HANDLE token, BOOL disableAll, const TOKEN_PRIVILEGES *state, DWORD size,
                           TOKEN_PRIVILEGES *previous, DWORD *returned)
{
    if (!IsToken(token)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if ((static_cast<QsToken *>(token)->access & TOKEN_ADJUST_PRIVILEGES) == 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (!disableAll && state == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (previous != nullptr && size < sizeof(TOKEN_PRIVILEGES)) {
        if (returned != nullptr)
            *returned = sizeof(TOKEN_PRIVILEGES);
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    bool allAssigned = true;
    bool wasOn = false;
    bool touched = false;
    if (disableAll) {
        touched = SetSystemTimeCapability(false, &wasOn);
    } else {
        const LUID_AND_ATTRIBUTES *entries = state->Privileges;
        for (DWORD i = 0; i < state->PrivilegeCount; ++i) {
            const LUID_AND_ATTRIBUTES &entry = entries[i];
            if (entry.Luid.LowPart != kSystemtimeLuid || entry.Luid.HighPart != 0) {
                allAssigned = false;  // a privilege this token does not hold
                continue;
            }
            bool enable = (entry.Attributes & SE_PRIVILEGE_ENABLED) != 0;
            if (SetSystemTimeCapability(enable, &wasOn))
                touched = true;
            else
                allAssigned = false;
        }
    }
    if (previous != nullptr) {
        previous->PrivilegeCount = touched ? 1 : 0;
        previous->Privileges[0] = LUID_AND_ATTRIBUTES{LUID{kSystemtimeLuid, 0}, wasOn ? SE_PRIVILEGE_ENABLED : 0};
        if (returned != nullptr)
            *returned = sizeof(TOKEN_PRIVILEGES);
    }
    // As on the platform the call succeeds either way; the last error tells whether every
    // requested change was made.
    SetLastError(allAssigned ? 0 : ERROR_NOT_ALL_ASSIGNED);
    return TRUE;
}

BOOL CloseHandle(HANDLE handle)
{
    if (handle == kCurrentProcess)
        return TRUE;
    std::lock_guard<std::mutex> hold(g_tokenLock);
    auto it = Tokens().find(static_cast<QsToken *>(handle));
    if (it == Tokens().end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    delete *it;
    Tokens().erase(it);
    return TRUE;
}
