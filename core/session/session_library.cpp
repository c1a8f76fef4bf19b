// Session records: creation, lookup and release.
#include "core/session/session_library.h"

#include "core/error/last_error.h"
#include "core/events/replacement_procs.h"
#include "core/library/core_state.h"
#include "core/net/socket_api.h"
#include "platform/base/thread.h"

namespace qs {
namespace {

bool OwnedByCaller(const ClientSession &session)
{
    return (session.options & kOptionAnyThread) != 0 || session.ownerThread == GetCurrentThreadId();
}

}  // namespace

SessionLibrary::SessionLibrary(const SessionProfile &profile, SessionFactory factory)
    : profile_(profile), factory_(factory)
{
    slot_ = RegisterReplacementProc(this, &replacementProc_);
}

SessionLibrary::~SessionLibrary()
{
    // No window may keep a procedure that leads to a library that is gone.
    subclassed_.RestoreAll();
    UnregisterReplacementProc(slot_);
}

ClientSession *SessionLibrary::Find(ClientHandle handle) const
{
    return sessions_.At(handle - HandleBase());
}

ClientSession *SessionLibrary::FindOwnSocket(ws::SOCKET socket) const
{
    for (std::size_t i = 0; i < sessions_.Capacity(); ++i) {
        ClientSession *session = sessions_.At(static_cast<std::int32_t>(i));
        if (session != nullptr && session->socket == socket)
            return OwnedByCaller(*session) ? session : nullptr;
    }
    return nullptr;
}

ClientHandle SessionLibrary::NewSession()
{
    CoreLockGuard lock;
    if (networkStarts_ == 0) {
        SetErrorCode(ws::WSANOTINITIALISED);
        return kNoHandle;
    }
    std::unique_ptr<ClientSession> session = factory_();
    if (session == nullptr) {
        SetErrorCode(qsErrorOutOfMemory);
        return kNoHandle;
    }
    ClientSession *record = session.get();
    std::int32_t index = sessions_.Insert(std::move(session));
    if (index < 0) {
        SetErrorCode(qsErrorOutOfMemory);
        return kNoHandle;
    }
    record->ownerThread = GetCurrentThreadId();
    record->index = index;
    record->handle = HandleBase() + index;
    record->socket = ws::INVALID_SOCKET;
    record->timeout = kDefaultTimeout;
    return record->handle;
}

ClientSession *SessionLibrary::LookupSessionUnchecked(ClientHandle handle, bool checkOwner)
{
    CoreLockGuard lock;
    ClientSession *session = Find(handle);
    if (session == nullptr) {
        SetErrorCode(qsErrorInvalidHandle);
        return nullptr;
    }
    if (checkOwner && !OwnedByCaller(*session)) {
        SetErrorCode(qsErrorNotHandleOwner);
        return nullptr;
    }
    return session;
}

ClientSession *SessionLibrary::LookupSession(ClientHandle handle) { return LookupSessionUnchecked(handle, true); }

ClientSession *SessionLibrary::FindSessionBySocket(ws::SOCKET socket)
{
    CoreLockGuard lock;
    for (std::size_t i = 0; i < sessions_.Capacity(); ++i) {
        ClientSession *session = sessions_.At(static_cast<std::int32_t>(i));
        if (session == nullptr || session->socket != socket)
            continue;
        if (!OwnedByCaller(*session)) {
            SetErrorCode(qsErrorNotHandleOwner);
            return nullptr;
        }
        return session;
    }
    return nullptr;
}

void SessionLibrary::ReleaseSession(ClientHandle handle)
{
    ErrorCode saved = GetErrorCode();
    {
        CoreLockGuard lock;
        ClientSession *session = Find(handle);
        if (session != nullptr && OwnedByCaller(*session)) {
            SubclassWindow(handle, nullptr);
            if (session->socket != ws::INVALID_SOCKET)
                sock::closesocket(session->socket);
            sessions_.Take(session->index);
        }
    }
    SetErrorCode(saved);
}

}  // namespace qs
