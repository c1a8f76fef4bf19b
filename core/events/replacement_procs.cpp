#include "core/events/replacement_procs.h"

#include <array>
#include <atomic>
#include <utility>

#include "core/session/session_library.h"

namespace qs {
namespace {

constinit std::array<std::atomic<SessionLibrary *>, kMaxSessionLibraries> g_owners{};

template <std::size_t Slot>
LRESULT ReplacementProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    SessionLibrary *library = g_owners[Slot].load();
    return library != nullptr ? library->NotificationWindowProc(window, message, wParam, lParam) : 0;
}

template <std::size_t... Slots>
constexpr std::array<WNDPROC, sizeof...(Slots)> MakeProcs(std::index_sequence<Slots...>)
{
    return {&ReplacementProc<Slots>...};
}

constexpr auto kProcs = MakeProcs(std::make_index_sequence<kMaxSessionLibraries>());

}  // namespace

int RegisterReplacementProc(SessionLibrary *library, WNDPROC *proc)
{
    for (std::size_t slot = 0; slot < kMaxSessionLibraries; ++slot) {
        SessionLibrary *expected = nullptr;
        if (g_owners[slot].compare_exchange_strong(expected, library)) {
            *proc = kProcs[slot];
            return static_cast<int>(slot);
        }
    }
    *proc = nullptr;
    return -1;
}

void UnregisterReplacementProc(int slot)
{
    if (slot >= 0 && static_cast<std::size_t>(slot) < kMaxSessionLibraries)
        g_owners[slot].store(nullptr);
}

}  // namespace qs
