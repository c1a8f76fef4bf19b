// Thread identity, the per-thread last error, the tick count, sleeping and critical sections.
#include "platform/base/thread.h"

#include <sched.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>

namespace {

thread_local DWORD t_lastError = 0;

}  // namespace

DWORD GetCurrentThreadId(void)
{
    // Not cached: a forked child's thread has a new id.
    return static_cast<DWORD>(syscall(SYS_gettid));
}

DWORD GetCurrentProcessId(void)
{
    return static_cast<DWORD>(getpid());
}

DWORD GetTickCount(void)
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    std::uint64_t ms = static_cast<std::uint64_t>(ts.tv_sec) * 1000u + static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
    return static_cast<DWORD>(ms);  // wraps at 2^32 as the platform's count does
}

void Sleep(DWORD ms)
{
    if (ms == 0) {
        sched_yield();
        return;
    }
    timespec left{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

DWORD GetLastError(void)
{
    return t_lastError;
}

void SetLastError(DWORD code)
{
    t_lastError = code;
}

void InitializeCriticalSection(CRITICAL_SECTION *cs)
{
    cs->impl = new std::recursive_mutex;
}

void DeleteCriticalSection(CRITICAL_SECTION *cs)
{
    delete static_cast<std::recursive_mutex *>(cs->impl);
    cs->impl = nullptr;
}

void EnterCriticalSection(CRITICAL_SECTION *cs)
{
    static_cast<std::recursive_mutex *>(cs->impl)->lock();
}

void LeaveCriticalSection(CRITICAL_SECTION *cs)
{
    static_cast<std::recursive_mutex *>(cs->impl)->unlock();
}
