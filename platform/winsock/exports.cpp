// The module's exports, with C linkage and the platform's signatures. They reuse the C library's names,
// so this file includes no POSIX header and only forwards; the work is done in the other files.
#include "platform/winsock/calls.h"
#include "platform/winsock/errors.h"
#include "platform/winsock/startup.h"

#define QS_EXPORT extern "C" __attribute__((visibility("default")))

using ws::SOCKET;

QS_EXPORT SOCKET accept(SOCKET s, ws::sockaddr *address, int *length)
{
    return qsws::Accept(s, address, length);
}

QS_EXPORT int bind(SOCKET s, const ws::sockaddr *address, int length)
{
    return qsws::Bind(s, address, length);
}

QS_EXPORT int closesocket(SOCKET s)
{
    return qsws::CloseSocket(s);
}

QS_EXPORT int connect(SOCKET s, const ws::sockaddr *address, int length)
{
    return qsws::Connect(s, address, length);
}

QS_EXPORT int ioctlsocket(SOCKET s, std::int32_t command, ws::u_long *argument)
{
    return qsws::IoctlSocket(s, command, argument);
}

QS_EXPORT int getpeername(SOCKET s, ws::sockaddr *address, int *length)
{
    return qsws::GetPeerName(s, address, length);
}

QS_EXPORT int getsockname(SOCKET s, ws::sockaddr *address, int *length)
{
    return qsws::GetSockName(s, address, length);
}

QS_EXPORT int getsockopt(SOCKET s, int level, int option, char *value, int *length)
{
    return qsws::GetSockOpt(s, level, option, value, length);
}

QS_EXPORT ws::u_long htonl(ws::u_long value)
{
    return qsws::SwapLong(value);
}

QS_EXPORT ws::u_short htons(ws::u_short value)
{
    return qsws::SwapShort(value);
}

QS_EXPORT std::uint32_t inet_addr(const char *text)
{
    return qsws::InetAddr(text);
}

QS_EXPORT char *inet_ntoa(ws::in_addr address)
{
    return qsws::InetNtoa(address);
}

QS_EXPORT int listen(SOCKET s, int backlog)
{
    return qsws::Listen(s, backlog);
}

QS_EXPORT ws::u_long ntohl(ws::u_long value)
{
    return qsws::SwapLong(value);
}

QS_EXPORT ws::u_short ntohs(ws::u_short value)
{
    return qsws::SwapShort(value);
}

QS_EXPORT int recv(SOCKET s, char *buffer, int length, int flags)
{
    return qsws::Recv(s, buffer, length, flags);
}

QS_EXPORT int recvfrom(SOCKET s, char *buffer, int length, int flags, ws::sockaddr *from, int *fromLength)
{
    return qsws::RecvFrom(s, buffer, length, flags, from, fromLength);
}

QS_EXPORT int select(int nfds, ws::fd_set *readSet, ws::fd_set *writeSet, ws::fd_set *exceptSet,
                     const ws::timeval *timeout)
{
    return qsws::Select(nfds, readSet, writeSet, exceptSet, timeout);
}

QS_EXPORT int send(SOCKET s, const char *buffer, int length, int flags)
{
    return qsws::Send(s, buffer, length, flags);
}

QS_EXPORT int sendto(SOCKET s, const char *buffer, int length, int flags, const ws::sockaddr *to, int toLength)
{
    return qsws::SendTo(s, buffer, length, flags, to, toLength);
}

QS_EXPORT int setsockopt(SOCKET s, int level, int option, const char *value, int length)
{
    return qsws::SetSockOpt(s, level, option, value, length);
}

QS_EXPORT int shutdown(SOCKET s, int how)
{
    return qsws::Shutdown(s, how);
}

QS_EXPORT SOCKET socket(int family, int type, int protocol)
{
    return qsws::Socket(family, type, protocol);
}

QS_EXPORT ws::hostent *gethostbyaddr(const char *address, int length, int type)
{
    return qsws::GetHostByAddr(address, length, type);
}

