// Per-thread message queues: posting, retrieval, dispatch and sent messages.
#include "platform/base/message_queue.h"

#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>

#include "platform/base/errors.h"
#include "platform/base/thread.h"

namespace qsbase {
namespace {

pthread_key_t g_queueKey;

void CloseQueueFds(Queue *queue)
{
    for (int fd : {queue->wakeFd, queue->levelFd, queue->epollFd, queue->timerFd})
        if (fd >= 0)
            close(fd);
}

// Runs when the owner thread ends: its windows, timers and pending messages go with it; threads
// waiting on a message sent to it get 0; its watches stop firing but stay valid until unwatched.
void DestroyQueue(void *value)
{
    auto *queue = static_cast<Queue *>(value);
    State &state = GetState();
    std::vector<Window *> dead;
    {
        std::lock_guard<std::mutex> hold(state.lock);
        state.queues.erase(queue->threadId);
        for (auto it = state.windows.begin(); it != state.windows.end();) {
            if (it->second->queue == queue) {
                dead.push_back(it->second);
                it = state.windows.erase(it);
            } else {
                ++it;
            }
        }
        for (SentMessage *sent : queue->incoming) {
            sent->result = 0;
            sent->done = true;
            WakeLocked(sent->sender);
        }
        queue->incoming.clear();
        OrphanWatchesLocked(queue);
        state.watchIdle.notify_all();
    }
    for (Window *window : dead)
        delete window;
    CloseQueueFds(queue);
    delete queue;
}

// A forked child has only the forking thread: it starts with no queues and no windows rather than
// sharing the parent's eventfds.
void ForkPrepare() { GetState().lock.lock(); }
void ForkParent() { GetState().lock.unlock(); }
void ForkChild()
{
    State &state = GetState();
    for (auto &entry : state.windows)
        delete entry.second;
    state.windows.clear();
    for (auto &entry : state.queues) {
        OrphanWatchesLocked(entry.second);
        entry.second->incoming.clear();
        CloseQueueFds(entry.second);
        delete entry.second;
    }
    state.queues.clear();
    pthread_setspecific(g_queueKey, nullptr);
    state.lock.unlock();
}

State *MakeState()
{
    auto *state = new State;  // never destroyed: other threads may still use it while the process exits
    pthread_key_create(&g_queueKey, DestroyQueue);
    pthread_atfork(ForkPrepare, ForkParent, ForkChild);
    return state;
}

}  // namespace

State &GetState()
{
    static State *state = MakeState();
    return *state;
}

std::uint64_t NowMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::uint64_t>(ts.tv_sec) * 1000u + static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
}

void DrainFd(int fd)
{
    std::uint64_t value = 0;
    while (read(fd, &value, sizeof value) == static_cast<ssize_t>(sizeof value)) {
    }
}

Queue *CurrentQueue(bool create)
{
    State &state = GetState();
    auto *queue = static_cast<Queue *>(pthread_getspecific(g_queueKey));
    if (queue != nullptr || !create)
        return queue;
    int wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    int levelFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wakeFd < 0 || levelFd < 0) {
        if (wakeFd >= 0)
            close(wakeFd);
        if (levelFd >= 0)
            close(levelFd);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    queue = new Queue{};
    queue->threadId = GetCurrentThreadId();
    queue->wakeFd = wakeFd;
    queue->levelFd = levelFd;
    queue->epollFd = -1;
    queue->timerFd = -1;
    {
        std::lock_guard<std::mutex> hold(state.lock);
        state.queues[queue->threadId] = queue;
    }
    pthread_setspecific(g_queueKey, queue);
    return queue;
}

Window *FindWindowLocked(HWND hwnd)
{
    State &state = GetState();
    auto it = state.windows.find(reinterpret_cast<std::uintptr_t>(hwnd));
    return it == state.windows.end() ? nullptr : it->second;
}

void WakeLocked(Queue *queue)
{
    std::uint64_t one = 1;
    (void)!write(queue->wakeFd, &one, sizeof one);
}

void UpdateLevelLocked(Queue *queue)
{
    // A posted WM_QUIT is left for the application's own loop by QsPumpMessages, so it alone must not
    // keep the descriptor readable.
    bool want = !queue->incoming.empty() ||
                std::any_of(queue->posted.begin(), queue->posted.end(), [](const MSG &m) { return m.message != WM_QUIT; });
    if (want == queue->levelSet)
        return;
    if (want) {
        std::uint64_t one = 1;
        (void)!write(queue->levelFd, &one, sizeof one);
    } else {
        DrainFd(queue->levelFd);
    }
    queue->levelSet = want;
}

