// The implementation behind each export, in the platform's types only: exports.cpp includes this and
// no POSIX header, because the exports reuse the C library's names.
#pragma once
#include "platform/winsock/ws2.h"

namespace qsws {

// sockets.cpp
ws::SOCKET Socket(int family, int type, int protocol);
int Bind(ws::SOCKET s, const ws::sockaddr *address, int length);
int Connect(ws::SOCKET s, const ws::sockaddr *address, int length);
int Listen(ws::SOCKET s, int backlog);
ws::SOCKET Accept(ws::SOCKET s, ws::sockaddr *address, int *length);
ws::SOCKET AcceptConditional(ws::SOCKET s, ws::sockaddr *address, int *length, void *condition,
                             std::uintptr_t data);
int Send(ws::SOCKET s, const char *buffer, int length, int flags);
int SendTo(ws::SOCKET s, const char *buffer, int length, int flags, const ws::sockaddr *to, int toLength);
int Recv(ws::SOCKET s, char *buffer, int length, int flags);
int RecvFrom(ws::SOCKET s, char *buffer, int length, int flags, ws::sockaddr *from, int *fromLength);
int Shutdown(ws::SOCKET s, int how);
int CloseSocket(ws::SOCKET s);
int GetPeerName(ws::SOCKET s, ws::sockaddr *address, int *length);
int GetSockName(ws::SOCKET s, ws::sockaddr *address, int *length);

// options.cpp
int GetSockOpt(ws::SOCKET s, int level, int option, char *value, int *length);
int SetSockOpt(ws::SOCKET s, int level, int option, const char *value, int length);
int IoctlSocket(ws::SOCKET s, std::int32_t command, ws::u_long *argument);

// select.cpp
int Select(int nfds, ws::fd_set *readSet, ws::fd_set *writeSet, ws::fd_set *exceptSet, const ws::timeval *timeout);

// database.cpp
ws::hostent *GetHostByName(const char *name);
ws::hostent *GetHostByAddr(const char *address, int length, int type);
int GetHostName(char *name, int length);
ws::servent *GetServByName(const char *name, const char *protocol);
ws::servent *GetServByPort(int port, const char *protocol);
ws::protoent *GetProtoByName(const char *name);
ws::protoent *GetProtoByNumber(int number);
std::uint32_t InetAddr(const char *text);
char *InetNtoa(ws::in_addr address);

// async_database.cpp
void *AsyncGetHostByName(void *hwnd, unsigned message, const char *name, char *buffer, int length);
void *AsyncGetHostByAddr(void *hwnd, unsigned message, const char *address, int addressLength, int type,
                         char *buffer, int length);
void *AsyncGetServByName(void *hwnd, unsigned message, const char *name, const char *protocol, char *buffer,
                         int length);
void *AsyncGetServByPort(void *hwnd, unsigned message, int port, const char *protocol, char *buffer, int length);
void *AsyncGetProtoByName(void *hwnd, unsigned message, const char *name, char *buffer, int length);
void *AsyncGetProtoByNumber(void *hwnd, unsigned message, int number, char *buffer, int length);
int CancelAsyncRequest(void *handle);

// async_select.cpp
int AsyncSelect(ws::SOCKET s, void *hwnd, unsigned message, std::int32_t events);

// unsupported.cpp
int EventSelect(ws::SOCKET s, ws::WSAEVENT event, std::int32_t events);
int EnumNetworkEvents(ws::SOCKET s, ws::WSAEVENT event, ws::WSANETWORKEVENTS *events);
int Ioctl(ws::SOCKET s, std::uint32_t code, void *in, std::uint32_t inLength, void *out, std::uint32_t outLength,
          std::uint32_t *returned, void *overlapped, void *completion);

// Byte order (the wire is big-endian, this machine little-endian).
inline std::uint32_t SwapLong(std::uint32_t v) { return __builtin_bswap32(v); }
inline std::uint16_t SwapShort(std::uint16_t v) { return __builtin_bswap16(v); }

}  // namespace qsws