QS_EXPORT ws::hostent *gethostbyname(const char *name)
{
    return qsws::GetHostByName(name);
}

QS_EXPORT int gethostname(char *name, int length)
{
    return qsws::GetHostName(name, length);
}

QS_EXPORT ws::servent *getservbyport(int port, const char *protocol)
{
    return qsws::GetServByPort(port, protocol);
}

QS_EXPORT ws::servent *getservbyname(const char *name, const char *protocol)
{
    return qsws::GetServByName(name, protocol);
}

QS_EXPORT ws::protoent *getprotobynumber(int number)
{
    return qsws::GetProtoByNumber(number);
}

QS_EXPORT ws::protoent *getprotobyname(const char *name)
{
    return qsws::GetProtoByName(name);
}

QS_EXPORT SOCKET WSAAccept(SOCKET s, ws::sockaddr *address, int *length, void *condition, std::uintptr_t data)
{
    return qsws::AcceptConditional(s, address, length, condition, data);
}

QS_EXPORT int WSAStartup(ws::WORD version, ws::WSADATA *data)
{
    return qsws::Startup(version, data);
}

QS_EXPORT int WSACleanup()
{
    return qsws::Cleanup();
}

QS_EXPORT void WSASetLastError(int number)
{
    qsws::SetLastWsaError(number);
}

QS_EXPORT int WSAGetLastError()
{
    return qsws::LastWsaError();
}

QS_EXPORT void *WSAAsyncGetServByName(void *hwnd, unsigned message, const char *name, const char *protocol,
                                      char *buffer, int length)
{
    return qsws::AsyncGetServByName(hwnd, message, name, protocol, buffer, length);
}

QS_EXPORT void *WSAAsyncGetServByPort(void *hwnd, unsigned message, int port, const char *protocol, char *buffer,
                                      int length)
{
    return qsws::AsyncGetServByPort(hwnd, message, port, protocol, buffer, length);
}

QS_EXPORT void *WSAAsyncGetProtoByName(void *hwnd, unsigned message, const char *name, char *buffer, int length)
{
    return qsws::AsyncGetProtoByName(hwnd, message, name, buffer, length);
}

QS_EXPORT void *WSAAsyncGetProtoByNumber(void *hwnd, unsigned message, int number, char *buffer, int length)
{
    return qsws::AsyncGetProtoByNumber(hwnd, message, number, buffer, length);
}

QS_EXPORT void *WSAAsyncGetHostByName(void *hwnd, unsigned message, const char *name, char *buffer, int length)
{
    return qsws::AsyncGetHostByName(hwnd, message, name, buffer, length);
}

QS_EXPORT void *WSAAsyncGetHostByAddr(void *hwnd, unsigned message, const char *address, int addressLength,
                                      int type, char *buffer, int length)
{
    return qsws::AsyncGetHostByAddr(hwnd, message, address, addressLength, type, buffer, length);
}

QS_EXPORT int WSACancelAsyncRequest(void *handle)
{
    return qsws::CancelAsyncRequest(handle);
}

QS_EXPORT int WSAAsyncSelect(SOCKET s, void *hwnd, unsigned message, std::int32_t events)
{
    return qsws::AsyncSelect(s, hwnd, message, events);
}

QS_EXPORT int WSAEventSelect(SOCKET s, ws::WSAEVENT event, std::int32_t events)
{
    return qsws::EventSelect(s, event, events);
}

QS_EXPORT int WSAEnumNetworkEvents(SOCKET s, ws::WSAEVENT event, ws::WSANETWORKEVENTS *events)
{
    return qsws::EnumNetworkEvents(s, event, events);
}

QS_EXPORT int WSAIoctl(SOCKET s, std::uint32_t code, void *in, std::uint32_t inLength, void *out,
                       std::uint32_t outLength, std::uint32_t *returned, void *overlapped, void *completion)
{
    return qsws::Ioctl(s, code, in, inLength, out, outLength, returned, overlapped, completion);
}
