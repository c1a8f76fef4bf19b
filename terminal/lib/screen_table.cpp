#include "terminal/lib/screen_table.h"

#include <memory>
#include <mutex>
#include <new>
#include <vector>

#include "core/error/last_error.h"

namespace qs::term {
namespace {

std::mutex g_lock;
std::vector<std::unique_ptr<TerminalScreen>> g_screens;

// Called with g_lock held.
TerminalScreen *Find(int handle)
{
    const long index = static_cast<long>(handle) - kScreenHandleBase;
    if (index < 0 || index >= static_cast<long>(g_screens.size()) || !g_screens[index])
        return nullptr;
    return g_screens[index].get();
}

}  // namespace

int NvtCreateScreen(int emulation, int columns, int rows, const DisplayTraits &traits, ScreenHost *host)
{
    std::unique_ptr<TerminalScreen> screen = TerminalScreen::Create(emulation, columns, rows, traits, host);
    if (!screen)
        return -1;
    std::lock_guard<std::mutex> hold(g_lock);
    std::size_t index = 0;
    while (index < g_screens.size() && g_screens[index])
        ++index;
    if (index == g_screens.size()) {
        try {
            g_screens.resize(g_screens.size() + kScreenTableGrowth);
        } catch (const std::bad_alloc &) {
            SetErrorCode(qsErrorOutOfMemory);
            return -1;
        }
    }
    g_screens[index] = std::move(screen);
    return kScreenHandleBase + static_cast<int>(index);
}

int NvtFreeScreen(int handle)
{
    std::unique_ptr<TerminalScreen> freed;
    {
        std::lock_guard<std::mutex> hold(g_lock);
        if (!Find(handle)) {
            SetErrorCode(qsErrorInvalidHandle);
            return 0;
        }
        freed = std::move(g_screens[handle - kScreenHandleBase]);
    }
    return 1;
}

TerminalScreen *NvtGetScreen(int handle)
{
    std::lock_guard<std::mutex> hold(g_lock);
    TerminalScreen *screen = Find(handle);
    if (!screen)
        SetErrorCode(qsErrorInvalidHandle);
    return screen;
}

int NvtWrite(int handle, const void *bytes, std::size_t count)
{
    TerminalScreen *screen = NvtGetScreen(handle);
    if (!screen)
        return 0;
    if (bytes == nullptr && count > 0) {
        SetErrorCode(qsErrorInvalidParameter);
        return 0;
    }
    screen->Write(static_cast<const std::uint8_t *>(bytes), count);
    return 1;
}

}  // namespace qs::term
