// One hook per socket call: a line "function(args) = result" (with the error number on failure) and,
// with the hex-dump flag, the bytes a send or receive moved. Every hook returns the result unchanged
// and leaves the socket library's last error as it found it.
#include <cstdint>

#include "platform/trace/qstrace.h"
#include "platform/trace/trace_line.h"
#include "platform/trace/trace_log.h"

#define QS_EXPORT extern "C" __attribute__((visibility("default")))

namespace qstrace {
namespace {

class Hook {
public:
    Hook(const char *function, bool failed) : line_(function), failed_(failed), flags_(Flags())
    {
        // The error and warning flags keep only the failures.
        on_ = Active() && (failed_ || (flags_ & (kFlagError | kFlagWarning)) == 0);
    }
    bool on() const { return on_; }
    TraceLine &line() { return line_; }
    void Finish(long result)
    {
        line_.Result(result, failed_, guard_.error());
        WriteLine(line_.c_str());
    }
    void FinishText(const char *text)
    {
        line_.ResultText(text, failed_, guard_.error());
        WriteLine(line_.c_str());
    }
    void Dump(const void *data, long length)
    {
        if ((flags_ & kFlagHexDump) != 0 && data != nullptr && length > 0) {
            WriteDump(data, static_cast<std::size_t>(length));
        }
    }

private:
    ErrorGuard guard_;  // first: taken before, and given back after, everything else
    TraceLine line_;
    bool failed_;
    std::uint32_t flags_;
    bool on_ = false;
};

long AsLong(ws::SOCKET s)
{
    return s == ws::INVALID_SOCKET ? -1L : static_cast<long>(s);
}

}  // namespace
}  // namespace qstrace

using qstrace::Hook;
using ws::SOCKET;

QS_EXPORT SOCKET TX_accept(SOCKET result, SOCKET s, ws::sockaddr *address, int *length)
{
    Hook hook("accept", result == ws::INVALID_SOCKET);
    if (hook.on()) {
        hook.line().Socket(s).AddressOut(address, length, result != ws::INVALID_SOCKET);
        hook.Finish(qstrace::AsLong(result));
    }
    return result;
}

QS_EXPORT int TX_bind(int result, SOCKET s, const ws::sockaddr *address, int length)
{
    Hook hook("bind", result == ws::SOCKET_ERROR);
    if (hook.on()) {
        hook.line().Socket(s).Address(address, length).Int(length);
        hook.Finish(result);
    }
    return result;
}

QS_EXPORT int TX_closesocket(int result, SOCKET s)
{
    Hook hook("closesocket", result == ws::SOCKET_ERROR);
    if (hook.on()) {
        hook.line().Socket(s);
        hook.Finish(result);
    }
    return result;
}

QS_EXPORT int TX_connect(int result, SOCKET s, const ws::sockaddr *address, int length)
{
    Hook hook("connect", result == ws::SOCKET_ERROR);
    if (hook.on()) {
        hook.line().Socket(s).Address(address, length).Int(length);
        hook.Finish(result);
    }
    return result;
}

QS_EXPORT int TX_ioctlsocket(int result, SOCKET s, std::int32_t command, ws::u_long *argument)
{
    Hook hook("ioctlsocket", result == ws::SOCKET_ERROR);
    if (hook.on()) {
        hook.line().Socket(s).Hex(static_cast<std::uint32_t>(command));
        if (argument != nullptr) {
            hook.line().Int(*argument);
        } else {
            hook.line().Pointer(nullptr);
        }
        hook.Finish(result);
    }
    return result;
}

QS_EXPORT int TX_getpeername(int result, SOCKET s, ws::sockaddr *address, int *length)
{
    Hook hook("getpeername", result == ws::SOCKET_ERROR);
    if (hook.on()) {
        hook.line().Socket(s).AddressOut(address, length, result == 0);
        hook.Finish(result);
    }
    return result;
}

QS_EXPORT int TX_getsockname(int result, SOCKET s, ws::sockaddr *address, int *length)
{
    Hook hook("getsockname", result == ws::SOCKET_ERROR);
    if (hook.on()) {
        hook.line().Socket(s).AddressOut(address, length, result == 0);
        hook.Finish(result);
    }
    return result;
}

