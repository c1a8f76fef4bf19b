#include "platform/winsock/ws_constants.h"  // before the POSIX headers

#include "platform/winsock/errors.h"

#include <netdb.h>

#include <cerrno>

#include "platform/winsock/ws2.h"

namespace qsws {
namespace {

thread_local int t_lastError = 0;

struct ErrnoRow {
    int err;
    int wsa;
};

constexpr ErrnoRow kErrnoTable[] = {
    {EINTR, ws::WSAEINTR},
    {EBADF, ws::WSAENOTSOCK},
    {EACCES, ws::WSAEACCES},
    {EPERM, ws::WSAEACCES},
    {EFAULT, ws::WSAEFAULT},
    {EINVAL, ws::WSAEINVAL},
    {EMFILE, ws::WSAEMFILE},
    {ENFILE, ws::WSAEMFILE},
    {EWOULDBLOCK, ws::WSAEWOULDBLOCK},
    {EINPROGRESS, ws::WSAEINPROGRESS},
    {EALREADY, ws::WSAEALREADY},
    {ENOTSOCK, ws::WSAENOTSOCK},
    {EDESTADDRREQ, ws::WSAEDESTADDRREQ},
    {EMSGSIZE, ws::WSAEMSGSIZE},
    {EPROTOTYPE, ws::WSAEPROTOTYPE},
    {ENOPROTOOPT, ws::WSAENOPROTOOPT},
    {EPROTONOSUPPORT, ws::WSAEPROTONOSUPPORT},
    {ESOCKTNOSUPPORT, ws::WSAESOCKTNOSUPPORT},
    {EOPNOTSUPP, ws::WSAEOPNOTSUPP},
    {EPFNOSUPPORT, ws::WSAEPFNOSUPPORT},
    {EAFNOSUPPORT, ws::WSAEAFNOSUPPORT},
    {EADDRINUSE, ws::WSAEADDRINUSE},
    {EADDRNOTAVAIL, ws::WSAEADDRNOTAVAIL},
    {ENETDOWN, ws::WSAENETDOWN},
    {ENETUNREACH, ws::WSAENETUNREACH},
    {ENETRESET, ws::WSAENETRESET},
    {ECONNABORTED, ws::WSAECONNABORTED},
    {ECONNRESET, ws::WSAECONNRESET},
    {ENOBUFS, ws::WSAENOBUFS},
    {ENOMEM, ws::WSAENOBUFS},
    {EISCONN, ws::WSAEISCONN},
    {ENOTCONN, ws::WSAENOTCONN},
    {ESHUTDOWN, ws::WSAESHUTDOWN},
    {EPIPE, ws::WSAESHUTDOWN},
    {ETIMEDOUT, ws::WSAETIMEDOUT},
    {ECONNREFUSED, ws::WSAECONNREFUSED},
    {EHOSTDOWN, ws::WSAEHOSTDOWN},
    {EHOSTUNREACH, ws::WSAEHOSTUNREACH},
};
static_assert(EAGAIN == EWOULDBLOCK, "one row serves both");

}  // namespace

void SetLastWsaError(int number)
{
    t_lastError = number;
}

int LastWsaError()
{
    return t_lastError;
}

int WsaFromErrno(int err)
{
    if (err == 0) {
        return 0;
    }
    for (const ErrnoRow &row : kErrnoTable) {
        if (row.err == err) {
            return row.wsa;
        }
    }
    return ws::WSAENETDOWN;
}

int WsaFromAddrInfo(int eai, int err)
{
    switch (eai) {
    case 0:
        return 0;
    case EAI_NONAME:
        return ws::WSAHOST_NOT_FOUND;
    case EAI_AGAIN:
        return ws::WSATRY_AGAIN;
    case EAI_NODATA:
    case EAI_ADDRFAMILY:
        return ws::WSANO_DATA;
    case EAI_FAMILY:
        return ws::WSAEAFNOSUPPORT;
    case EAI_MEMORY:
        return ws::WSAENOBUFS;
    case EAI_OVERFLOW:
        return ws::WSAEFAULT;
    case EAI_SYSTEM:
        return WsaFromErrno(err);
    default:
        return ws::WSANO_RECOVERY;
    }
}

int FailErrno(int err)
{
    t_lastError = WsaFromErrno(err);
    return ws::SOCKET_ERROR;
}

int Fail(int number)
{
    t_lastError = number;
    return ws::SOCKET_ERROR;
}

}  // namespace qsws
