// Per-thread message queues and windows.
//
// Each thread gets a queue on first use. A window is a handle with a procedure, an owner thread and user
// data. Posting is thread-safe; sending to a window of the calling thread calls its procedure directly
// (a send to another thread's window is queued there and the sender waits until it has been handled).
// The queue waits in one poll() over an eventfd for posted messages, the file descriptors registered
// with QsWatchFd, and timer deadlines.
#pragma once
#include "platform/base/types.h"

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
};

inline constexpr UINT WM_NULL = 0x0000;
inline constexpr UINT WM_CREATE = 0x0001;
inline constexpr UINT WM_DESTROY = 0x0002;
inline constexpr UINT WM_CLOSE = 0x0010;
inline constexpr UINT WM_QUIT = 0x0012;
inline constexpr UINT WM_TIMECHANGE = 0x001E;
inline constexpr UINT WM_NCDESTROY = 0x0082;
inline constexpr UINT WM_KEYDOWN = 0x0100;
inline constexpr UINT WM_KEYUP = 0x0101;
inline constexpr UINT WM_CHAR = 0x0102;
inline constexpr UINT WM_TIMER = 0x0113;
inline constexpr UINT WM_USER = 0x0400;

inline constexpr UINT PM_NOREMOVE = 0x0000;
inline constexpr UINT PM_REMOVE = 0x0001;

inline constexpr int GWLP_WNDPROC = -4;
inline constexpr int GWLP_USERDATA = -21;

// A hidden window owned by the calling thread. `proc` may be null (messages are then ignored).
HWND CreateMessageWindow(WNDPROC proc, LONG_PTR userData);
// Delivers WM_DESTROY and then WM_NCDESTROY to the window's current procedure, then frees the handle.
// Pending posted messages for it are discarded; the handle is invalid afterwards.
BOOL DestroyWindow(HWND hwnd);
BOOL IsWindow(HWND hwnd);
// Returns the owner thread's identifier (see GetCurrentThreadId); 0 for an invalid window.
DWORD GetWindowThreadProcessId(HWND hwnd, DWORD *processId);
LONG_PTR GetWindowLongPtr(HWND hwnd, int index);
// Returns the previous value; GWLP_WNDPROC replaces the procedure.
LONG_PTR SetWindowLongPtr(HWND hwnd, int index, LONG_PTR value);
LRESULT CallWindowProc(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// hwnd null posts a thread message to the calling thread's own queue.
BOOL PostMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
BOOL PostThreadMessage(DWORD threadId, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// Sends `msg` to every window of the process whose owner thread is still alive (the platform's
// broadcast to top-level windows); windows of other threads are handled there, the caller waits.
void BroadcastMessage(UINT msg, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);

// hwnd null: any window or thread message. min = max = 0: any message.
BOOL PeekMessage(MSG *msg, HWND hwnd, UINT min, UINT max, UINT removeFlags);
// Waits for a message; returns 0 for WM_QUIT, -1 on error, else non-zero.
BOOL GetMessage(MSG *msg, HWND hwnd, UINT min, UINT max);
BOOL TranslateMessage(const MSG *msg);
LRESULT DispatchMessage(const MSG *msg);

// Window timers: WM_TIMER with wParam = id is posted to hwnd every `elapseMs` (coalesced: at most one
// pending WM_TIMER per timer). With a TIMERPROC, dispatching the WM_TIMER calls it instead.
UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs, TIMERPROC proc);
BOOL KillTimer(HWND hwnd, UINT_PTR id);

// --- Waiting and integration with other event loops -------------------------------------------------

// Waits until the calling thread's queue has a message, a timer is due, a watched descriptor is ready or
// one of `fds` (may be null) is ready, or `timeoutMs` passes (-1: no limit). Runs due timers and fd
// watches before returning. Returns the number of ready entries of `fds`, 0 otherwise, -1 on error.
struct pollfd;
int QsWaitForMessages(struct pollfd *fds, int count, int timeoutMs);

// A descriptor that becomes readable whenever the calling thread's queue needs attention, and the call
// that then does the work (runs timers and fd watches, dispatches every waiting message except WM_QUIT,
// which stays in the queue). Lets an application's own loop drive the thread.
int QsGetQueueFd(void);
void QsPumpMessages(void);

// Watches a descriptor on behalf of a thread's queue: when poll() reports one of `events` on it, the
// callback runs on that thread during its next wait or pump. The watch stays until updated or removed.
using QsFdCallback = void (*)(void *context, int fd, short revents);
struct QsFdWatch;
QsFdWatch *QsWatchFd(DWORD threadId, int fd, short events, QsFdCallback callback, void *context);
void QsUpdateFdWatch(QsFdWatch *watch, short events);
void QsUnwatchFd(QsFdWatch *watch);