QS_EXPORT int TX_getsockopt(int result, SOCKET s, int level, int option, char *value, int *length)
{
    Hook hook("getsockopt", result == ws::SOCKET_ERROR);
    if (hook.on()) {
        hook.line().Socket(s).Hex(static_cast<unsigned>(level)).Hex(static_cast<unsigned>(option));
        if (result == 0 && value != nullptr && length != nullptr && *length >= 4) {
            std::int32_t v = 0;
            __builtin_memcpy(&v, value, sizeof(v));
            hook.line().Int(v);
        } else {
            hook.line().Pointer(value);
        }
        hook.Finish(result);
    }
    return result;
}

QS_EXPORT int TX_listen(int result, SOCKET s, int backlog)
{
    Hook hook("listen", result == ws::SOCKET_ERROR);
    if (hook.on()) {
        hook.line().Socket(s).Int(backlog);
        hook.Finish(result);
    }
    return result;
}

QS_EXPORT int TX_recv(int result, SOCKET s, char *buffer, int length, int flags)
{
    Hook hook("recv", result == ws::SOCKET_ERROR);
    if (hook.on()) {
        hook.line().Socket(s).Pointer(buffer).Int(length).Hex(static_cast<unsigned>(flags));
        hook.Finish(result);
        hook.Dump(buffer, result);
    }
    return result;
}

QS_EXPORT int TX_recvfrom(int result, SOCKET s, char *buffer, int length, int flags, ws::sockaddr *from,
                          int *fromLength)
{
    Hook hook("recvfrom", result == ws::SOCKET_ERROR);
    if (hook.on()) {
        hook.line().Socket(s).Pointer(buffer).Int(length).Hex(static_cast<unsigned>(flags));
        hook.line().AddressOut(from, fromLength, result >= 0);
        hook.Finish(result);
        hook.Dump(buffer, result);
    }
    return result;
}

QS_EXPORT int TX_select(int result, int nfds, ws::fd_set *readSet, ws::fd_set *writeSet, ws::fd_set *exceptSet,
                        const ws::timeval *timeout)
{
    Hook hook("select", result == ws::SOCKET_ERROR);
    if (hook.on()) {
        hook.line().Int(nfds).Set(readSet).Set(writeSet).Set(exceptSet).Time(timeout);
        hook.Finish(result);
    }
    return result;
}

QS_EXPORT int TX_send(int result, SOCKET s, const char *buffer, int length, int flags)
{
    Hook hook("send", result == ws::SOCKET_ERROR);
    if (hook.on()) {
        hook.line().Socket(s).Pointer(buffer).Int(length).Hex(static_cast<unsigned>(flags));
        hook.Finish(result);
        hook.Dump(buffer, result);
    }
    return result;
}

QS_EXPORT int TX_sendto(int result, SOCKET s, const char *buffer, int length, int flags, const ws::sockaddr *to,
                        int toLength)
{
    Hook hook("sendto", result == ws::SOCKET_ERROR);
    if (hook.on()) {
        hook.line().Socket(s).Pointer(buffer).Int(length).Hex(static_cast<unsigned>(flags)).Address(to, toLength);
        hook.Finish(result);
        hook.Dump(buffer, result);
    }
    return result;
}

QS_EXPORT int TX_setsockopt(int result, SOCKET s, int level, int option, const char *value, int length)
{
    Hook hook("setsockopt", result == ws::SOCKET_ERROR);
    if (hook.on()) {
        hook.line().Socket(s).Hex(static_cast<unsigned>(level)).Hex(static_cast<unsigned>(option));
        if (value != nullptr && length >= 4) {
            std::int32_t v = 0;
            __builtin_memcpy(&v, value, sizeof(v));
            hook.line().Int(v);
        } else {
            hook.line().Pointer(value);
        }
        hook.line().Int(length);
        hook.Finish(result);
    }
    return result;
}

QS_EXPORT int TX_shutdown(int result, SOCKET s, int how)
{
    Hook hook("shutdown", result == ws::SOCKET_ERROR);
    if (hook.on()) {
        hook.line().Socket(s).Int(how);
        hook.Finish(result);
    }
    return result;
}

