// Socket options and ioctlsocket: the platform's option numbers and value layouts mapped to Linux.
#include "platform/winsock/ws_constants.h"  // before the POSIX headers

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>

#include "platform/winsock/async_select.h"
#include "platform/winsock/calls.h"
#include "platform/winsock/errors.h"
#include "platform/winsock/libc.h"
#include "platform/winsock/socket_table.h"

namespace qsws {
namespace {

// How an option's value is laid out on each side.
enum class Layout {
    Int,     // a 32-bit integer or boolean on both sides
    Linger,  // the platform's {u_short onoff, u_short seconds}; Linux's {int, int}
    Millis,  // the platform's 32-bit milliseconds; Linux's timeval
    Error,   // SO_ERROR: the pending error, as the platform's number
};

struct OptionRow {
    int wsLevel;
    int wsOption;
    int level;
    int option;
    Layout layout;
    bool readOnly;
};

constexpr OptionRow kOptions[] = {
    {wsc::kSolSocket, wsc::kSoDebug, SOL_SOCKET, SO_DEBUG, Layout::Int, false},
    {wsc::kSolSocket, wsc::kSoAcceptConn, SOL_SOCKET, SO_ACCEPTCONN, Layout::Int, true},
    {wsc::kSolSocket, wsc::kSoReuseAddr, SOL_SOCKET, SO_REUSEADDR, Layout::Int, false},
    {wsc::kSolSocket, wsc::kSoKeepAlive, SOL_SOCKET, SO_KEEPALIVE, Layout::Int, false},
    {wsc::kSolSocket, wsc::kSoDontRoute, SOL_SOCKET, SO_DONTROUTE, Layout::Int, false},
    {wsc::kSolSocket, wsc::kSoBroadcast, SOL_SOCKET, SO_BROADCAST, Layout::Int, false},
    {wsc::kSolSocket, wsc::kSoLinger, SOL_SOCKET, SO_LINGER, Layout::Linger, false},
    {wsc::kSolSocket, wsc::kSoOobInline, SOL_SOCKET, SO_OOBINLINE, Layout::Int, false},
    {wsc::kSolSocket, wsc::kSoSndBuf, SOL_SOCKET, SO_SNDBUF, Layout::Int, false},
    {wsc::kSolSocket, wsc::kSoRcvBuf, SOL_SOCKET, SO_RCVBUF, Layout::Int, false},
    {wsc::kSolSocket, wsc::kSoSndTimeo, SOL_SOCKET, SO_SNDTIMEO, Layout::Millis, false},
    {wsc::kSolSocket, wsc::kSoRcvTimeo, SOL_SOCKET, SO_RCVTIMEO, Layout::Millis, false},
    {wsc::kSolSocket, wsc::kSoError, SOL_SOCKET, SO_ERROR, Layout::Error, true},
    {wsc::kSolSocket, wsc::kSoType, SOL_SOCKET, SO_TYPE, Layout::Int, true},
    {ws::IPPROTO_TCP, wsc::kTcpNoDelay, IPPROTO_TCP, TCP_NODELAY, Layout::Int, false},
};

struct WsLinger {
    std::uint16_t onoff;
    std::uint16_t seconds;
};
constexpr int kValueLength = 4;  // every platform value here is 4 bytes
static_assert(sizeof(WsLinger) == kValueLength);

// Null with the platform's error set: 10022 for an unknown level, 10042 for an unknown option.
const OptionRow *FindOption(int level, int option)
{
    bool levelKnown = false;
    for (const OptionRow &row : kOptions) {
        if (row.wsLevel == level) {
            levelKnown = true;
            if (row.wsOption == option) {
                return &row;
            }
        }
    }
    Fail(levelKnown ? ws::WSAENOPROTOOPT : ws::WSAEINVAL);
    return nullptr;
}

// SO_ERROR: a connect still pending is settled first, so that its failure is not read (and cleared)
// behind the library's back; a settled failure is handed out once.
int PendingError(int fd)
{
    SettleConnect(fd);
    int number = -1;
    {
        std::lock_guard<std::mutex> hold(TableLock());
        SocketRecord *record = FindSocket(fd);
        if (record == nullptr) {
            return Fail(ws::WSAENOTSOCK);
        }
        if (record->pendingError != 0) {
            number = record->pendingError;
            record->pendingError = 0;
        }
    }
    if (number >= 0) {
        return number;
    }
    int err = 0;
    socklen_t length = sizeof(err);
    if (Libc()->getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &length) != 0) {
        return FailErrno(errno);
    }
    return WsaFromErrno(err);
}

std::int32_t ReadValue(const char *value)
{
    std::int32_t v = 0;
    std::memcpy(&v, value, sizeof(v));
    return v;
}

void WriteValue(char *value, int *length, std::int32_t v)
{
    std::memcpy(value, &v, sizeof(v));
    *length = kValueLength;
}

int SetNonBlocking(int fd, bool on)
{
    bool refused = false;
    WithSocket(fd, [&](SocketRecord &record) {
        // The platform keeps an asynchronous socket non-blocking until its selection is cancelled.
        refused = !on && record.async.has_value();
    });
    if (refused) {
        return Fail(ws::WSAEINVAL);
    }
    int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, on ? flags | O_NONBLOCK : flags & ~O_NONBLOCK) != 0) {
        return FailErrno(errno);
    }
    WithSocket(fd, [&](SocketRecord &record) { record.nonBlocking = on; });
    return 0;
}

}  // namespace

