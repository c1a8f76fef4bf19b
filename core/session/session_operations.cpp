// The blocking operations of a session and the small queries around them.
#include <algorithm>

#include "core/error/last_error.h"
#include "core/net/blocking_flags.h"
#include "core/net/fd_set.h"
#include "core/net/socket_api.h"
#include "core/session/session_library.h"
#include "platform/base/thread.h"

namespace qs {

ClientSession *SessionLibrary::StartOperation(ClientHandle handle)
{
    ClientSession *session = LookupSession(handle);
    if (session == nullptr)
        return nullptr;
    if (session->cancel) {
        if (profile_.clearPendingCancel)
            session->cancel = false;
        SetErrorCode(qsErrorOperationCanceled);
        return nullptr;
    }
    if (session->blocking) {
        SetErrorCode(qsErrorOperationInProgress);
        return nullptr;
    }
    return session;
}

void SessionLibrary::FinishOperation(ClientSession &session)
{
    session.blocking = false;
    session.state = kStateIdle;
}

ClientSession *SessionLibrary::WaitForSocket(ClientHandle handle, WaitFor direction)
{
    ClientSession *session = LookupSession(handle);
    if (session == nullptr)
        return nullptr;
    session->state = direction == WaitFor::kRead ? kStateReading : kStateWriting;
    if (profile_.markBlockingWhileWaiting)
        session->blocking = true;
    if (session->notificationWindow != nullptr)
        return session;

    ws::fd_set set;
    FdZero(&set);
    FdAdd(session->socket, &set);
    const ws::timeval limit{session->timeout, 0};
    const ws::timeval *timeout = session->timeout != 0 ? &limit : nullptr;
    int ready = direction == WaitFor::kRead ? BlockingSelect(0, &set, nullptr, nullptr, timeout)
                                            : BlockingSelect(0, nullptr, &set, nullptr, timeout);
    int waitError = sock::WSAGetLastError();

    session = LookupSession(handle);
    if (session == nullptr)
        return nullptr;
    ErrorCode error = 0;
    if (session->cancel)
        error = MakeErrorCode(qsErrorOperationCanceled);
    else if (ready == 0)
        error = MakeErrorCode(qsErrorOperationTimeout);
    else if (ready < 0)
        error = MakeErrorCode(waitError != 0 ? static_cast<std::uint32_t>(waitError) : qsErrorOperationCanceled);
    if (error != 0) {
        FinishOperation(*session);
        if (profile_.raiseWaitEvents && error == MakeErrorCode(qsErrorOperationTimeout))
            RaiseEvent(handle, kEventTimeout, 0);
        else if (profile_.raiseWaitEvents && error == MakeErrorCode(qsErrorOperationCanceled))
            RaiseEvent(handle, kEventCancel, 0);
        SetErrorCode(error);
        return nullptr;
    }
    return session;
}

int SessionLibrary::SessionRead(ClientHandle handle, char *buffer, int size)
{
    if (buffer == nullptr || size < 0) {
        SetErrorCode(qsErrorInvalidParameter);
        return -1;
    }
    if (StartOperation(handle) == nullptr)
        return -1;
    ClientSession *session = WaitForSocket(handle, WaitFor::kRead);
    if (session == nullptr)
        return -1;
    int received = sock::recv(session->socket, buffer, size, 0);
    FinishOperation(*session);
    if (received < 0)
        SetErrorFromNetwork();
    return received;
}

int SessionLibrary::SessionWrite(ClientHandle handle, const char *data, int size)
{
    if (data == nullptr || size < 0) {
        SetErrorCode(qsErrorInvalidParameter);
        return -1;
    }
    if (StartOperation(handle) == nullptr)
        return -1;
    ClientSession *session = WaitForSocket(handle, WaitFor::kWrite);
    if (session == nullptr)
        return -1;
    int sent = sock::send(session->socket, data, size, 0);
    FinishOperation(*session);
    if (sent < 0)
        SetErrorFromNetwork();
    return sent;
}

int SessionLibrary::SessionDisconnect(ClientHandle handle)
{
    ClientSession *session = LookupSession(handle);
    if (session == nullptr)
        return -1;
    session->state = kStateDisconnecting;
    ReleaseSession(handle);
    return 0;
}

int SessionLibrary::SessionCancel(ClientHandle handle)
{
    if (handle == kNoHandle) {
        if (IsBlockingCall())
            return CancelBlockingCall();
        SetErrorCode(qsErrorOperationNotBlocking);
        return -1;
    }
    ClientSession *session = LookupSessionUnchecked(handle, false);
    if (session == nullptr)
        return -1;
    session->cancel = true;
    if (session->ownerThread == GetCurrentThreadId() && IsBlockingCall())
        CancelBlockingCall();
    return 0;
}

int SessionLibrary::SessionIsBlocking(ClientHandle handle)
{
    if (handle == kNoHandle)
        return IsBlockingCall();
    ClientSession *session = LookupSessionUnchecked(handle, false);
    if (session == nullptr)
        return 0;
    return session->blocking || (profile_.threadWaitIsBlocking && IsBlockingCall()) ? 1 : 0;
}

int SessionLibrary::SessionIsReadable(ClientHandle handle, int seconds, DWORD *count)
{
    ClientSession *session = LookupSession(handle);
    if (count != nullptr)
        *count = 0;
    if (session == nullptr)
        return 0;
    if (session->blocking || IsBlockingCall()) {
        SetErrorCode(qsErrorOperationInProgress);
        return 0;
    }
    ws::fd_set set;
    FdZero(&set);
    FdAdd(session->socket, &set);
    const ws::timeval limit{std::max(seconds, 0), 0};
    int ready = BlockingSelect(0, &set, nullptr, nullptr, &limit);
    session = LookupSession(handle);
    if (session == nullptr)
        return 0;
    if (ready != 1) {
        Sleep(1);
        return 0;
    }
    if (session->connected && count != nullptr) {
        ws::u_long available = 0;
        if (sock::ioctlsocket(session->socket, ws::FIONREAD, &available) == 0)
            *count = available;
    }
    return 1;
}

int SessionLibrary::SessionGetTimeout(ClientHandle handle)
{
    ClientSession *session = LookupSession(handle);
    return session != nullptr ? session->timeout : -1;
}

int SessionLibrary::SessionSetTimeout(ClientHandle handle, int seconds)
{
    ClientSession *session = LookupSession(handle);
    if (session == nullptr)
        return -1;
    if (profile_.negativeTimeoutIsZero && seconds < 0)
        seconds = 0;
    session->timeout = std::min(seconds, kMaximumTimeout);
    return 0;
}

int SessionLibrary::SessionGetStatus(ClientHandle handle)
{
    ClientSession *session = LookupSessionUnchecked(handle, false);
    return session != nullptr ? session->state : -1;
}

}  // namespace qs