QS_EXPORT SOCKET TX_socket(SOCKET result, int family, int type, int protocol)
{
    Hook hook("socket", result == ws::INVALID_SOCKET);
    if (hook.on()) {
        hook.line().Int(family).Int(type).Int(protocol);
        hook.Finish(qstrace::AsLong(result));
    }
    return result;
}

QS_EXPORT ws::hostent *TX_gethostbyaddr(ws::hostent *result, const char *address, int length, int type)
{
    Hook hook("gethostbyaddr", result == nullptr);
    if (hook.on()) {
        if (address != nullptr && length >= 4 && type == ws::AF_INET) {
            ws::sockaddr_in in{};
            in.sin_family = ws::AF_INET;
            __builtin_memcpy(&in.sin_addr.s_addr, address, 4);
            hook.line().Address(reinterpret_cast<const ws::sockaddr *>(&in), sizeof(in));
        } else {
            hook.line().Pointer(address);
        }
        hook.line().Int(length).Int(type);
        hook.FinishText(result != nullptr ? result->h_name : nullptr);
    }
    return result;
}

QS_EXPORT ws::hostent *TX_gethostbyname(ws::hostent *result, const char *name)
{
    Hook hook("gethostbyname", result == nullptr);
    if (hook.on()) {
        hook.line().Text(name);
        hook.FinishText(result != nullptr ? result->h_name : nullptr);
    }
    return result;
}

QS_EXPORT int TX_gethostname(int result, char *name, int length)
{
    Hook hook("gethostname", result == ws::SOCKET_ERROR);
    if (hook.on()) {
        if (result == 0) {
            hook.line().Text(name);
        } else {
            hook.line().Pointer(name);
        }
        hook.line().Int(length);
        hook.Finish(result);
    }
    return result;
}

QS_EXPORT ws::servent *TX_getservbyport(ws::servent *result, int port, const char *protocol)
{
    Hook hook("getservbyport", result == nullptr);
    if (hook.on()) {
        hook.line().Int(__builtin_bswap16(static_cast<std::uint16_t>(port))).Text(protocol);
        hook.FinishText(result != nullptr ? result->s_name : nullptr);
    }
    return result;
}

QS_EXPORT ws::servent *TX_getservbyname(ws::servent *result, const char *name, const char *protocol)
{
    Hook hook("getservbyname", result == nullptr);
    if (hook.on()) {
        hook.line().Text(name).Text(protocol);
        hook.FinishText(result != nullptr ? result->s_name : nullptr);
    }
    return result;
}

QS_EXPORT ws::protoent *TX_getprotobynumber(ws::protoent *result, int number)
{
    Hook hook("getprotobynumber", result == nullptr);
    if (hook.on()) {
        hook.line().Int(number);
        hook.FinishText(result != nullptr ? result->p_name : nullptr);
    }
    return result;
}

QS_EXPORT ws::protoent *TX_getprotobyname(ws::protoent *result, const char *name)
{
    Hook hook("getprotobyname", result == nullptr);
    if (hook.on()) {
        hook.line().Text(name);
        hook.FinishText(result != nullptr ? result->p_name : nullptr);
    }
    return result;
}

QS_EXPORT void *TX_WSAAsyncGetServByName(void *result, void *hwnd, unsigned message, const char *name,
                                         const char *protocol, char *buffer, int length)
{
    Hook hook("WSAAsyncGetServByName", result == nullptr);
    if (hook.on()) {
        hook.line().Pointer(hwnd).Hex(message).Text(name).Text(protocol).Pointer(buffer).Int(length);
        hook.Finish(static_cast<long>(reinterpret_cast<std::uintptr_t>(result)));
    }
    return result;
}

QS_EXPORT void *TX_WSAAsyncGetServByPort(void *result, void *hwnd, unsigned message, int port, const char *protocol,
                                         char *buffer, int length)
{
    Hook hook("WSAAsyncGetServByPort", result == nullptr);
    if (hook.on()) {
        hook.line().Pointer(hwnd).Hex(message).Int(__builtin_bswap16(static_cast<std::uint16_t>(port)));
        hook.line().Text(protocol).Pointer(buffer).Int(length);
        hook.Finish(static_cast<long>(reinterpret_cast<std::uintptr_t>(result)));
    }
    return result;
}