int GetSockOpt(ws::SOCKET s, int level, int option, char *value, int *length)
{
    std::optional<SocketView> view = Begin(s);
    if (!view) {
        return ws::SOCKET_ERROR;
    }
    const OptionRow *row = FindOption(level, option);
    if (row == nullptr) {
        return ws::SOCKET_ERROR;
    }
    if (value == nullptr || length == nullptr || *length < kValueLength) {
        return Fail(ws::WSAEFAULT);
    }
    switch (row->layout) {
    case Layout::Error: {
        int number = PendingError(view->fd);
        if (number < 0) {
            return ws::SOCKET_ERROR;
        }
        WriteValue(value, length, number);
        return 0;
    }
    case Layout::Linger: {
        linger l{};
        socklen_t size = sizeof(l);
        if (Libc()->getsockopt(view->fd, row->level, row->option, &l, &size) != 0) {
            return FailErrno(errno);
        }
        WsLinger out{static_cast<std::uint16_t>(l.l_onoff != 0), static_cast<std::uint16_t>(l.l_linger)};
        std::memcpy(value, &out, sizeof(out));
        *length = kValueLength;
        return 0;
    }
    case Layout::Millis: {
        timeval t{};
        socklen_t size = sizeof(t);
        if (Libc()->getsockopt(view->fd, row->level, row->option, &t, &size) != 0) {
            return FailErrno(errno);
        }
        WriteValue(value, length, static_cast<std::int32_t>(t.tv_sec * 1000 + t.tv_usec / 1000));
        return 0;
    }
    case Layout::Int:
        break;
    }
    int v = 0;
    socklen_t size = sizeof(v);
    if (Libc()->getsockopt(view->fd, row->level, row->option, &v, &size) != 0) {
        return FailErrno(errno);
    }
    WriteValue(value, length, v);
    return 0;
}

int SetSockOpt(ws::SOCKET s, int level, int option, const char *value, int length)
{
    std::optional<SocketView> view = Begin(s);
    if (!view) {
        return ws::SOCKET_ERROR;
    }
    const OptionRow *row = FindOption(level, option);
    if (row == nullptr) {
        return ws::SOCKET_ERROR;
    }
    if (row->readOnly) {
        return Fail(ws::WSAENOPROTOOPT);
    }
    if (value == nullptr || length < kValueLength) {
        return Fail(ws::WSAEFAULT);
    }
    int result = 0;
    switch (row->layout) {
    case Layout::Linger: {
        WsLinger in{};
        std::memcpy(&in, value, sizeof(in));
        linger l{in.onoff != 0 ? 1 : 0, in.seconds};
        result = Libc()->setsockopt(view->fd, row->level, row->option, &l, sizeof(l));
        break;
    }
    case Layout::Millis: {
        auto ms = static_cast<std::uint32_t>(ReadValue(value));
        timeval t{static_cast<time_t>(ms / 1000), static_cast<suseconds_t>((ms % 1000) * 1000)};
        result = Libc()->setsockopt(view->fd, row->level, row->option, &t, sizeof(t));
        break;
    }
    case Layout::Int:
    case Layout::Error: {
        int v = ReadValue(value);
        result = Libc()->setsockopt(view->fd, row->level, row->option, &v, sizeof(v));
        break;
    }
    }
    return result == 0 ? 0 : FailErrno(errno);
}

int IoctlSocket(ws::SOCKET s, std::int32_t command, ws::u_long *argument)
{
    std::optional<SocketView> view = Begin(s);
    if (!view) {
        return ws::SOCKET_ERROR;
    }
    if (argument == nullptr) {
        return Fail(ws::WSAEFAULT);
    }
    if (command == wsc::kFionbio) {
        return SetNonBlocking(view->fd, *argument != 0);
    }
    if (command == wsc::kFionread) {
        int available = 0;
        if (view->listening || ioctl(view->fd, FIONREAD, &available) != 0) {
            available = 0;  // nothing to read from a listening or unconnected socket
        }
        *argument = static_cast<ws::u_long>(available);
        return 0;
    }
    return Fail(ws::WSAEINVAL);
}

}  // namespace qsws
