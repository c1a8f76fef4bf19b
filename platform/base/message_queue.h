// Internal to qsbase: the shared state behind windows, message queues, timers and fd watches.
//
// One process-wide lock guards every table and queue. It is never held while a window procedure, a
// timer procedure or a watch callback runs, so those may call back into any function of window.h.
// Windows are named by handles that are never reused, so a destroyed handle never reaches a new window.
#pragma once
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/base/window.h"

namespace qsbase {

struct Queue;

inline constexpr std::size_t kMaxPostedMessages = 10000;  // per queue, the platform's posting quota
inline constexpr std::size_t kMaxWindows = 10000;         // per process
inline constexpr std::size_t kMaxTimersPerThread = 10000;
inline constexpr std::size_t kMaxWatchesPerThread = 4096;
inline constexpr int kMaxWaitFds = 1024;                  // caller descriptors in one QsWaitForMessages
inline constexpr UINT kMinTimerElapse = 10;               // shorter periods are raised to this
inline constexpr UINT kMaxTimerElapse = 0x7FFFFFFF;

struct Window {
    HWND handle;
    Queue *queue;  // the owner thread's queue
    WNDPROC proc;
    LONG_PTR userData;
    bool destroying;
};

struct Timer {
    HWND hwnd;  // null for a thread timer
    UINT_PTR id;
    UINT elapse;
    TIMERPROC proc;
    std::uint64_t due;  // monotonic milliseconds
};

// A message sent to another thread's window; lives on the waiting sender's stack.
struct SentMessage {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    Queue *sender;
    LRESULT result;
    bool done;
};

// The hwnd and message-range filter of PeekMessage and GetMessage.
struct Filter {
    HWND hwnd = nullptr;
    UINT min = 0;
    UINT max = 0;

    bool MatchesMessage(UINT message) const { return (min == 0 && max == 0) || (message >= min && message <= max); }
    bool Matches(HWND target, UINT message) const { return (hwnd == nullptr || target == hwnd) && MatchesMessage(message); }
};

}  // namespace qsbase

struct QsFdWatch {
    qsbase::Queue *queue;  // null once the owner thread has ended
    int fd;
    short events;
    QsFdCallback callback;
    void *context;
    bool active;
    int running;  // callbacks of this watch currently on the owner's stack
};

namespace qsbase {

struct Queue {
    DWORD threadId;
    int wakeFd;   // eventfd written on every change the owner has to look at; drained by its waits
    int levelFd;  // eventfd readable exactly while sent or posted messages (other than WM_QUIT) wait
    bool levelSet;
    std::deque<MSG> posted;
    std::deque<SentMessage *> incoming;
    bool quit;
    int quitCode;
    std::vector<Timer> timers;
    std::vector<std::shared_ptr<QsFdWatch>> watches;
    // Made by QsGetQueueFd: an epoll set over levelFd, timerFd and the watched descriptors.
    int epollFd;
    int timerFd;
    std::unordered_map<int, std::uint32_t> epollEvents;
};

struct State {
    std::mutex lock;
    std::condition_variable watchIdle;  // a watch callback returned
    std::unordered_map<std::uintptr_t, Window *> windows;
    std::unordered_map<DWORD, Queue *> queues;
    std::unordered_map<QsFdWatch *, std::shared_ptr<QsFdWatch>> watches;
    std::uintptr_t nextHandle = 0x10000;
    UINT_PTR nextThreadTimer = 0x10000;
};

State &GetState();
// The calling thread's queue, made on first use when `create`; null when no descriptors are left.
Queue *CurrentQueue(bool create);
std::uint64_t NowMs();
void DrainFd(int fd);

// --- with GetState().lock held ---
Window *FindWindowLocked(HWND hwnd);
void WakeLocked(Queue *queue);
void UpdateLevelLocked(Queue *queue);
bool PostLocked(Queue *queue, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// Whether `filter` would retrieve something now (sent messages always count).
bool HasWorkLocked(Queue *queue, const Filter &filter, std::uint64_t now);
// Timers (timer.cpp).
std::uint64_t NextTimerDueLocked(const Queue *queue, const Filter &filter);  // UINT64_MAX: none
bool TakeTimerLocked(Queue *queue, const Filter &filter, bool remove, std::uint64_t now, MSG *msg);
bool TimerHasProcLocked(const Queue *queue, HWND hwnd, UINT_PTR id, TIMERPROC proc);
void KillWindowTimersLocked(Queue *queue, HWND hwnd);
void ArmTimerFdLocked(Queue *queue);
// Watches (watch.cpp).
void SyncEpollLocked(Queue *queue, int fd);
void OrphanWatchesLocked(Queue *queue);

// --- without the lock ---
// Answers the messages other threads sent to this thread's windows.
void ProcessIncoming(Queue *queue);
// One poll() over the queue, its watches and the caller's descriptors (see QsWaitForMessages).
int WaitForQueue(Queue *queue, struct pollfd *fds, int count, int timeoutMs, const Filter &filter);
// Takes the first message `filter` retrieves; `leaveQuit` skips WM_QUIT and leaves it queued.
bool TakeMessage(Queue *queue, const Filter &filter, bool remove, bool leaveQuit, MSG *msg);

}  // namespace qsbase
