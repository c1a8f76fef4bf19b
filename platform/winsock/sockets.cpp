// Socket creation, connection and data transfer over the C library's sockets.
#include "platform/winsock/ws_constants.h"  // before the POSIX headers

#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>

#include "platform/winsock/address.h"
#include "platform/winsock/async_select.h"
#include "platform/winsock/calls.h"
#include "platform/winsock/errors.h"
#include "platform/winsock/libc.h"
#include "platform/winsock/socket_table.h"
#include "platform/winsock/startup.h"

namespace qsws {
namespace {

// The platform's message flags this library honours and their POSIX counterparts.
constexpr int kWsaDontRoute = 0x4;
constexpr int kWsaWaitAll = 0x8;

// -1 for flags this library does not know.
int PosixSendFlags(int flags)
{
    if ((flags & ~(ws::MSG_OOB | kWsaDontRoute)) != 0) {
        return -1;
    }
    return ((flags & ws::MSG_OOB) != 0 ? MSG_OOB : 0) | ((flags & kWsaDontRoute) != 0 ? MSG_DONTROUTE : 0) |
           MSG_NOSIGNAL;  // a closed peer is an error number, never a signal
}

int PosixRecvFlags(int flags)
{
    if ((flags & ~(ws::MSG_OOB | ws::MSG_PEEK | kWsaWaitAll)) != 0) {
        return -1;
    }
    return ((flags & ws::MSG_OOB) != 0 ? MSG_OOB : 0) | ((flags & ws::MSG_PEEK) != 0 ? MSG_PEEK : 0) |
           ((flags & kWsaWaitAll) != 0 ? MSG_WAITALL : 0);
}

bool BadBuffer(const char *buffer, int length)
{
    return length < 0 || (buffer == nullptr && length > 0);
}

// A would-block on a blocking socket can only be its send or receive time-out running out.
int FailTransfer(int err, const SocketView &view)
{
    if (err == EAGAIN && !view.nonBlocking) {
        return Fail(ws::WSAETIMEDOUT);
    }
    // A datagram socket learns of an unreachable peer port as a reset, as the platform reports it.
    if (err == ECONNREFUSED && view.type == SOCK_DGRAM) {
        return Fail(ws::WSAECONNRESET);
    }
    return FailErrno(err);
}

int SendCommon(const SocketView &view, const char *buffer, int length, int flags, const sockaddr_in *to)
{
    int posixFlags = PosixSendFlags(flags);
    if (posixFlags < 0) {
        return Fail(ws::WSAEOPNOTSUPP);
    }
    ssize_t n;
    do {
        n = to != nullptr ? Libc()->sendto(view.fd, buffer, static_cast<size_t>(length), posixFlags,
                                           reinterpret_cast<const sockaddr *>(to), sizeof(*to))
                          : Libc()->send(view.fd, buffer, static_cast<size_t>(length), posixFlags);
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        int err = errno;
        if (err == EAGAIN) {
            Rearm(view.fd, ws::FD_WRITE);  // FD_WRITE again once there is room
        }
        // Linux reports a stream that was never connected like one shut down.
        if (err == EPIPE && view.type == SOCK_STREAM && view.connect != ConnectState::Connected) {
            return Fail(ws::WSAENOTCONN);
        }
        return FailTransfer(err, view);
    }
    return static_cast<int>(n);
}

int RecvCommon(const SocketView &view, char *buffer, int length, int flags, ws::sockaddr *from, int *fromLength)
{
    int posixFlags = PosixRecvFlags(flags);
    if (posixFlags < 0) {
        return Fail(ws::WSAEOPNOTSUPP);
    }
    sockaddr_in peer{};
    iovec part{buffer, static_cast<size_t>(length)};
    msghdr message{};
    message.msg_name = &peer;
    message.msg_namelen = sizeof(peer);
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    ssize_t n;
    do {
        n = Libc()->recvmsg(view.fd, &message, posixFlags);
    } while (n < 0 && errno == EINTR);
    int err = errno;
    // Any receive call re-enables FD_READ, whatever its outcome.
    Rearm(view.fd, ws::FD_READ);
    if (n < 0) {
        return FailTransfer(err, view);
    }
    if ((message.msg_flags & MSG_TRUNC) != 0 && view.type == SOCK_DGRAM) {
        return Fail(ws::WSAEMSGSIZE);  // the buffer holds the datagram's start; the rest is gone
    }
    if (from != nullptr && message.msg_namelen >= sizeof(sockaddr_in) && peer.sin_family == AF_INET) {
        FromPosixAddress(peer, from, fromLength);
    }
    return static_cast<int>(n);
}

int GetName(ws::SOCKET s, ws::sockaddr *address, int *length, bool peer)
{
    std::optional<SocketView> view = Begin(s);
    if (!view) {
        return ws::SOCKET_ERROR;
    }
    if (address == nullptr) {
        return Fail(ws::WSAEFAULT);
    }
    if (int error = CheckAddressBuffer(address, length); error != 0) {
        return Fail(error);
    }
    sockaddr_in in{};
    socklen_t inLength = sizeof(in);
    auto call = peer ? Libc()->getpeername : Libc()->getsockname;
    if (call(view->fd, reinterpret_cast<sockaddr *>(&in), &inLength) != 0) {
        return FailErrno(errno);
    }
    return FromPosixAddress(in, address, length) == 0 ? 0 : Fail(ws::WSAEFAULT);
}

}  // namespace

ws::SOCKET Socket(int family, int type, int protocol)
{
    if (!RequireStarted()) {
        return ws::INVALID_SOCKET;
    }
    if (family != wsc::kAfInet) {
        Fail(ws::WSAEAFNOSUPPORT);
        return ws::INVALID_SOCKET;
    }
    if (type != ws::SOCK_STREAM && type != ws::SOCK_DGRAM) {
        Fail(ws::WSAESOCKTNOSUPPORT);
        return ws::INVALID_SOCKET;
    }
    int posixType = type == ws::SOCK_STREAM ? SOCK_STREAM : SOCK_DGRAM;
    int fd = Libc()->socket(AF_INET, posixType | SOCK_CLOEXEC, protocol);
    if (fd < 0) {
        FailErrno(errno);
        return ws::INVALID_SOCKET;
    }
    SocketRecord record;
    record.type = posixType;
    std::lock_guard<std::mutex> hold(TableLock());
    AddSocket(fd, record);
    return static_cast<ws::SOCKET>(fd);
}

int Bind(ws::SOCKET s, const ws::sockaddr *address, int length)
{
    std::optional<SocketView> view = Begin(s);
    if (!view) {
        return ws::SOCKET_ERROR;
    }
    sockaddr_in in{};
    if (int error = ToPosixAddress(address, length, in); error != 0) {
        return Fail(error);
    }
    if (Libc()->bind(view->fd, reinterpret_cast<const sockaddr *>(&in), sizeof(in)) != 0) {
        return FailErrno(errno);
    }
    return 0;
}

int Connect(ws::SOCKET s, const ws::sockaddr *address, int length)
{
    std::optional<SocketView> view = Begin(s);
    if (!view) {
        return ws::SOCKET_ERROR;
    }
    sockaddr_in in{};
    if (int error = ToPosixAddress(address, length, in); error != 0) {
        return Fail(error);
    }
    if (view->connect == ConnectState::Connecting) {
        SettleConnect(view->fd);
        view = Begin(s);
        if (!view) {
            return ws::SOCKET_ERROR;
        }
        if (view->connect == ConnectState::Connecting) {
            return Fail(ws::WSAEALREADY);
        }
        if (view->connect == ConnectState::Connected) {
            return Fail(ws::WSAEISCONN);
        }
    }
    int result = Libc()->connect(view->fd, reinterpret_cast<const sockaddr *>(&in), sizeof(in));
    int err = errno;
    if (view->type != SOCK_STREAM) {
        return result == 0 ? 0 : FailErrno(err);
    }
    if (result != 0 && err != EINPROGRESS) {
        return FailErrno(err);
    }
    WithSocket(view->fd, [&](SocketRecord &record) {
        // An asynchronous socket learns of an immediate success through FD_CONNECT too, so it waits for
        // the watch like a pending attempt.
        bool pending = result != 0 || record.async.has_value();
        record.connect = pending ? ConnectState::Connecting : ConnectState::Connected;
        record.pendingError = 0;
    });
    SyncWatch(view->fd);
    // A connect that has not completed yet is the platform's would-block, not "in progress".
    return result == 0 ? 0 : Fail(ws::WSAEWOULDBLOCK);
}

int Listen(ws::SOCKET s, int backlog)
{
    std::optional<SocketView> view = Begin(s);
    if (!view) {
        return ws::SOCKET_ERROR;
    }
    if (view->type != SOCK_STREAM) {
        return Fail(ws::WSAEOPNOTSUPP);
    }
    if (Libc()->listen(view->fd, backlog < 0 ? 0 : backlog) != 0) {
        return FailErrno(errno);
    }
    WithSocket(view->fd, [](SocketRecord &record) { record.listening = true; });
    SyncWatch(view->fd);
    return 0;
}

ws::SOCKET Accept(ws::SOCKET s, ws::sockaddr *address, int *length)
{
    std::optional<SocketView> view = Begin(s);
    if (!view) {
        return ws::INVALID_SOCKET;
    }
    // Refused before accepting, so that no connection is taken and then lost.
    if (int error = CheckAddressBuffer(address, length); error != 0) {
        Fail(error);
        return ws::INVALID_SOCKET;
    }
    if (!view->listening) {
        Fail(ws::WSAEINVAL);
        return ws::INVALID_SOCKET;
    }
    sockaddr_in peer{};
    socklen_t peerLength = sizeof(peer);
    int flags = SOCK_CLOEXEC | (view->nonBlocking ? SOCK_NONBLOCK : 0);  // the platform's sockets inherit the mode
    int fd;
    do {
        fd = Libc()->accept4(view->fd, reinterpret_cast<sockaddr *>(&peer), &peerLength, flags);
    } while (fd < 0 && errno == EINTR);
    int err = errno;
    Rearm(view->fd, ws::FD_ACCEPT);
    if (fd < 0) {
        FailTransfer(err, *view);
        return ws::INVALID_SOCKET;
    }
    SocketRecord record;
    record.type = SOCK_STREAM;
    record.nonBlocking = view->nonBlocking;
    record.connect = ConnectState::Connected;
    {
        std::lock_guard<std::mutex> hold(TableLock());
        AddSocket(fd, record);
    }
    InheritAsync(view->fd, fd);
    FromPosixAddress(peer, address, length);
    return static_cast<ws::SOCKET>(fd);
}

ws::SOCKET AcceptConditional(ws::SOCKET s, ws::sockaddr *address, int *length, void *condition, std::uintptr_t)
{
    if (condition != nullptr) {
        // Conditional acceptance is not offered; without a condition this is a plain accept.
        if (Begin(s)) {
            Fail(ws::WSAEOPNOTSUPP);
        }
        return ws::INVALID_SOCKET;
    }
    return Accept(s, address, length);
}

int Send(ws::SOCKET s, const char *buffer, int length, int flags)
{
    std::optional<SocketView> view = Begin(s);
    if (!view) {
        return ws::SOCKET_ERROR;
    }
    if (BadBuffer(buffer, length)) {
        return Fail(ws::WSAEFAULT);
    }
    return SendCommon(*view, buffer, length, flags, nullptr);
}

int SendTo(ws::SOCKET s, const char *buffer, int length, int flags, const ws::sockaddr *to, int toLength)
{
    std::optional<SocketView> view = Begin(s);
    if (!view) {
        return ws::SOCKET_ERROR;
    }
    if (BadBuffer(buffer, length)) {
        return Fail(ws::WSAEFAULT);
    }
    // A stream socket, or a call without an address, sends to the connected peer.
    if (to == nullptr || view->type == SOCK_STREAM) {
        return SendCommon(*view, buffer, length, flags, nullptr);
    }
    sockaddr_in in{};
    if (int error = ToPosixAddress(to, toLength, in); error != 0) {
        return Fail(error);
    }
    return SendCommon(*view, buffer, length, flags, &in);
}

int Recv(ws::SOCKET s, char *buffer, int length, int flags)
{
    std::optional<SocketView> view = Begin(s);
    if (!view) {
        return ws::SOCKET_ERROR;
    }
    if (BadBuffer(buffer, length)) {
        return Fail(ws::WSAEFAULT);
    }
    return RecvCommon(*view, buffer, length, flags, nullptr, nullptr);
}

int RecvFrom(ws::SOCKET s, char *buffer, int length, int flags, ws::sockaddr *from, int *fromLength)
{
    std::optional<SocketView> view = Begin(s);
    if (!view) {
        return ws::SOCKET_ERROR;
    }
    if (BadBuffer(buffer, length)) {
        return Fail(ws::WSAEFAULT);
    }
    if (int error = CheckAddressBuffer(from, fromLength); error != 0) {
        return Fail(error);
    }
    return RecvCommon(*view, buffer, length, flags, from, fromLength);
}

int Shutdown(ws::SOCKET s, int how)
{
    std::optional<SocketView> view = Begin(s);
    if (!view) {
        return ws::SOCKET_ERROR;
    }
    static constexpr int kHow[] = {SHUT_RD, SHUT_WR, SHUT_RDWR};  // SD_RECEIVE, SD_SEND, SD_BOTH
    if (how < ws::SD_RECEIVE || how > ws::SD_BOTH) {
        return Fail(ws::WSAEINVAL);
    }
    if (Libc()->shutdown(view->fd, kHow[how]) != 0) {
        return FailErrno(errno);
    }
    return 0;
}

int CloseSocket(ws::SOCKET s)
{
    if (!RequireStarted()) {
        return ws::SOCKET_ERROR;
    }
    return DropSocket(ToFd(s)) ? 0 : Fail(ws::WSAENOTSOCK);
}

int GetPeerName(ws::SOCKET s, ws::sockaddr *address, int *length)
{
    return GetName(s, address, length, true);
}

int GetSockName(ws::SOCKET s, ws::sockaddr *address, int *length)
{
    return GetName(s, address, length, false);
}

}  // namespace qsws
