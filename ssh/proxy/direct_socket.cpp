#include "ssh/proxy/direct_socket.h"

#include <algorithm>
#include <climits>

#include "core/error/last_error.h"
#include "core/net/fd_set.h"
#include "core/net/socket_api.h"

namespace qs::ssh {
namespace {

// One receive takes at most this much; the socket library reports the rest as still readable.
constexpr int kReceiveChunk = 16384;
constexpr std::uint32_t kMillisPerSecond = 1000;

// The socket library's last error, or `fallback` when it has none.
ErrorCode StoreNetworkError(ErrorCode fallback)
{
    ErrorCode stored = SetErrorFromNetwork();
    if (stored != 0)
        return stored;
    SetErrorCode(fallback);
    return fallback;
}

bool SetOption(ws::SOCKET s, int level, int option)
{
    const int on = 1;
    return sock::setsockopt(s, level, option, reinterpret_cast<const char *>(&on), sizeof on) == 0;
}

// The error a finished connection attempt left on the socket, 0 when it succeeded.
int PendingError(ws::SOCKET s)
{
    int error = 0;
    int length = sizeof error;
    if (sock::getsockopt(s, ws::SOL_SOCKET, ws::SO_ERROR, reinterpret_cast<char *>(&error), &length) != 0)
        return 0;
    return error;
}

}  // namespace

std::unique_ptr<DirectSocket> DirectSocket::Open(std::uint32_t address, int port, SshSocketOwner &owner)
{
    ws::SOCKET s = sock::socket(ws::AF_INET, ws::SOCK_STREAM, ws::IPPROTO_TCP);
    if (s == ws::INVALID_SOCKET) {
        StoreNetworkError(MakeErrorCode(ws::WSAENOBUFS));
        return nullptr;
    }
    ws::sockaddr_in local{};
    local.sin_family = ws::AF_INET;
    local.sin_addr.s_addr = ws::INADDR_ANY;
    ws::u_long nonBlocking = 1;
    if (!SetOption(s, ws::SOL_SOCKET, ws::SO_OOBINLINE) || !SetOption(s, ws::IPPROTO_TCP, ws::TCP_NODELAY) ||
        sock::bind(s, reinterpret_cast<const ws::sockaddr *>(&local), sizeof local) != 0 ||
        sock::ioctlsocket(s, ws::FIONBIO, &nonBlocking) != 0) {
        StoreNetworkError(MakeErrorCode(ws::WSAEINVAL));
        sock::closesocket(s);
        return nullptr;
    }
    ws::sockaddr_in remote{};
    remote.sin_family = ws::AF_INET;
    remote.sin_port = sock::htons(static_cast<ws::u_short>(port));
    remote.sin_addr.s_addr = address;
    bool connected = true;
    if (sock::connect(s, reinterpret_cast<const ws::sockaddr *>(&remote), sizeof remote) != 0) {
        if (sock::WSAGetLastError() != ws::WSAEWOULDBLOCK) {
            StoreNetworkError(MakeErrorCode(qsErrorConnectionRefused));
            sock::closesocket(s);
            return nullptr;
        }
        connected = false;
    }
    return std::unique_ptr<DirectSocket>(new DirectSocket(s, connected, owner));
}

DirectSocket::DirectSocket(ws::SOCKET socket, bool connected, SshSocketOwner &owner)
    : socket_(socket), connected_(connected), owner_(owner)
{
}

DirectSocket::~DirectSocket() { Close(); }

void DirectSocket::Close()
{
    if (socket_ == ws::INVALID_SOCKET)
        return;
    sock::closesocket(socket_);
    socket_ = ws::INVALID_SOCKET;
    backlog_.clear();
    backlogStart_ = 0;
}

void DirectSocket::Finish(ErrorCode error)
{
    if (Closed())
        return;
    Close();
    owner_.Closing(error);
}

bool DirectSocket::Write(ByteView bytes)
{
    if (Closed())
        return false;
    if (backlog_.size() - backlogStart_ + bytes.size() > kMaxSendBacklog) {
        Finish(MakeErrorCode(qsErrorOutOfBuffers));
        return false;
    }
    // Sent bytes are dropped from the front only once they are half the buffer, so a long backlog is
    // not moved for every partial send.
    if (backlogStart_ > 0 && backlogStart_ >= backlog_.size() / 2) {
        backlog_.erase(backlog_.begin(), backlog_.begin() + static_cast<std::ptrdiff_t>(backlogStart_));
        backlogStart_ = 0;
    }
    backlog_.insert(backlog_.end(), bytes.begin(), bytes.end());
    if (connected_)
        SendBacklog();
    return !Closed();
}

void DirectSocket::SendBacklog()
{
    bool sentSome = false;
    while (!Closed() && backlogStart_ < backlog_.size()) {
        const std::size_t pending = backlog_.size() - backlogStart_;
        const int length = static_cast<int>(std::min<std::size_t>(pending, INT_MAX));
        int n = sock::send(socket_, reinterpret_cast<const char *>(backlog_.data() + backlogStart_), length, 0);
        if (n < 0) {
            if (sock::WSAGetLastError() == ws::WSAEWOULDBLOCK)
                break;
            Finish(StoreNetworkError(MakeErrorCode(qsErrorConnectionAborted)));
            return;
        }
        backlogStart_ += static_cast<std::size_t>(n);
        sentSome = true;
    }
    if (backlogStart_ == backlog_.size()) {
        backlog_.clear();
        backlogStart_ = 0;
    }
    if (sentSome && !Closed())
        owner_.Sent(backlog_.size() - backlogStart_);
}

bool DirectSocket::ReadOnce()
{
    char buffer[kReceiveChunk];
    int n = sock::recv(socket_, buffer, sizeof buffer, 0);
    if (n > 0) {
        owner_.Receive(ByteView(reinterpret_cast<const std::uint8_t *>(buffer), static_cast<std::size_t>(n)));
        return true;
    }
    if (n == 0)
        Finish(0);
    else if (sock::WSAGetLastError() != ws::WSAEWOULDBLOCK)
        Finish(StoreNetworkError(MakeErrorCode(qsErrorConnectionReset)));
    return false;
}

void DirectSocket::HandleEvent(std::int32_t event, int error)
{
    if (Closed())
        return;
    if (error != 0) {
        Finish(MakeErrorCode(static_cast<std::uint32_t>(error)));
        return;
    }
    switch (event) {
    case ws::FD_CONNECT:
        connected_ = true;
        SendBacklog();
        break;
    case ws::FD_READ:
        ReadOnce();
        break;
    case ws::FD_WRITE:
        // A socket registered for notifications after its connect finished hears FD_WRITE instead.
        connected_ = true;
        SendBacklog();
        break;
    case ws::FD_CLOSE:
        // Everything the peer sent is in by now: hand it over, then report the end.
        while (!Closed() && ReadOnce()) {
        }
        Finish(0);
        break;
    default:
        break;
    }
}

int DirectSocket::Wait(std::uint32_t milliseconds)
{
    if (Closed())
        return 0;
    ws::fd_set readable, writable, failed;
    FdZero(&readable);
    FdZero(&writable);
    FdZero(&failed);
    if (connected_) {
        FdAdd(socket_, &readable);
        if (backlogStart_ < backlog_.size())
            FdAdd(socket_, &writable);
    } else {
        FdAdd(socket_, &writable);
        FdAdd(socket_, &failed);
    }
    const ws::timeval limit{static_cast<std::int32_t>(milliseconds / kMillisPerSecond),
                            static_cast<std::int32_t>(milliseconds % kMillisPerSecond * kMillisPerSecond)};
    int ready = BlockingSelect(0, &readable, &writable, connected_ ? nullptr : &failed, &limit);
    if (ready < 0) {
        StoreNetworkError(MakeErrorCode(qsErrorOperationCanceled));
        return -1;
    }
    if (ready == 0)
        return 0;
    if (!connected_) {
        // A refused attempt shows in the exception set; its pending error says why.
        int pending = PendingError(socket_);
        if (pending == 0 && FdIsSet(socket_, &failed))
            pending = ws::WSAECONNREFUSED;
        HandleEvent(ws::FD_CONNECT, pending);
        return 1;
    }
    if (FdIsSet(socket_, &readable))
        HandleEvent(ws::FD_READ, 0);
    if (!Closed() && FdIsSet(socket_, &writable))
        HandleEvent(ws::FD_WRITE, 0);
    return 1;
}

}  // namespace qs::ssh
