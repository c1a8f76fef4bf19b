// Per-thread message queues and windows.
//
// Each thread gets a queue on first use. A window is a handle with a procedure, an owner thread and user
// data. Posting is thread-safe; sending to a window of the calling thread calls its procedure directly
// (a send to another thread's window is queued there and the sender waits until it has been handled).
// The queue waits in one poll() over an eventfd for posted messages, the file descriptors registered
// with QsWatchFd, and timer deadlines. Window handles are never reused. When a thread ends, its windows,
// timers and queued messages are freed without further messages (its code may already be gone), and
// threads waiting on a message sent to it get 0.
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

// A hidden window owned by the calling thread. `proc` may be null (messages are then ignored). The
// procedure gets WM_CREATE (both parameters 0) before this returns; answering -1 refuses the window.
// At most 10000 windows per process (ERROR_NO_MORE_USER_HANDLES).
HWND CreateMessageWindow(WNDPROC proc, LONG_PTR userData);
// Delivers WM_DESTROY and then WM_NCDESTROY to the window's current procedure (the one in place when
// each is sent), then frees the handle. Pending posted messages for it are discarded, messages other
// threads are sending to it get 0, its timers are killed; the handle is invalid afterwards. Only the
// owner thread may destroy a window (ERROR_ACCESS_DENIED otherwise).
BOOL DestroyWindow(HWND hwnd);
BOOL IsWindow(HWND hwnd);
// Returns the owner thread's identifier (see GetCurrentThreadId); 0 for an invalid window.
DWORD GetWindowThreadProcessId(HWND hwnd, DWORD *processId);
LONG_PTR GetWindowLongPtr(HWND hwnd, int index);
// Returns the previous value; GWLP_WNDPROC replaces the procedure.
LONG_PTR SetWindowLongPtr(HWND hwnd, int index, LONG_PTR value);
LRESULT CallWindowProc(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// hwnd null posts a thread message to the calling thread's own queue. A queue holds at most 10000
// posted messages (ERROR_NOT_ENOUGH_QUOTA); an unknown window or thread fails (ERROR_INVALID_WINDOW_HANDLE,
// ERROR_INVALID_THREAD_ID).
BOOL PostMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
BOOL PostThreadMessage(DWORD threadId, UINT msg, WPARAM wParam, LPARAM lParam);
// While waiting for another thread, the sender answers messages sent to its own windows (so two threads
// sending to each other do not deadlock) and nothing else.
LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// Sends `msg` to every window of the process whose owner thread is still alive (the platform's
// broadcast to top-level windows); windows of other threads are handled there, the caller waits.
void BroadcastMessage(UINT msg, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);

// hwnd null: any window or thread message. min = max = 0: any message. Both first answer sent messages
// and poll the fd watches once (timeout 0). Retrieval order: posted messages in order, WM_QUIT from
// PostQuitMessage once no matching posted message is left (never with a window filter), then WM_TIMER
// of due timers.
BOOL PeekMessage(MSG *msg, HWND hwnd, UINT min, UINT max, UINT removeFlags);
// Waits for a message; returns 0 for WM_QUIT, -1 on error, else non-zero.
BOOL GetMessage(MSG *msg, HWND hwnd, UINT min, UINT max);
// Character messages arrive from the display layer together with the key messages, so nothing is
// generated; returns TRUE for WM_KEYDOWN and WM_KEYUP.
BOOL TranslateMessage(const MSG *msg);
LRESULT DispatchMessage(const MSG *msg);

// Window timers: WM_TIMER with wParam = id is posted to hwnd every `elapseMs` (coalesced: at most one
// pending WM_TIMER per timer). With a TIMERPROC, dispatching the WM_TIMER calls it instead (only the
// procedure of a live timer of the calling thread is ever called). Periods below 10 ms are raised to
// 10 ms. hwnd must be a window of the calling thread; hwnd null makes a thread timer with a new
// identifier (returned) unless `id` names one of the thread's timers.
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
// which stays in the queue). Lets an application's own loop drive the thread. A pump handles what was
// waiting when it started; what arrives meanwhile keeps the descriptor readable for the next round.
int QsGetQueueFd(void);
void QsPumpMessages(void);

// Watches a descriptor on behalf of a thread's queue: when poll() reports one of `events` on it, the
// callback runs on that thread during its next wait, peek or pump. The watch stays until updated or
// removed; events 0 pauses it. A callback may post, send, pump, update or remove any watch; it is not
// called again for the same readiness by a wait nested inside it. A descriptor poll() reports as not
// open (POLLNVAL) is reported once and then paused. QsUnwatchFd from another thread waits until a
// running callback of the watch has returned, so the context may be freed afterwards. When the owner
// thread ends its watches stop firing; they stay valid until removed. At most 4096 watches per thread.
using QsFdCallback = void (*)(void *context, int fd, short revents);
struct QsFdWatch;
QsFdWatch *QsWatchFd(DWORD threadId, int fd, short events, QsFdCallback callback, void *context);
void QsUpdateFdWatch(QsFdWatch *watch, short events);
void QsUnwatchFd(QsFdWatch *watch);
