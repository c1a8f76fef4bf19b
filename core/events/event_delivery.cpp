// Socket notifications in, session events out: the replacement window procedure, event delivery and
// the holding back of events while a handler runs.
#include "core/error/last_error.h"
#include "core/library/core_state.h"
#include "core/session/session_library.h"
#include "platform/base/thread.h"
#include "platform/base/window.h"

namespace qs {
namespace {

// The order in which held notifications are posted again.
constexpr std::uint32_t kRepostOrder[] = {ws::FD_ACCEPT, ws::FD_CONNECT, ws::FD_CLOSE,
                                          ws::FD_READ,   ws::FD_WRITE,   ws::FD_OOB};

// Socket errors arrive as bare numbers in the notification's high word; small values are not errors of
// the table.
constexpr std::uint32_t kFirstNotificationError = 10000;

}  // namespace

int SessionLibrary::SuspendEvents(ClientHandle handle, bool suspend)
{
    ClientSession *session = LookupSession(handle);
    if (session == nullptr)
        return -1;
    if (session->notificationWindow == nullptr || session->socket == ws::INVALID_SOCKET) {
        session->suspended = false;
        return 0;
    }
    if (session->inEvent)
        return 0;
    if (!suspend && session->suspended && session->pendingEvents != 0) {
        for (std::uint32_t bit : kRepostOrder) {
            if ((session->pendingEvents & bit) != 0)
                PostMessage(session->notificationWindow, session->socketMessage, session->socket, bit);
        }
        session->pendingEvents = 0;
    }
    session->suspended = suspend;
    return 0;
}

LRESULT SessionLibrary::RaiseEvent(ClientHandle handle, std::uint32_t event, ErrorCode error)
{
    ClientSession *session = LookupSession(handle);
    if (session == nullptr || session->suspended || (session->eventMask & event) == 0)
        return 0;
    SuspendEvents(handle, true);
    session->inEvent = true;
    if (error != 0)
        SetErrorCode(error);
    LRESULT result = 0;
    if (session->eventWindow != nullptr) {
        LPARAM parameter = static_cast<LPARAM>((ErrorNumber(error) << 16) | (event & 0xFFFF));
        result = SendMessage(session->eventWindow, session->eventMessage, static_cast<WPARAM>(handle), parameter);
    }
    // The handler may have released the session; looking it up must not disturb the error it left.
    CoreLock();
    session = Find(handle);
    CoreUnlock();
    if (session != nullptr) {
        session->inEvent = false;
        SuspendEvents(handle, false);
    }
    return result;
}

void SessionLibrary::HandleNotification(ClientSession &session, std::uint32_t bits, ErrorCode error)
{
    const ClientHandle handle = session.handle;
    if ((bits & ws::FD_READ) != 0)
        RaiseEvent(handle, kEventRead, error);
    if ((bits & ws::FD_WRITE) != 0 && !profile_.ignoreWriteNotifications)
        RaiseEvent(handle, kEventWrite, error);
    if ((bits & ws::FD_CONNECT) != 0) {
        CoreLock();
        ClientSession *current = Find(handle);
        CoreUnlock();
        if (current != nullptr && error == 0) {
            current->connected = true;
            current->state = kStateIdle;
        }
        RaiseEvent(handle, kEventConnect, error);
        if (error != 0 && profile_.releaseOnFailedConnect)
            ReleaseSession(handle);
    }
    if ((bits & ws::FD_CLOSE) != 0)
        RaiseEvent(handle, kEventDisconnect, error);
}

LRESULT SessionLibrary::NotificationWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    WNDPROC previous = nullptr;
    {
        CoreLockGuard lock;
        SubclassEntry *entry = subclassed_.Find(window);
        if (entry != nullptr)
            previous = entry->previousProc;
    }
    if (previous == nullptr)
        return 0;
    if (message < kMinimumEventMessage) {
        if (message == WM_NCDESTROY) {
            for (ClientHandle handle = FindSessionByWindow(window); handle != kNoHandle;
                 handle = FindSessionByWindow(window)) {
                if (!SubclassWindow(handle, nullptr))
                    break;
            }
        }
    } else {
        ClientSession *session = nullptr;
        {
            CoreLockGuard lock;
            session = FindOwnSocket(static_cast<ws::SOCKET>(wParam));
        }
        if (session != nullptr && message == session->socketMessage) {
            auto bits = static_cast<std::uint32_t>(LOWORD(static_cast<std::uintptr_t>(lParam)));
            std::uint32_t number = HIWORD(static_cast<std::uintptr_t>(lParam));
            if (session->suspended) {
                session->pendingEvents |= bits;
            } else {
                ErrorCode error = 0;
                if (number > kFirstNotificationError) {
                    error = MakeErrorCode(number);
                    SetErrorCode(error);
                }
                HandleNotification(*session, bits, error);
            }
        }
    }
    return CallWindowProc(previous, window, message, wParam, lParam);
}

}  // namespace qs
