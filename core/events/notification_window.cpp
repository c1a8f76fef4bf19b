// Binding sessions to the windows that receive their socket notifications and their events.
#include "core/error/last_error.h"
#include "core/library/core_state.h"
#include "core/net/socket_api.h"
#include "core/session/session_library.h"
#include "platform/base/thread.h"
#include "platform/base/window.h"

namespace qs {
namespace {

// The socket library's notifications a session asks for: read, write, connect and close.
constexpr std::int32_t kNotifications = ws::FD_READ | ws::FD_WRITE | ws::FD_CONNECT | ws::FD_CLOSE;

}  // namespace

int SessionLibrary::SubclassWindow(ClientHandle handle, HWND window)
{
    CoreLockGuard lock;
    ClientSession *session = LookupSession(handle);
    if (session == nullptr)
        return 0;
    if (window != nullptr) {
        if (!IsWindow(window)) {
            SetErrorCode(qsErrorInvalidParameter);
            return 0;
        }
        if (GetWindowThreadProcessId(window, nullptr) != session->ownerThread) {
            SetErrorCode(qsErrorNotHandleOwner);
            return 0;
        }
    }
    if (session->previousProc != nullptr) {
        SubclassEntry *entry = subclassed_.Find(session->notificationWindow);
        if (entry != nullptr && --entry->uses == 0) {
            if (IsWindow(entry->window))
                SetWindowLongPtr(entry->window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(entry->previousProc));
            subclassed_.Remove(entry);
        }
        session->previousProc = nullptr;
    }
    session->notificationWindow = window;
    if (window == nullptr)
        return 1;
    SubclassEntry *entry = subclassed_.Find(window);
    if (entry == nullptr) {
        entry = replacementProc_ != nullptr
                    ? subclassed_.Add(window, reinterpret_cast<WNDPROC>(GetWindowLongPtr(window, GWLP_WNDPROC)))
                    : nullptr;
        if (entry == nullptr) {
            session->notificationWindow = nullptr;
            SetErrorCode(qsErrorOutOfMemory);
            return 0;
        }
        SetWindowLongPtr(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(replacementProc_));
    }
    session->previousProc = entry->previousProc;
    ++entry->uses;
    return 1;
}

void SessionLibrary::RestoreSubclassedWindows()
{
    CoreLockGuard lock;
    subclassed_.RestoreAll();
}

ClientHandle SessionLibrary::FindSessionByWindow(HWND window)
{
    CoreLockGuard lock;
    DWORD thread = GetCurrentThreadId();
    for (std::size_t i = 0; window != nullptr && i < sessions_.Capacity(); ++i) {
        ClientSession *session = sessions_.At(static_cast<std::int32_t>(i));
        if (session != nullptr && session->ownerThread == thread && session->notificationWindow == window)
            return session->handle;
    }
    return kNoHandle;
}

int SessionLibrary::BindNotificationWindow(ClientHandle handle, HWND window, UINT socketMessage)
{
    ClientSession *session = LookupSession(handle);
    if (session == nullptr)
        return -1;
    if (session->inEvent) {
        SetErrorCode(qsErrorOperationInProgress);
        return -1;
    }
    // Checked before anything changes, so a refused window leaves the session as it was.
    if (window != nullptr && (!IsWindow(window) || socketMessage < kMinimumEventMessage)) {
        SetErrorCode(qsErrorInvalidParameter);
        return -1;
    }
    HWND previous = session->notificationWindow;
    if (!SubclassWindow(handle, window))
        return -1;
    const bool hasSocket = session->socket != ws::INVALID_SOCKET;
    if (window == nullptr) {
        session->socketMessage = 0;
        if (hasSocket) {
            if (previous != nullptr)
                sock::WSAAsyncSelect(session->socket, previous, 0, 0);
            ws::u_long blocking = 0;
            sock::ioctlsocket(session->socket, ws::FIONBIO, &blocking);
        }
        return 0;
    }
    session->socketMessage = socketMessage;
    if (hasSocket && sock::WSAAsyncSelect(session->socket, window, socketMessage, kNotifications) != 0) {
        if (SetErrorFromNetwork() == 0)
            SetErrorCode(ws::WSAENOTSOCK);
        return -1;
    }
    return 0;
}

int SessionLibrary::ClearEvents(ClientHandle handle)
{
    ClientSession *session = LookupSession(handle);
    if (session == nullptr)
        return -1;
    if (session->notificationWindow != nullptr && BindNotificationWindow(handle, nullptr, 0) != 0)
        return -1;
    session->eventWindow = nullptr;
    session->eventMessage = 0;
    session->eventMask = 0;
    return 0;
}

int SessionLibrary::SetEventWindow(ClientHandle handle, HWND window, UINT message, std::uint32_t mask)
{
    ClientSession *session = LookupSession(handle);
    if (session == nullptr)
        return -1;
    if (window == nullptr)
        return ClearEvents(handle);
    if (!IsWindow(window) || message < kMinimumEventMessage) {
        SetErrorCode(qsErrorInvalidParameter);
        return -1;
    }
    if (session->notificationWindow == nullptr && (mask & kEventsNetwork) != 0 &&
        BindNotificationWindow(handle, window, kSocketMessage) != 0)
        return -1;
    session->eventMessage = message;
    session->eventWindow = window;
    session->eventMask = mask;
    return 0;
}

}  // namespace qs
