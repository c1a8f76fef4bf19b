#include "core/library/core_state.h"

#include <atomic>
#include <ctime>

#include "core/error/last_error.h"
#include "platform/base/thread.h"

namespace qs {
namespace {

constexpr std::int32_t kHandleBaseStart = 0x400;

std::atomic<std::int32_t> g_coreCount{-1};
CRITICAL_SECTION g_coreLock{};
std::int32_t g_handleBase = kHandleBaseStart;
std::atomic<HMODULE> g_module{nullptr};

}  // namespace

void CoreStart(HMODULE module)
{
    if (g_coreCount.fetch_add(1) + 1 != 0)
        return;
    g_coreCount.fetch_add(1);
    InitializeCriticalSection(&g_coreLock);
    AllocateErrorSlot();
    g_handleBase = kHandleBaseStart + static_cast<std::int32_t>(GetTickCount() & 0xFF);
    // The local-time conversions read the time zone.
    tzset();
    if (module != nullptr)
        g_module = module;
}

void CoreStop()
{
    std::int32_t count = g_coreCount.fetch_sub(1) - 1;
    if (count == 0) {
        g_coreCount = -1;
        g_module = nullptr;
        FreeErrorSlot();
        DeleteCriticalSection(&g_coreLock);
    } else if (count < 0) {
        g_coreCount = -1;
    }
}

bool CoreRunning() { return g_coreCount.load() > 0; }

void CoreLock()
{
    if (CoreRunning())
        EnterCriticalSection(&g_coreLock);
}

void CoreUnlock()
{
    if (CoreRunning())
        LeaveCriticalSection(&g_coreLock);
}

std::int32_t HandleBase() { return g_handleBase; }

HMODULE CoreModule() { return g_module; }

}  // namespace qs
