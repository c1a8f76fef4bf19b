// Event-object selection and the extended ioctl are not offered: the calls exist, check their socket
// and fail with 10045, so a caller learns it at once.
#include "platform/winsock/ws_constants.h"  // before the POSIX headers

#include "platform/winsock/calls.h"
#include "platform/winsock/errors.h"
#include "platform/winsock/socket_table.h"

namespace qsws {
namespace {

int Unsupported(ws::SOCKET s)
{
    return Begin(s) ? Fail(ws::WSAEOPNOTSUPP) : ws::SOCKET_ERROR;
}

}  // namespace

int EventSelect(ws::SOCKET s, ws::WSAEVENT, std::int32_t)
{
    return Unsupported(s);
}

int EnumNetworkEvents(ws::SOCKET s, ws::WSAEVENT, ws::WSANETWORKEVENTS *)
{
    return Unsupported(s);
}

int Ioctl(ws::SOCKET s, std::uint32_t, void *, std::uint32_t, void *, std::uint32_t, std::uint32_t *, void *, void *)
{
    return Unsupported(s);
}

}  // namespace qsws
