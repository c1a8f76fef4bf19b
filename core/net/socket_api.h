// The wrappers through which every library reaches the socket library: one per export, with the
// platform's arguments and results, in namespace qs::sock under the platform's own names.
//
// Each wrapper returns -1 (or a null record pointer) when the export is missing; otherwise it calls the
// export and, when the trace library bound the matching TX_ hook, passes the result and the arguments to
// that hook and returns what the hook returns. Departures: the byte-order calls and inet_ntoa fall back
// to local code and are never traced; getpeername and ioctlsocket are never traced; the last-error calls
// fall back to the platform's thread last error; closesocket shuts sending down first and cancels a wait
// of the calling thread. select and inet_addr are BlockingSelect and ParseDottedAddress.
#pragma once
#include "platform/winsock/ws2.h"

namespace qs {

// select with the calling thread's messages kept flowing: waits in one-second rounds, pumping the queue
// between them, honours CancelBlockingCall (-1, 10004) and refuses a nested wait (-1, 10036). Sets
// holding more than 64 sockets are refused (-1, 10022).
int BlockingSelect(int nfds, ws::fd_set *readSet, ws::fd_set *writeSet, ws::fd_set *exceptSet,
                   const ws::timeval *timeout);

namespace sock {

ws::SOCKET accept(ws::SOCKET s, ws::sockaddr *address, int *length);
int bind(ws::SOCKET s, const ws::sockaddr *address, int length);
int closesocket(ws::SOCKET s);
int connect(ws::SOCKET s, const ws::sockaddr *address, int length);
int ioctlsocket(ws::SOCKET s, std::int32_t command, ws::u_long *argument);
int getpeername(ws::SOCKET s, ws::sockaddr *address, int *length);
int getsockname(ws::SOCKET s, ws::sockaddr *address, int *length);
int getsockopt(ws::SOCKET s, int level, int option, char *value, int *length);
ws::u_long htonl(ws::u_long value);
ws::u_short htons(ws::u_short value);
char *inet_ntoa(ws::in_addr address);
int listen(ws::SOCKET s, int backlog);
ws::u_long ntohl(ws::u_long value);
ws::u_short ntohs(ws::u_short value);
int recv(ws::SOCKET s, char *buffer, int length, int flags);
int recvfrom(ws::SOCKET s, char *buffer, int length, int flags, ws::sockaddr *from, int *fromLength);
int send(ws::SOCKET s, const char *buffer, int length, int flags);
int sendto(ws::SOCKET s, const char *buffer, int length, int flags, const ws::sockaddr *to, int toLength);
int setsockopt(ws::SOCKET s, int level, int option, const char *value, int length);
int shutdown(ws::SOCKET s, int how);
ws::SOCKET socket(int family, int type, int protocol);
ws::hostent *gethostbyaddr(const char *address, int length, int type);
ws::hostent *gethostbyname(const char *name);
int gethostname(char *name, int length);
ws::servent *getservbyport(int port, const char *protocol);
ws::servent *getservbyname(const char *name, const char *protocol);
ws::protoent *getprotobynumber(int number);
ws::protoent *getprotobyname(const char *name);
ws::SOCKET WSAAccept(ws::SOCKET s, ws::sockaddr *address, int *length, void *condition, std::uintptr_t data);
void WSASetLastError(int error);
int WSAGetLastError();
void *WSAAsyncGetServByName(void *hwnd, unsigned msg, const char *name, const char *protocol, char *buffer,
                            int length);
void *WSAAsyncGetServByPort(void *hwnd, unsigned msg, int port, const char *protocol, char *buffer, int length);
void *WSAAsyncGetProtoByName(void *hwnd, unsigned msg, const char *name, char *buffer, int length);
void *WSAAsyncGetProtoByNumber(void *hwnd, unsigned msg, int number, char *buffer, int length);
void *WSAAsyncGetHostByName(void *hwnd, unsigned msg, const char *name, char *buffer, int length);
void *WSAAsyncGetHostByAddr(void *hwnd, unsigned msg, const char *address, int length, int type, char *buffer,
                            int bufferLength);
int WSACancelAsyncRequest(void *request);
int WSAAsyncSelect(ws::SOCKET s, void *hwnd, unsigned msg, std::int32_t events);
int WSAEventSelect(ws::SOCKET s, ws::WSAEVENT event, std::int32_t events);
int WSAEnumNetworkEvents(ws::SOCKET s, ws::WSAEVENT event, ws::WSANETWORKEVENTS *events);
int WSAIoctl(ws::SOCKET s, std::uint32_t code, void *in, std::uint32_t inLength, void *out, std::uint32_t outLength,
             std::uint32_t *returned, void *overlapped, void *completion);

}  // namespace sock
}  // namespace qs
