// Message windows: creation, destruction, procedures and user data.
#include <algorithm>

#include "platform/base/errors.h"
#include "platform/base/message_queue.h"
#include "platform/base/thread.h"

using namespace qsbase;

HWND CreateMessageWindow(WNDPROC proc, LONG_PTR userData)
{
    Queue *queue = CurrentQueue(true);
    if (queue == nullptr)
        return nullptr;
    HWND hwnd = nullptr;
    {
        State &state = GetState();
        std::lock_guard<std::mutex> hold(state.lock);
        if (state.windows.size() >= kMaxWindows) {
            SetLastError(ERROR_NO_MORE_USER_HANDLES);
            return nullptr;
        }
        std::uintptr_t handle = state.nextHandle++;
        hwnd = reinterpret_cast<HWND>(handle);
        state.windows[handle] = new Window{hwnd, queue, proc, userData, false};
    }
    // As on the platform, a procedure that answers WM_CREATE with -1 refuses the window.
    if (proc != nullptr && proc(hwnd, WM_CREATE, 0, 0) == -1) {
        DestroyWindow(hwnd);
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    return hwnd;
}

static WNDPROC CurrentProc(HWND hwnd)
{
    std::lock_guard<std::mutex> hold(GetState().lock);
    Window *window = FindWindowLocked(hwnd);
    return window != nullptr ? window->proc : nullptr;
}

BOOL DestroyWindow(HWND hwnd)
{
    State &state = GetState();
    Queue *own = CurrentQueue(false);
    WNDPROC proc = nullptr;
    {
        std::lock_guard<std::mutex> hold(state.lock);
        Window *window = FindWindowLocked(hwnd);
        if (window == nullptr) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        if (window->queue != own) {
            SetLastError(ERROR_ACCESS_DENIED);  // only the owner thread may destroy a window
            return FALSE;
        }
        if (window->destroying)
            return TRUE;
        window->destroying = true;
        proc = window->proc;
    }
    if (proc != nullptr)
        proc(hwnd, WM_DESTROY, 0, 0);
    // The handler of WM_DESTROY may have put another procedure back: the final message goes to the
    // procedure in place now.
    proc = CurrentProc(hwnd);
    if (proc != nullptr)
        proc(hwnd, WM_NCDESTROY, 0, 0);
    Window *gone = nullptr;
    {
        std::lock_guard<std::mutex> hold(state.lock);
        Window *window = FindWindowLocked(hwnd);
        if (window == nullptr)
            return TRUE;
        Queue *queue = window->queue;
        state.windows.erase(reinterpret_cast<std::uintptr_t>(hwnd));
        gone = window;
        auto &posted = queue->posted;
        posted.erase(std::remove_if(posted.begin(), posted.end(), [hwnd](const MSG &m) { return m.hwnd == hwnd; }),
                     posted.end());
        auto &incoming = queue->incoming;
        for (auto it = incoming.begin(); it != incoming.end();) {
            if ((*it)->hwnd == hwnd) {
                (*it)->result = 0;
                (*it)->done = true;
                WakeLocked((*it)->sender);
                it = incoming.erase(it);
            } else {
                ++it;
            }
        }
        UpdateLevelLocked(queue);
        KillWindowTimersLocked(queue, hwnd);
    }
    delete gone;
    return TRUE;
}

BOOL IsWindow(HWND hwnd)
{
    std::lock_guard<std::mutex> hold(GetState().lock);
    return FindWindowLocked(hwnd) != nullptr ? TRUE : FALSE;
}

DWORD GetWindowThreadProcessId(HWND hwnd, DWORD *processId)
{
    std::lock_guard<std::mutex> hold(GetState().lock);
    Window *window = FindWindowLocked(hwnd);
    if (window == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (processId != nullptr)
        *processId = GetCurrentProcessId();
    return window->queue->threadId;
}

LONG_PTR GetWindowLongPtr(HWND hwnd, int index)
{
    std::lock_guard<std::mutex> hold(GetState().lock);
    Window *window = FindWindowLocked(hwnd);
    if (window == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    switch (index) {
    case GWLP_WNDPROC:
        return reinterpret_cast<LONG_PTR>(window->proc);
    case GWLP_USERDATA:
        return window->userData;
    default:
        SetLastError(ERROR_INVALID_INDEX);
        return 0;
    }
}

LONG_PTR SetWindowLongPtr(HWND hwnd, int index, LONG_PTR value)
{
    std::lock_guard<std::mutex> hold(GetState().lock);
    Window *window = FindWindowLocked(hwnd);
    if (window == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    LONG_PTR previous = 0;
    switch (index) {
    case GWLP_WNDPROC:
        previous = reinterpret_cast<LONG_PTR>(window->proc);
        window->proc = reinterpret_cast<WNDPROC>(value);
        return previous;
    case GWLP_USERDATA:
        previous = window->userData;
        window->userData = value;
        return previous;
    default:
        SetLastError(ERROR_INVALID_INDEX);
        return 0;
    }
}

LRESULT CallWindowProc(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return proc != nullptr ? proc(hwnd, msg, wParam, lParam) : 0;
}
