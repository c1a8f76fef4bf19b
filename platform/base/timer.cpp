// Window and thread timers. A timer posts nothing: when it is due, retrieval makes its WM_TIMER after
// the posted messages, so at most one is ever pending per timer however late the thread is.
#include <sys/timerfd.h>

#include <algorithm>

#include "platform/base/errors.h"
#include "platform/base/message_queue.h"
#include "platform/base/thread.h"

namespace qsbase {

static bool TimerMatches(const Timer &timer, const Filter &filter)
{
    return filter.Matches(timer.hwnd, WM_TIMER);
}

std::uint64_t NextTimerDueLocked(const Queue *queue, const Filter &filter)
{
    std::uint64_t next = UINT64_MAX;
    for (const Timer &timer : queue->timers)
        if (TimerMatches(timer, filter))
            next = std::min(next, timer.due);
    return next;
}

bool TakeTimerLocked(Queue *queue, const Filter &filter, bool remove, std::uint64_t now, MSG *msg)
{
    Timer *earliest = nullptr;
    for (Timer &timer : queue->timers)
        if (timer.due <= now && TimerMatches(timer, filter) && (earliest == nullptr || timer.due < earliest->due))
            earliest = &timer;
    if (earliest == nullptr)
        return false;
    *msg = MSG{earliest->hwnd, WM_TIMER, earliest->id, reinterpret_cast<LPARAM>(earliest->proc),
               static_cast<DWORD>(now)};
    if (remove) {
        earliest->due = now + earliest->elapse;
        ArmTimerFdLocked(queue);
    }
    return true;
}

bool TimerHasProcLocked(const Queue *queue, HWND hwnd, UINT_PTR id, TIMERPROC proc)
{
    return std::any_of(queue->timers.begin(), queue->timers.end(), [&](const Timer &timer) {
        return timer.hwnd == hwnd && timer.id == id && timer.proc == proc;
    });
}

void KillWindowTimersLocked(Queue *queue, HWND hwnd)
{
    auto &timers = queue->timers;
    timers.erase(std::remove_if(timers.begin(), timers.end(), [hwnd](const Timer &timer) { return timer.hwnd == hwnd; }),
                 timers.end());
    ArmTimerFdLocked(queue);
}

void ArmTimerFdLocked(Queue *queue)
{
    if (queue->timerFd < 0)
        return;
    std::uint64_t due = NextTimerDueLocked(queue, Filter{});
    itimerspec spec{};
    if (due != UINT64_MAX) {
        spec.it_value.tv_sec = static_cast<time_t>(due / 1000);
        spec.it_value.tv_nsec = static_cast<long>(due % 1000) * 1000000L;
        if (spec.it_value.tv_sec == 0 && spec.it_value.tv_nsec == 0)
            spec.it_value.tv_nsec = 1;  // zero would disarm
    }
    timerfd_settime(queue->timerFd, TFD_TIMER_ABSTIME, &spec, nullptr);
}

}  // namespace qsbase

using namespace qsbase;

static Timer *FindTimer(Queue *queue, HWND hwnd, UINT_PTR id)
{
    for (Timer &timer : queue->timers)
        if (timer.hwnd == hwnd && timer.id == id)
            return &timer;
    return nullptr;
}

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs, TIMERPROC proc)
{
    Queue *queue = CurrentQueue(true);
    if (queue == nullptr)
        return 0;
    UINT elapse = std::clamp(elapseMs, kMinTimerElapse, kMaxTimerElapse);
    State &state = GetState();
    std::lock_guard<std::mutex> hold(state.lock);
    if (hwnd != nullptr) {
        Window *window = FindWindowLocked(hwnd);
        if (window == nullptr) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        if (window->queue != queue) {
            SetLastError(ERROR_ACCESS_DENIED);  // a window's timers run on its own thread
            return 0;
        }
    } else if (id == 0 || FindTimer(queue, nullptr, id) == nullptr) {
        // A thread timer gets a new identifier unless it names one of the thread's timers.
        do
            id = state.nextThreadTimer++;
        while (id == 0 || FindTimer(queue, nullptr, id) != nullptr);
    }
    std::uint64_t due = NowMs() + elapse;
    if (Timer *timer = FindTimer(queue, hwnd, id)) {
        timer->elapse = elapse;
        timer->proc = proc;
        timer->due = due;
    } else {
        if (queue->timers.size() >= kMaxTimersPerThread) {
            SetLastError(ERROR_NO_SYSTEM_RESOURCES);
            return 0;
        }
        queue->timers.push_back(Timer{hwnd, id, elapse, proc, due});
    }
    ArmTimerFdLocked(queue);
    // With a window the caller keeps using its own identifier; the result only has to be non-zero.
    return hwnd != nullptr && id == 0 ? 1 : id;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id)
{
    Queue *own = CurrentQueue(false);
    std::lock_guard<std::mutex> hold(GetState().lock);
    Queue *queue = own;
    if (hwnd != nullptr) {
        Window *window = FindWindowLocked(hwnd);
        if (window == nullptr) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        queue = window->queue;
    }
    Timer *timer = queue != nullptr ? FindTimer(queue, hwnd, id) : nullptr;
    if (timer == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    queue->timers.erase(queue->timers.begin() + (timer - queue->timers.data()));
    ArmTimerFdLocked(queue);
    return TRUE;
}
