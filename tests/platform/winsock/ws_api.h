// The socket library as the client core reaches it: loaded by name, every export looked up.
// Include this first: the POSIX headers define some of the platform's constant names as macros.
#pragma once
#include "platform/winsock/ws_constants.h"

#include "platform/base/module.h"

#define QS_WS_EXPORTS(X)                                                                                    \
    X(accept) X(bind) X(closesocket) X(connect) X(ioctlsocket) X(getpeername) X(getsockname) X(getsockopt) \
    X(htonl) X(htons) X(inet_addr) X(inet_ntoa) X(listen) X(ntohl) X(ntohs) X(recv) X(recvfrom) X(select)   \
    X(send) X(sendto) X(setsockopt) X(shutdown) X(socket) X(gethostbyaddr) X(gethostbyname) X(gethostname)  \
    X(getservbyport) X(getservbyname) X(getprotobynumber) X(getprotobyname) X(WSAAccept) X(WSAStartup)     \
    X(WSACleanup) X(WSASetLastError) X(WSAGetLastError) X(WSAAsyncGetServByName) X(WSAAsyncGetServByPort)  \
    X(WSAAsyncGetProtoByName) X(WSAAsyncGetProtoByNumber) X(WSAAsyncGetHostByName)                           \
    X(WSAAsyncGetHostByAddr) X(WSACancelAsyncRequest) X(WSAAsyncSelect) X(WSAEventSelect)                   \
    X(WSAEnumNetworkEvents) X(WSAIoctl)

namespace wstest {

namespace wsc = qsws::wsc;

struct WsApi {
    HMODULE module = nullptr;
#define QS_WS_MEMBER(name) ws::name##_fn name = nullptr;
    QS_WS_EXPORTS(QS_WS_MEMBER)
#undef QS_WS_MEMBER
};

// Loaded once per process; members stay null for exports the module lacks.
const WsApi &Ws();

// An IPv4 address for the API, in the platform's layout.
ws::sockaddr_in Loopback(int port);
int PortOf(const ws::sockaddr_in &address);

}  // namespace wstest
