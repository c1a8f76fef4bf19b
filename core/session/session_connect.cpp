// The shared connection pattern: resolve, open, and connect either blocking (waiting in BlockingSelect)
// or asynchronously (the outcome arrives as the Connect event).
#include <cstring>

#include "core/error/last_error.h"
#include "core/net/dotted_address.h"
#include "core/net/fd_set.h"
#include "core/net/socket_api.h"
#include "core/session/session_library.h"
#include "platform/base/window.h"

namespace qs {
namespace {

bool SetNonBlocking(ws::SOCKET socket, bool on)
{
    ws::u_long value = on ? 1 : 0;
    return sock::ioctlsocket(socket, ws::FIONBIO, &value) == 0;
}

// The socket library's error, or `fallback` when it reports none.
void StoreNetworkError(ErrorCode fallback)
{
    if (SetErrorFromNetwork() == 0)
        SetErrorCode(fallback);
}

// The connection's pending error, 0 when it has none.
int PendingError(ws::SOCKET socket)
{
    int error = 0;
    int length = sizeof error;
    if (sock::getsockopt(socket, ws::SOL_SOCKET, ws::SO_ERROR, reinterpret_cast<char *>(&error), &length) != 0)
        return 0;
    return error;
}

}  // namespace

// Releases a session whose connection failed; the error is already stored and stays.
void SessionLibrary::FailConnect(ClientHandle handle) { ReleaseSession(handle); }

ClientHandle SessionLibrary::SessionConnect(const char *host, int port, int timeout, std::uint32_t options,
                                            HWND window, UINT message)
{
    if (host == nullptr || *host == '\0') {
        SetErrorCode(qsErrorInvalidHostName);
        return kNoHandle;
    }
    if (window != nullptr &&
        (!IsWindow(window) || (profile_.checkEventMessage && message < kMinimumEventMessage))) {
        SetErrorCode(qsErrorInvalidParameter);
        return kNoHandle;
    }
    if (port < 0 || port > 0xFFFF) {
        SetErrorCode(qsErrorInvalidServicePort);
        return kNoHandle;
    }
    ClientHandle handle = NewSession();
    if (handle == kNoHandle)
        return kNoHandle;

    ws::sockaddr_in address{};
    address.sin_family = ws::AF_INET;
    if (port != 0) {
        address.sin_port = sock::htons(static_cast<ws::u_short>(port));
    } else {
        ws::servent *service = profile_.serviceName != nullptr ? sock::getservbyname(profile_.serviceName, "tcp")
                                                               : nullptr;
        address.sin_port = service != nullptr ? static_cast<std::uint16_t>(service->s_port)
                                              : sock::htons(profile_.defaultPort);
    }
    address.sin_addr.s_addr = ParseDottedAddress(host);
    if (address.sin_addr.s_addr == ws::INADDR_NONE) {
        ws::hostent *entry = sock::gethostbyname(host);
        if (entry == nullptr || entry->h_addr_list == nullptr || entry->h_addr_list[0] == nullptr ||
            entry->h_length != sizeof address.sin_addr.s_addr) {
            if (profile_.unknownHostError != 0)
                SetErrorCode(profile_.unknownHostError);
            else
                StoreNetworkError(qsErrorInvalidHostName);
            FailConnect(handle);
            return kNoHandle;
        }
        std::memcpy(&address.sin_addr.s_addr, entry->h_addr_list[0], sizeof address.sin_addr.s_addr);
    }

    ClientSession *session = LookupSession(handle);
    session->timeout = timeout != 0 ? timeout : kDefaultTimeout;
    if (profile_.recordOptionsEarly)
        session->options = options;
    session->socket = sock::socket(ws::AF_INET, ws::SOCK_STREAM, 0);
    if (session->socket == ws::INVALID_SOCKET) {
        StoreNetworkError(ws::WSAENOBUFS);
        FailConnect(handle);
        return kNoHandle;
    }
    if (BindNotificationWindow(handle, window, kSocketMessage) != 0 ||
        SetEventWindow(handle, window, message, profile_.allEvents) != 0) {
        FailConnect(handle);
        return kNoHandle;
    }
    session = LookupSession(handle);
    const ws::SOCKET socket = session->socket;
    if (window == nullptr && !SetNonBlocking(socket, true)) {
        StoreNetworkError(ws::WSAEINVAL);
        FailConnect(handle);
        return kNoHandle;
    }
    session->blocking = true;
    session->state = kStateConnecting;
    if (sock::connect(socket, reinterpret_cast<const ws::sockaddr *>(&address), sizeof address) != 0) {
        if (sock::WSAGetLastError() != ws::WSAEWOULDBLOCK) {
            StoreNetworkError(qsErrorConnectionRefused);
            FailConnect(handle);
            return kNoHandle;
        }
        if (window != nullptr) {
            session->blocking = false;
            return handle;
        }
        ws::fd_set writable, failed;
        FdZero(&writable);
        FdZero(&failed);
        FdAdd(socket, &writable);
        FdAdd(socket, &failed);
        const ws::timeval limit{session->timeout != 0 ? session->timeout : kDefaultTimeout, 0};
        int ready = BlockingSelect(0, nullptr, &writable, &failed, &limit);
        if (ready == -1) {
            StoreNetworkError(qsErrorOperationCanceled);
            FailConnect(handle);
            return kNoHandle;
        }
        // A handler that ran during the wait may have released the session.
        session = LookupSession(handle);
        if (session == nullptr)
            return kNoHandle;
        if (ready == 0) {
            SetErrorCode(qsErrorOperationTimeout);
            FailConnect(handle);
            return kNoHandle;
        }
        // A refused connection shows in the exception set; its pending error says why.
        int pending = PendingError(socket);
        if (FdIsSet(socket, &failed) || pending != 0) {
            SetErrorCode(pending != 0 ? static_cast<std::uint32_t>(pending) : ws::WSAECONNREFUSED);
            FailConnect(handle);
            return kNoHandle;
        }
    }
    session->blocking = false;
    session->connected = true;
    session->options = options;
    session->state = kStateIdle;
    if (window == nullptr)
        SetNonBlocking(socket, false);
    return handle;
}

}  // namespace qs