bool PostLocked(Queue *queue, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (queue->posted.size() >= kMaxPostedMessages) {
        SetLastError(ERROR_NOT_ENOUGH_QUOTA);
        return false;
    }
    queue->posted.push_back(MSG{hwnd, message, wParam, lParam, GetTickCount()});
    UpdateLevelLocked(queue);
    WakeLocked(queue);
    return true;
}

static bool QuitMatches(const Queue *queue, const Filter &filter)
{
    // The quit message belongs to no window, so a window filter never retrieves it.
    return queue->quit && filter.hwnd == nullptr && filter.MatchesMessage(WM_QUIT);
}

bool HasWorkLocked(Queue *queue, const Filter &filter, std::uint64_t now)
{
    if (!queue->incoming.empty() || QuitMatches(queue, filter))
        return true;
    for (const MSG &m : queue->posted)
        if (filter.Matches(m.hwnd, m.message))
            return true;
    return NextTimerDueLocked(queue, filter) <= now;
}

// Retrieval order: posted messages in order, then the quit message once nothing else is posted,
// then due timers.
bool TakeMessage(Queue *queue, const Filter &filter, bool remove, bool leaveQuit, MSG *msg)
{
    std::lock_guard<std::mutex> hold(GetState().lock);
    for (auto it = queue->posted.begin(); it != queue->posted.end(); ++it) {
        if (!filter.Matches(it->hwnd, it->message) || (leaveQuit && it->message == WM_QUIT))
            continue;
        *msg = *it;
        if (remove) {
            queue->posted.erase(it);
            UpdateLevelLocked(queue);
        }
        return true;
    }
    if (!leaveQuit && QuitMatches(queue, filter)) {
        *msg = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(static_cast<LPARAM>(queue->quitCode)), 0, GetTickCount()};
        if (remove)
            queue->quit = false;
        return true;
    }
    return TakeTimerLocked(queue, filter, remove, NowMs(), msg);
}

void ProcessIncoming(Queue *queue)
{
    State &state = GetState();
    for (;;) {
        SentMessage *sent = nullptr;
        WNDPROC proc = nullptr;
        {
            std::lock_guard<std::mutex> hold(state.lock);
            if (queue->incoming.empty())
                return;
            sent = queue->incoming.front();
            queue->incoming.pop_front();
            UpdateLevelLocked(queue);
            Window *window = FindWindowLocked(sent->hwnd);
            if (window != nullptr && window->queue == queue)
                proc = window->proc;
        }
        LRESULT result = proc != nullptr ? proc(sent->hwnd, sent->message, sent->wParam, sent->lParam) : 0;
        std::lock_guard<std::mutex> hold(state.lock);
        sent->result = result;
        sent->done = true;
        WakeLocked(sent->sender);
    }
}

}  // namespace qsbase

using namespace qsbase;

BOOL PostMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    Queue *own = hwnd == nullptr ? CurrentQueue(true) : nullptr;
    if (hwnd == nullptr && own == nullptr)
        return FALSE;
    std::lock_guard<std::mutex> hold(GetState().lock);
    Queue *target = own;
    if (hwnd != nullptr) {
        Window *window = FindWindowLocked(hwnd);
        if (window == nullptr) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        target = window->queue;
    }
    return PostLocked(target, hwnd, msg, wParam, lParam) ? TRUE : FALSE;
}

BOOL PostThreadMessage(DWORD threadId, UINT msg, WPARAM wParam, LPARAM lParam)
{
    State &state = GetState();
    std::lock_guard<std::mutex> hold(state.lock);
    auto it = state.queues.find(threadId);
    if (it == state.queues.end()) {
        SetLastError(ERROR_INVALID_THREAD_ID);
        return FALSE;
    }
    return PostLocked(it->second, nullptr, msg, wParam, lParam) ? TRUE : FALSE;
}

void PostQuitMessage(int exitCode)
{
    Queue *queue = CurrentQueue(true);
    if (queue == nullptr)
        return;
    std::lock_guard<std::mutex> hold(GetState().lock);
    queue->quit = true;
    queue->quitCode = exitCode;
    WakeLocked(queue);
}

LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    State &state = GetState();
    Queue *own = CurrentQueue(true);
    std::unique_lock<std::mutex> hold(state.lock);
    Window *window = FindWindowLocked(hwnd);
    if (window == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (window->queue == own) {
        WNDPROC proc = window->proc;
        hold.unlock();
        return proc != nullptr ? proc(hwnd, msg, wParam, lParam) : 0;
    }
    if (own == nullptr)
        return 0;
    SentMessage sent{hwnd, msg, wParam, lParam, own, 0, false};
    window->queue->incoming.push_back(&sent);
    UpdateLevelLocked(window->queue);
    WakeLocked(window->queue);
    // While waiting, answer what other threads send to this one, so two threads sending to each
    // other do not deadlock.
    while (!sent.done) {
        hold.unlock();
        ProcessIncoming(own);
        hold.lock();
        if (sent.done)
            break;
        hold.unlock();
        pollfd wake{own->wakeFd, POLLIN, 0};
        poll(&wake, 1, -1);
        DrainFd(own->wakeFd);
        hold.lock();
    }
    return sent.result;
}

void BroadcastMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    std::vector<std::uintptr_t> handles;
    {
        State &state = GetState();
        std::lock_guard<std::mutex> hold(state.lock);
        for (const auto &entry : state.windows)
            if (!entry.second->destroying)
                handles.push_back(entry.first);
    }
    std::sort(handles.begin(), handles.end());
    for (std::uintptr_t handle : handles)
        SendMessage(reinterpret_cast<HWND>(handle), msg, wParam, lParam);
}

BOOL PeekMessage(MSG *msg, HWND hwnd, UINT min, UINT max, UINT removeFlags)
{
    Queue *queue = CurrentQueue(true);
    if (msg == nullptr || queue == nullptr) {
        if (msg == nullptr)
            SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    Filter filter{hwnd, min, max};
    // Polling the watches here lets a thread that only peeks in a loop still see its sockets.
    WaitForQueue(queue, nullptr, 0, 0, filter);
    return TakeMessage(queue, filter, (removeFlags & PM_REMOVE) != 0, false, msg) ? TRUE : FALSE;
}

BOOL GetMessage(MSG *msg, HWND hwnd, UINT min, UINT max)
{
    Queue *queue = CurrentQueue(true);
    if (msg == nullptr || queue == nullptr) {
        if (msg == nullptr)
            SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    Filter filter{hwnd, min, max};
    for (;;) {
        if (hwnd != nullptr && !IsWindow(hwnd)) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return -1;
        }
        if (TakeMessage(queue, filter, true, false, msg))
            return msg->message == WM_QUIT ? 0 : 1;
        if (WaitForQueue(queue, nullptr, 0, -1, filter) < 0)
            return -1;
    }
}

BOOL TranslateMessage(const MSG *msg)
{
    // Character messages come from the display layer together with the key messages, so there is
    // nothing to add; the result says whether the message was a key message, as on the platform.
    return msg != nullptr && (msg->message == WM_KEYDOWN || msg->message == WM_KEYUP) ? TRUE : FALSE;
}

LRESULT DispatchMessage(const MSG *msg)
{
    if (msg == nullptr)
        return 0;
    Queue *queue = CurrentQueue(false);
    TIMERPROC timerProc = nullptr;
    WNDPROC proc = nullptr;
    {
        std::lock_guard<std::mutex> hold(GetState().lock);
        if (msg->message == WM_TIMER && msg->lParam != 0) {
            // Only a procedure that belongs to a live timer of this thread is called: a posted WM_TIMER
            // with an arbitrary parameter must not become a call through an arbitrary pointer.
            auto candidate = reinterpret_cast<TIMERPROC>(msg->lParam);
            if (queue != nullptr && TimerHasProcLocked(queue, msg->hwnd, msg->wParam, candidate))
                timerProc = candidate;
        }
        if (timerProc == nullptr && msg->hwnd != nullptr) {
            Window *window = FindWindowLocked(msg->hwnd);
            if (window == nullptr) {
                SetLastError(ERROR_INVALID_WINDOW_HANDLE);
                return 0;
            }
            if (window->queue == queue)
                proc = window->proc;
        }
    }
    if (timerProc != nullptr) {
        timerProc(msg->hwnd, WM_TIMER, msg->wParam, GetTickCount());
        return 0;
    }
    return proc != nullptr ? proc(msg->hwnd, msg->message, msg->wParam, msg->lParam) : 0;
}