QS_EXPORT void *TX_WSAAsyncGetProtoByName(void *result, void *hwnd, unsigned message, const char *name, char *buffer,
                                          int length)
{
    Hook hook("WSAAsyncGetProtoByName", result == nullptr);
    if (hook.on()) {
        hook.line().Pointer(hwnd).Hex(message).Text(name).Pointer(buffer).Int(length);
        hook.Finish(static_cast<long>(reinterpret_cast<std::uintptr_t>(result)));
    }
    return result;
}

QS_EXPORT void *TX_WSAAsyncGetProtoByNumber(void *result, void *hwnd, unsigned message, int number, char *buffer,
                                            int length)
{
    Hook hook("WSAAsyncGetProtoByNumber", result == nullptr);
    if (hook.on()) {
        hook.line().Pointer(hwnd).Hex(message).Int(number).Pointer(buffer).Int(length);
        hook.Finish(static_cast<long>(reinterpret_cast<std::uintptr_t>(result)));
    }
    return result;
}

QS_EXPORT void *TX_WSAAsyncGetHostByName(void *result, void *hwnd, unsigned message, const char *name, char *buffer,
                                         int length)
{
    Hook hook("WSAAsyncGetHostByName", result == nullptr);
    if (hook.on()) {
        hook.line().Pointer(hwnd).Hex(message).Text(name).Pointer(buffer).Int(length);
        hook.Finish(static_cast<long>(reinterpret_cast<std::uintptr_t>(result)));
    }
    return result;
}

QS_EXPORT void *TX_WSAAsyncGetHostByAddr(void *result, void *hwnd, unsigned message, const char *address,
                                         int addressLength, int type, char *buffer, int length)
{
    Hook hook("WSAAsyncGetHostByAddr", result == nullptr);
    if (hook.on()) {
        hook.line().Pointer(hwnd).Hex(message).Pointer(address).Int(addressLength).Int(type);
        hook.line().Pointer(buffer).Int(length);
        hook.Finish(static_cast<long>(reinterpret_cast<std::uintptr_t>(result)));
    }
    return result;
}

QS_EXPORT int TX_WSACancelAsyncRequest(int result, void *handle)
{
    Hook hook("WSACancelAsyncRequest", result == ws::SOCKET_ERROR);
    if (hook.on()) {
        hook.line().Pointer(handle);
        hook.Finish(result);
    }
    return result;
}

QS_EXPORT int TX_WSAAsyncSelect(int result, SOCKET s, void *hwnd, unsigned message, std::int32_t events)
{
    Hook hook("WSAAsyncSelect", result == ws::SOCKET_ERROR);
    if (hook.on()) {
        hook.line().Socket(s).Pointer(hwnd).Hex(message).Hex(static_cast<std::uint32_t>(events));
        hook.Finish(result);
    }
    return result;
}

QS_EXPORT int TX_WSAEventSelect(int result, SOCKET s, ws::WSAEVENT event, std::int32_t events)
{
    Hook hook("WSAEventSelect", result == ws::SOCKET_ERROR);
    if (hook.on()) {
        hook.line().Socket(s).Pointer(event).Hex(static_cast<std::uint32_t>(events));
        hook.Finish(result);
    }
    return result;
}

QS_EXPORT int TX_WSAEnumNetworkEvents(int result, SOCKET s, ws::WSAEVENT event, ws::WSANETWORKEVENTS *events)
{
    Hook hook("WSAEnumNetworkEvents", result == ws::SOCKET_ERROR);
    if (hook.on()) {
        hook.line().Socket(s).Pointer(event);
        if (result == 0 && events != nullptr) {
            hook.line().Hex(static_cast<std::uint32_t>(events->lNetworkEvents));
        } else {
            hook.line().Pointer(events);
        }
        hook.Finish(result);
    }
    return result;
}

QS_EXPORT int TX_WSAIoctl(int result, SOCKET s, std::uint32_t code, void *in, std::uint32_t inLength, void *out,
                          std::uint32_t outLength, std::uint32_t *returned, void *overlapped, void *completion)
{
    Hook hook("WSAIoctl", result == ws::SOCKET_ERROR);
    if (hook.on()) {
        hook.line().Socket(s).Hex(code).Pointer(in).Int(inLength).Pointer(out).Int(outLength);
        hook.line().Pointer(returned).Pointer(overlapped).Pointer(completion);
        hook.Finish(result);
    }
    return result;
}
