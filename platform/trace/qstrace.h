// The optional trace library (libqstrace6.so): the exports the client core binds by name.
// Each TX_ hook receives the wrapped socket function's result followed by that function's arguments
// and returns the value the wrapper then returns.
#pragma once
#include "platform/winsock/ws2.h"

namespace qstrace {

// The two-entry table handed to WSXSetupTrace: the socket library's last-error functions.
struct SetupTable {
    ws::WSAGetLastError_fn getLastError;
    ws::WSASetLastError_fn setLastError;
};

using WSXSetupTrace_fn = int (*)(const SetupTable *);
using WSXEnableTrace_fn = int (*)(const char *file, std::uint32_t flags);
using WSXDisableTrace_fn = int (*)();
using WSXGetTraceUsage_fn = int (*)();
using WSXSetTraceFile_fn = int (*)(const char *file);
using WSXGetTraceFile_fn = int (*)(char *buffer, int size);
using WSXSetTraceFlags_fn = int (*)(std::uint32_t flags);
using WSAGetTraceFlags_fn = std::uint32_t (*)();
// length 0: `data` is a zero-terminated text line; otherwise raw bytes for a hex dump.
using WSXTraceWrite_fn = int (*)(std::uint32_t flags, const void *data, int length);

// Hooks: result first, then the arguments of the wrapped call.
using TX_accept_fn = ws::SOCKET (*)(ws::SOCKET, ws::SOCKET, ws::sockaddr *, int *);
using TX_bind_fn = int (*)(int, ws::SOCKET, const ws::sockaddr *, int);
using TX_closesocket_fn = int (*)(int, ws::SOCKET);
using TX_connect_fn = int (*)(int, ws::SOCKET, const ws::sockaddr *, int);
using TX_ioctlsocket_fn = int (*)(int, ws::SOCKET, std::int32_t, ws::u_long *);
using TX_getpeername_fn = int (*)(int, ws::SOCKET, ws::sockaddr *, int *);
using TX_getsockname_fn = int (*)(int, ws::SOCKET, ws::sockaddr *, int *);
using TX_getsockopt_fn = int (*)(int, ws::SOCKET, int, int, char *, int *);
using TX_listen_fn = int (*)(int, ws::SOCKET, int);
using TX_recv_fn = int (*)(int, ws::SOCKET, char *, int, int);
using TX_recvfrom_fn = int (*)(int, ws::SOCKET, char *, int, int, ws::sockaddr *, int *);
using TX_select_fn = int (*)(int, int, ws::fd_set *, ws::fd_set *, ws::fd_set *, const ws::timeval *);
using TX_send_fn = int (*)(int, ws::SOCKET, const char *, int, int);
using TX_sendto_fn = int (*)(int, ws::SOCKET, const char *, int, int, const ws::sockaddr *, int);
using TX_setsockopt_fn = int (*)(int, ws::SOCKET, int, int, const char *, int);
using TX_shutdown_fn = int (*)(int, ws::SOCKET, int);
using TX_socket_fn = ws::SOCKET (*)(ws::SOCKET, int, int, int);
using TX_gethostbyaddr_fn = ws::hostent *(*)(ws::hostent *, const char *, int, int);
using TX_gethostbyname_fn = ws::hostent *(*)(ws::hostent *, const char *);
using TX_gethostname_fn = int (*)(int, char *, int);
using TX_getservbyport_fn = ws::servent *(*)(ws::servent *, int, const char *);
using TX_getservbyname_fn = ws::servent *(*)(ws::servent *, const char *, const char *);
using TX_getprotobynumber_fn = ws::protoent *(*)(ws::protoent *, int);
using TX_getprotobyname_fn = ws::protoent *(*)(ws::protoent *, const char *);
using TX_WSAAsyncGetServByName_fn = void *(*)(void *, void *, unsigned, const char *, const char *, char *, int);
using TX_WSAAsyncGetServByPort_fn = void *(*)(void *, void *, unsigned, int, const char *, char *, int);
using TX_WSAAsyncGetProtoByName_fn = void *(*)(void *, void *, unsigned, const char *, char *, int);
using TX_WSAAsyncGetProtoByNumber_fn = void *(*)(void *, void *, unsigned, int, char *, int);
using TX_WSAAsyncGetHostByName_fn = void *(*)(void *, void *, unsigned, const char *, char *, int);
using TX_WSAAsyncGetHostByAddr_fn = void *(*)(void *, void *, unsigned, const char *, int, int, char *, int);
using TX_WSACancelAsyncRequest_fn = int (*)(int, void *);
using TX_WSAAsyncSelect_fn = int (*)(int, ws::SOCKET, void *, unsigned, std::int32_t);
using TX_WSAEventSelect_fn = int (*)(int, ws::SOCKET, ws::WSAEVENT, std::int32_t);
using TX_WSAEnumNetworkEvents_fn = int (*)(int, ws::SOCKET, ws::WSAEVENT, ws::WSANETWORKEVENTS *);
using TX_WSAIoctl_fn = int (*)(int, ws::SOCKET, std::uint32_t, void *, std::uint32_t, void *, std::uint32_t,
                               std::uint32_t *, void *, void *);

}  // namespace qstrace
