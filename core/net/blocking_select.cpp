// select that keeps the calling thread's windows alive: the wait runs in one-second rounds and the
// thread's queue is pumped before each, so handlers run inside the wait and may cancel it.
#include <cstdint>

#include "core/net/blocking_flags.h"
#include "core/net/fd_set.h"
#include "core/net/network_library.h"
#include "core/net/socket_api.h"
#include "core/trace/trace_library.h"
#include "platform/base/window.h"

namespace qs {
namespace {

constexpr std::int32_t kRoundSeconds = 1;
constexpr std::int64_t kNoTimeoutSeconds = 0x7FFFFFFF;
constexpr std::int64_t kMicrosPerSecond = 1000000;

struct SetCopies {
    ws::fd_set read{}, write{}, except{};
    ws::fd_set *readPtr = nullptr, *writePtr = nullptr, *exceptPtr = nullptr;
};

bool Fits(const ws::fd_set *set) { return set == nullptr || set->fd_count <= kFdSetCapacity; }

void CopySet(const ws::fd_set *from, ws::fd_set *to)
{
    to->fd_count = from->fd_count;
    for (std::uint32_t i = 0; i < from->fd_count; ++i)
        to->fd_array[i] = from->fd_array[i];
}

void Refill(SetCopies &copies, const ws::fd_set *r, const ws::fd_set *w, const ws::fd_set *e)
{
    if (r != nullptr)
        CopySet(r, copies.readPtr = &copies.read);
    if (w != nullptr)
        CopySet(w, copies.writePtr = &copies.write);
    if (e != nullptr)
        CopySet(e, copies.exceptPtr = &copies.except);
}

// Dispatches what waits in the thread's queue. A quit message is put back and ends the wait after this
// round; a thread message is put back for the application's own loop and ends this round's pumping.
// Returns false when the wait is to end.
bool PumpQueue()
{
    MSG msg;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        if (msg.hwnd == nullptr) {
            PostMessage(nullptr, msg.message, msg.wParam, msg.lParam);
            return true;
        }
        TranslateMessage(&msg);
        DispatchMessage(&msg);
    }
    return true;
}

int Traced(int result, int nfds, ws::fd_set *r, ws::fd_set *w, ws::fd_set *e, const ws::timeval *timeout)
{
    auto hook = Trace().TX_select;
    return hook != nullptr ? hook(result, nfds, r, w, e, timeout) : result;
}

}  // namespace

int BlockingSelect(int nfds, ws::fd_set *readSet, ws::fd_set *writeSet, ws::fd_set *exceptSet,
                   const ws::timeval *timeout)
{
    ws::select_fn select = Network().select;
    if (select == nullptr)
        return -1;
    if (!BlockingSlotExists()) {
        sock::WSASetLastError(ws::WSANOTINITIALISED);
        return Traced(-1, nfds, readSet, writeSet, exceptSet, timeout);
    }
    // The private copies hold 64 sockets; a larger caller set is refused rather than overrun.
    if (!Fits(readSet) || !Fits(writeSet) || !Fits(exceptSet)) {
        sock::WSASetLastError(ws::WSAEINVAL);
        return Traced(-1, nfds, readSet, writeSet, exceptSet, timeout);
    }
    if (timeout != nullptr && timeout->tv_sec == 0 && timeout->tv_usec == 0)
        return Traced(select(nfds, readSet, writeSet, exceptSet, timeout), nfds, readSet, writeSet, exceptSet,
                      timeout);
    std::uint32_t flags = GetBlockingFlags();
    if ((flags & kBlockingWait) != 0) {
        sock::WSASetLastError(ws::WSAEINPROGRESS);
        return Traced(-1, nfds, readSet, writeSet, exceptSet, timeout);
    }
    if ((flags & kBlockingNoPump) != 0)
        return Traced(select(nfds, readSet, writeSet, exceptSet, timeout), nfds, readSet, writeSet, exceptSet,
                      timeout);

    SetBlockingFlags(flags | kBlockingWait);
    SetCopies copies;
    std::int64_t seconds = kNoTimeoutSeconds;
    std::int64_t remainder = 0;
    if (timeout != nullptr) {
        seconds = static_cast<std::int64_t>(timeout->tv_sec) + timeout->tv_usec / kMicrosPerSecond;
        remainder = timeout->tv_usec % kMicrosPerSecond;
    }
    int result = 0;
    int savedError = 0;
    while (seconds-- > 0) {
        Refill(copies, readSet, writeSet, exceptSet);
        if (!PumpQueue()) {
            seconds = 0;
            remainder = 0;
        }
        if ((GetBlockingFlags() & kBlockingCancel) != 0) {
            SetBlockingFlags(GetBlockingFlags() & ~(kBlockingWait | kBlockingCancel));
            for (ws::fd_set *set : {readSet, writeSet, exceptSet}) {
                if (set != nullptr)
                    set->fd_count = 0;
            }
            sock::WSASetLastError(ws::WSAEINTR);
            return Traced(-1, nfds, readSet, writeSet, exceptSet, timeout);
        }
        const ws::timeval round{kRoundSeconds, 0};
        result = select(nfds, copies.readPtr, copies.writePtr, copies.exceptPtr, &round);
        if (result == -1)
            savedError = sock::WSAGetLastError();
        if (result != 0)
            break;
    }
    SetBlockingFlags(GetBlockingFlags() & ~(kBlockingWait | kBlockingCancel));
    if (result == 0 && remainder > 0) {
        Refill(copies, readSet, writeSet, exceptSet);
        const ws::timeval rest{0, static_cast<std::int32_t>(remainder)};
        result = select(nfds, copies.readPtr, copies.writePtr, copies.exceptPtr, &rest);
        if (result == -1)
            savedError = sock::WSAGetLastError();
    }
    // Copies exist only for sets that were given and at least one round or the remainder ran.
    if (copies.readPtr != nullptr)
        CopySet(copies.readPtr, readSet);
    if (copies.writePtr != nullptr)
        CopySet(copies.writePtr, writeSet);
    if (copies.exceptPtr != nullptr)
        CopySet(copies.exceptPtr, exceptSet);
    result = Traced(result, nfds, readSet, writeSet, exceptSet, timeout);
    if (result == -1)
        sock::WSASetLastError(savedError);
    return result;
}

}  // namespace qs
