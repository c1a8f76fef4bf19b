// The plain wrappers: call the bound export, then its trace hook when one is bound.
#include <cstdio>

#include "core/net/network_library.h"
#include "core/net/socket_api.h"
#include "core/trace/trace_library.h"
#include "platform/base/thread.h"

namespace qs::sock {
namespace {

// The wrapper pattern: `failure` without the export; the hook, when bound, sees the result and the
// arguments and decides what the caller gets.
template <class Fn, class Hook, class Result, class... Args>
Result Call(Fn fn, Hook hook, Result failure, Args... args)
{
    if (fn == nullptr)
        return failure;
    Result result = fn(args...);
    return hook != nullptr ? hook(result, args...) : result;
}

template <class Fn, class Result, class... Args>
Result CallUntraced(Fn fn, Result failure, Args... args)
{
    return fn != nullptr ? fn(args...) : failure;
}

constexpr ws::SOCKET kNoSocket = ws::INVALID_SOCKET;
constexpr void *kNoRequest = nullptr;

}  // namespace

ws::SOCKET accept(ws::SOCKET s, ws::sockaddr *address, int *length)
{
    return Call(Network().accept, Trace().TX_accept, kNoSocket, s, address, length);
}

int bind(ws::SOCKET s, const ws::sockaddr *address, int length)
{
    return Call(Network().bind, Trace().TX_bind, -1, s, address, length);
}

int connect(ws::SOCKET s, const ws::sockaddr *address, int length)
{
    return Call(Network().connect, Trace().TX_connect, -1, s, address, length);
}

int ioctlsocket(ws::SOCKET s, std::int32_t command, ws::u_long *argument)
{
    return CallUntraced(Network().ioctlsocket, -1, s, command, argument);
}

int getpeername(ws::SOCKET s, ws::sockaddr *address, int *length)
{
    return CallUntraced(Network().getpeername, -1, s, address, length);
}

int getsockname(ws::SOCKET s, ws::sockaddr *address, int *length)
{
    return Call(Network().getsockname, Trace().TX_getsockname, -1, s, address, length);
}

int getsockopt(ws::SOCKET s, int level, int option, char *value, int *length)
{
    return Call(Network().getsockopt, Trace().TX_getsockopt, -1, s, level, option, value, length);
}

ws::u_long htonl(ws::u_long value)
{
    if (Network().htonl != nullptr)
        return Network().htonl(value);
    return ((value & 0xFF) << 24) | ((value & 0xFF00) << 8) | ((value >> 8) & 0xFF00) | (value >> 24);
}

ws::u_short htons(ws::u_short value)
{
    if (Network().htons != nullptr)
        return Network().htons(value);
    return static_cast<ws::u_short>((value << 8) | (value >> 8));
}

ws::u_long ntohl(ws::u_long value)
{
    if (Network().ntohl != nullptr)
        return Network().ntohl(value);
    return ((value & 0xFF) << 24) | ((value & 0xFF00) << 8) | ((value >> 8) & 0xFF00) | (value >> 24);
}

ws::u_short ntohs(ws::u_short value)
{
    if (Network().ntohs != nullptr)
        return Network().ntohs(value);
    return static_cast<ws::u_short>((value << 8) | (value >> 8));
}

char *inet_ntoa(ws::in_addr address)
{
    if (Network().inet_ntoa != nullptr)
        return Network().inet_ntoa(address);
    static thread_local char text[16];
    const auto *bytes = reinterpret_cast<const unsigned char *>(&address.s_addr);
    std::snprintf(text, sizeof text, "%d.%d.%d.%d", bytes[0], bytes[1], bytes[2], bytes[3]);
    return text;
}

int listen(ws::SOCKET s, int backlog)
{
    return Call(Network().listen, Trace().TX_listen, -1, s, backlog);
}

int recv(ws::SOCKET s, char *buffer, int length, int flags)
{
    return Call(Network().recv, Trace().TX_recv, -1, s, buffer, length, flags);
}

int recvfrom(ws::SOCKET s, char *buffer, int length, int flags, ws::sockaddr *from, int *fromLength)
{
    return Call(Network().recvfrom, Trace().TX_recvfrom, -1, s, buffer, length, flags, from, fromLength);
}

int send(ws::SOCKET s, const char *buffer, int length, int flags)
{
    return Call(Network().send, Trace().TX_send, -1, s, buffer, length, flags);
}

int sendto(ws::SOCKET s, const char *buffer, int length, int flags, const ws::sockaddr *to, int toLength)
{
    return Call(Network().sendto, Trace().TX_sendto, -1, s, buffer, length, flags, to, toLength);
}

int setsockopt(ws::SOCKET s, int level, int option, const char *value, int length)
{
    return Call(Network().setsockopt, Trace().TX_setsockopt, -1, s, level, option, value, length);
}

int shutdown(ws::SOCKET s, int how)
{
    return Call(Network().shutdown, Trace().TX_shutdown, -1, s, how);
}

ws::SOCKET socket(int family, int type, int protocol)
{
    return Call(Network().socket, Trace().TX_socket, kNoSocket, family, type, protocol);
}

ws::hostent *gethostbyaddr(const char *address, int length, int type)
{
    return Call(Network().gethostbyaddr, Trace().TX_gethostbyaddr, static_cast<ws::hostent *>(nullptr), address,
                length, type);
}

ws::hostent *gethostbyname(const char *name)
{
    return Call(Network().gethostbyname, Trace().TX_gethostbyname, static_cast<ws::hostent *>(nullptr), name);
}

int gethostname(char *name, int length)
{
    return Call(Network().gethostname, Trace().TX_gethostname, -1, name, length);
}

ws::servent *getservbyport(int port, const char *protocol)
{
    return Call(Network().getservbyport, Trace().TX_getservbyport, static_cast<ws::servent *>(nullptr), port,
                protocol);
}

ws::servent *getservbyname(const char *name, const char *protocol)
{
    return Call(Network().getservbyname, Trace().TX_getservbyname, static_cast<ws::servent *>(nullptr), name,
                protocol);
}

ws::protoent *getprotobynumber(int number)
{
    return Call(Network().getprotobynumber, Trace().TX_getprotobynumber, static_cast<ws::protoent *>(nullptr),
                number);
}

ws::protoent *getprotobyname(const char *name)
{
    return Call(Network().getprotobyname, Trace().TX_getprotobyname, static_cast<ws::protoent *>(nullptr), name);
}

ws::SOCKET WSAAccept(ws::SOCKET s, ws::sockaddr *address, int *length, void *condition, std::uintptr_t data)
{
    return CallUntraced(Network().WSAAccept, kNoSocket, s, address, length, condition, data);
}

void WSASetLastError(int error)
{
    if (Network().WSASetLastError != nullptr)
        Network().WSASetLastError(error);
    else
        SetLastError(static_cast<DWORD>(error));
}

int WSAGetLastError()
{
    if (Network().WSAGetLastError != nullptr)
        return Network().WSAGetLastError();
    return static_cast<int>(GetLastError());
}

void *WSAAsyncGetServByName(void *hwnd, unsigned msg, const char *name, const char *protocol, char *buffer,
                            int length)
{
    return Call(Network().WSAAsyncGetServByName, Trace().TX_WSAAsyncGetServByName, kNoRequest, hwnd, msg, name,
                protocol, buffer, length);
}

void *WSAAsyncGetServByPort(void *hwnd, unsigned msg, int port, const char *protocol, char *buffer, int length)
{
    return Call(Network().WSAAsyncGetServByPort, Trace().TX_WSAAsyncGetServByPort, kNoRequest, hwnd, msg, port,
                protocol, buffer, length);
}

void *WSAAsyncGetProtoByName(void *hwnd, unsigned msg, const char *name, char *buffer, int length)
{
    return Call(Network().WSAAsyncGetProtoByName, Trace().TX_WSAAsyncGetProtoByName, kNoRequest, hwnd, msg, name,
                buffer, length);
}

void *WSAAsyncGetProtoByNumber(void *hwnd, unsigned msg, int number, char *buffer, int length)
{
    return Call(Network().WSAAsyncGetProtoByNumber, Trace().TX_WSAAsyncGetProtoByNumber, kNoRequest, hwnd, msg,
                number, buffer, length);
}

void *WSAAsyncGetHostByName(void *hwnd, unsigned msg, const char *name, char *buffer, int length)
{
    return Call(Network().WSAAsyncGetHostByName, Trace().TX_WSAAsyncGetHostByName, kNoRequest, hwnd, msg, name,
                buffer, length);
}

void *WSAAsyncGetHostByAddr(void *hwnd, unsigned msg, const char *address, int length, int type, char *buffer,
                            int bufferLength)
{
    return Call(Network().WSAAsyncGetHostByAddr, Trace().TX_WSAAsyncGetHostByAddr, kNoRequest, hwnd, msg, address,
                length, type, buffer, bufferLength);
}

int WSACancelAsyncRequest(void *request)
{
    return Call(Network().WSACancelAsyncRequest, Trace().TX_WSACancelAsyncRequest, -1, request);
}

int WSAAsyncSelect(ws::SOCKET s, void *hwnd, unsigned msg, std::int32_t events)
{
    return Call(Network().WSAAsyncSelect, Trace().TX_WSAAsyncSelect, -1, s, hwnd, msg, events);
}

int WSAEventSelect(ws::SOCKET s, ws::WSAEVENT event, std::int32_t events)
{
    return Call(Network().WSAEventSelect, Trace().TX_WSAEventSelect, -1, s, event, events);
}

int WSAEnumNetworkEvents(ws::SOCKET s, ws::WSAEVENT event, ws::WSANETWORKEVENTS *events)
{
    return Call(Network().WSAEnumNetworkEvents, Trace().TX_WSAEnumNetworkEvents, -1, s, event, events);
}

int WSAIoctl(ws::SOCKET s, std::uint32_t code, void *in, std::uint32_t inLength, void *out, std::uint32_t outLength,
             std::uint32_t *returned, void *overlapped, void *completion)
{
    return Call(Network().WSAIoctl, Trace().TX_WSAIoctl, -1, s, code, in, inLength, out, outLength, returned,
                overlapped, completion);
}

}  // namespace qs::sock
