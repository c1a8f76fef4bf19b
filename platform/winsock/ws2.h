// The socket library's interface as the client core binds it: types, constants and the signature of
// every export. The module (libws2_32.so) exports these names with C linkage; the core reaches them only
// through GetProcAddress, so nothing here is declared as a function (the names would clash with libc's).
#pragma once
#include <cstdint>
// A C library header included earlier defines FD_SETSIZE (1024) as a macro, which would replace the
// constant below; the C library's own fd_set does not use it.
#ifdef FD_SETSIZE
#undef FD_SETSIZE
#endif

namespace ws {

using SOCKET = std::uintptr_t;
inline constexpr SOCKET INVALID_SOCKET = ~static_cast<SOCKET>(0);
inline constexpr int SOCKET_ERROR = -1;
using u_long = std::uint32_t;
using u_short = std::uint16_t;
using WORD = std::uint16_t;

inline constexpr int FD_SETSIZE = 64;
struct fd_set {
    std::uint32_t fd_count;
    SOCKET fd_array[FD_SETSIZE];
};
struct timeval {
    std::int32_t tv_sec;
    std::int32_t tv_usec;
};

struct in_addr {
    std::uint32_t s_addr;   // network byte order
};
struct sockaddr {
    std::uint16_t sa_family;
    char sa_data[14];
};
struct sockaddr_in {
    std::int16_t sin_family;
    std::uint16_t sin_port;  // network byte order
    in_addr sin_addr;
    char sin_zero[8];
};

struct hostent {
    char *h_name;
    char **h_aliases;
    std::int16_t h_addrtype;
    std::int16_t h_length;
    char **h_addr_list;
};
struct servent {
    char *s_name;
    char **s_aliases;
    std::int16_t s_port;     // network byte order
    char *s_proto;
};
struct protoent {
    char *p_name;
    char **p_aliases;
    std::int16_t p_proto;
};

inline constexpr int WSADESCRIPTION_LEN = 256;
inline constexpr int WSASYS_STATUS_LEN = 128;
struct WSADATA {
    WORD wVersion;
    WORD wHighVersion;
    char szDescription[WSADESCRIPTION_LEN + 1];
    char szSystemStatus[WSASYS_STATUS_LEN + 1];
    std::uint16_t iMaxSockets;
    std::uint16_t iMaxUdpDg;
    char *lpVendorInfo;
};

struct WSANETWORKEVENTS {
    std::int32_t lNetworkEvents;
    std::int32_t iErrorCode[10];
};
using WSAEVENT = void *;

inline constexpr int AF_INET = 2;
inline constexpr int SOCK_STREAM = 1;
inline constexpr int SOCK_DGRAM = 2;
inline constexpr int IPPROTO_TCP = 6;
inline constexpr int IPPROTO_UDP = 17;
inline constexpr std::uint32_t INADDR_ANY = 0;
inline constexpr std::uint32_t INADDR_NONE = 0xFFFFFFFF;

inline constexpr int SOL_SOCKET = 0xFFFF;
inline constexpr int SO_DEBUG = 0x0001;
inline constexpr int SO_ACCEPTCONN = 0x0002;
inline constexpr int SO_REUSEADDR = 0x0004;
inline constexpr int SO_KEEPALIVE = 0x0008;
inline constexpr int SO_DONTROUTE = 0x0010;
inline constexpr int SO_BROADCAST = 0x0020;
inline constexpr int SO_LINGER = 0x0080;
inline constexpr int SO_OOBINLINE = 0x0100;
inline constexpr int SO_SNDBUF = 0x1001;
inline constexpr int SO_RCVBUF = 0x1002;
inline constexpr int SO_SNDTIMEO = 0x1005;
inline constexpr int SO_RCVTIMEO = 0x1006;
inline constexpr int SO_ERROR = 0x1007;
inline constexpr int SO_TYPE = 0x1008;
inline constexpr int TCP_NODELAY = 0x0001;

inline constexpr int SD_RECEIVE = 0;
inline constexpr int SD_SEND = 1;
inline constexpr int SD_BOTH = 2;

inline constexpr int MSG_OOB = 0x1;
inline constexpr int MSG_PEEK = 0x2;

inline constexpr std::int32_t FIONBIO = static_cast<std::int32_t>(0x8004667E);
inline constexpr std::int32_t FIONREAD = 0x4004667F;

// Asynchronous selection: (socket, WSAMAKESELECTREPLY(event, error)) is posted to the window.
inline constexpr std::int32_t FD_READ = 0x01;
inline constexpr std::int32_t FD_WRITE = 0x02;
inline constexpr std::int32_t FD_OOB = 0x04;
inline constexpr std::int32_t FD_ACCEPT = 0x08;
inline constexpr std::int32_t FD_CONNECT = 0x10;
inline constexpr std::int32_t FD_CLOSE = 0x20;

// The platform's error numbers.
inline constexpr int WSAEINTR = 10004;
inline constexpr int WSAEBADF = 10009;
inline constexpr int WSAEACCES = 10013;
inline constexpr int WSAEFAULT = 10014;
inline constexpr int WSAEINVAL = 10022;
inline constexpr int WSAEMFILE = 10024;
inline constexpr int WSAEWOULDBLOCK = 10035;
inline constexpr int WSAEINPROGRESS = 10036;
inline constexpr int WSAEALREADY = 10037;
inline constexpr int WSAENOTSOCK = 10038;
inline constexpr int WSAEDESTADDRREQ = 10039;
inline constexpr int WSAEMSGSIZE = 10040;
inline constexpr int WSAEPROTOTYPE = 10041;
inline constexpr int WSAENOPROTOOPT = 10042;
inline constexpr int WSAEPROTONOSUPPORT = 10043;
inline constexpr int WSAESOCKTNOSUPPORT = 10044;
inline constexpr int WSAEOPNOTSUPP = 10045;
inline constexpr int WSAEPFNOSUPPORT = 10046;
inline constexpr int WSAEAFNOSUPPORT = 10047;
inline constexpr int WSAEADDRINUSE = 10048;
inline constexpr int WSAEADDRNOTAVAIL = 10049;
inline constexpr int WSAENETDOWN = 10050;
inline constexpr int WSAENETUNREACH = 10051;
inline constexpr int WSAENETRESET = 10052;
inline constexpr int WSAECONNABORTED = 10053;
inline constexpr int WSAECONNRESET = 10054;
inline constexpr int WSAENOBUFS = 10055;
inline constexpr int WSAEISCONN = 10056;
inline constexpr int WSAENOTCONN = 10057;
inline constexpr int WSAESHUTDOWN = 10058;
inline constexpr int WSAETIMEDOUT = 10060;
inline constexpr int WSAECONNREFUSED = 10061;
inline constexpr int WSAEHOSTDOWN = 10064;
inline constexpr int WSAEHOSTUNREACH = 10065;
inline constexpr int WSAEPROCLIM = 10067;
inline constexpr int WSASYSNOTREADY = 10091;
inline constexpr int WSAVERNOTSUPPORTED = 10092;
inline constexpr int WSANOTINITIALISED = 10093;
inline constexpr int WSAEDISCON = 10101;
inline constexpr int WSAHOST_NOT_FOUND = 11001;
inline constexpr int WSATRY_AGAIN = 11002;
inline constexpr int WSANO_RECOVERY = 11003;
inline constexpr int WSANO_DATA = 11004;

// Signatures of the exports, in the platform's conventions (`long` is 32-bit there).
using accept_fn = SOCKET (*)(SOCKET, sockaddr *, int *);
using bind_fn = int (*)(SOCKET, const sockaddr *, int);
using closesocket_fn = int (*)(SOCKET);
using connect_fn = int (*)(SOCKET, const sockaddr *, int);
using ioctlsocket_fn = int (*)(SOCKET, std::int32_t, u_long *);
using getpeername_fn = int (*)(SOCKET, sockaddr *, int *);
using getsockname_fn = int (*)(SOCKET, sockaddr *, int *);
using getsockopt_fn = int (*)(SOCKET, int, int, char *, int *);
using htonl_fn = u_long (*)(u_long);
using htons_fn = u_short (*)(u_short);
using inet_addr_fn = std::uint32_t (*)(const char *);
using inet_ntoa_fn = char *(*)(in_addr);
using listen_fn = int (*)(SOCKET, int);
using ntohl_fn = u_long (*)(u_long);
using ntohs_fn = u_short (*)(u_short);
using recv_fn = int (*)(SOCKET, char *, int, int);
using recvfrom_fn = int (*)(SOCKET, char *, int, int, sockaddr *, int *);
using select_fn = int (*)(int, fd_set *, fd_set *, fd_set *, const timeval *);
using send_fn = int (*)(SOCKET, const char *, int, int);
using sendto_fn = int (*)(SOCKET, const char *, int, int, const sockaddr *, int);
using setsockopt_fn = int (*)(SOCKET, int, int, const char *, int);
using shutdown_fn = int (*)(SOCKET, int);
using socket_fn = SOCKET (*)(int, int, int);
using gethostbyaddr_fn = hostent *(*)(const char *, int, int);
using gethostbyname_fn = hostent *(*)(const char *);
using gethostname_fn = int (*)(char *, int);
using getservbyport_fn = servent *(*)(int, const char *);
using getservbyname_fn = servent *(*)(const char *, const char *);
using getprotobynumber_fn = protoent *(*)(int);
using getprotobyname_fn = protoent *(*)(const char *);
using WSAAccept_fn = SOCKET (*)(SOCKET, sockaddr *, int *, void *, std::uintptr_t);
using WSAStartup_fn = int (*)(WORD, WSADATA *);
using WSACleanup_fn = int (*)();
using WSASetLastError_fn = void (*)(int);
using WSAGetLastError_fn = int (*)();
// The asynchronous database calls post (handle, WSAMAKEASYNCREPLY(buflen, error)) to the window when
// the answer has been written into the caller's buffer; the handle they return is non-zero.
using WSAAsyncGetServByName_fn = void *(*)(void *hwnd, unsigned msg, const char *, const char *, char *, int);
using WSAAsyncGetServByPort_fn = void *(*)(void *hwnd, unsigned msg, int, const char *, char *, int);
using WSAAsyncGetProtoByName_fn = void *(*)(void *hwnd, unsigned msg, const char *, char *, int);
using WSAAsyncGetProtoByNumber_fn = void *(*)(void *hwnd, unsigned msg, int, char *, int);
using WSAAsyncGetHostByName_fn = void *(*)(void *hwnd, unsigned msg, const char *, char *, int);
using WSAAsyncGetHostByAddr_fn = void *(*)(void *hwnd, unsigned msg, const char *, int, int, char *, int);
using WSACancelAsyncRequest_fn = int (*)(void *);
using WSAAsyncSelect_fn = int (*)(SOCKET, void *hwnd, unsigned msg, std::int32_t events);
using WSAEventSelect_fn = int (*)(SOCKET, WSAEVENT, std::int32_t);
using WSAEnumNetworkEvents_fn = int (*)(SOCKET, WSAEVENT, WSANETWORKEVENTS *);
using WSAIoctl_fn = int (*)(SOCKET, std::uint32_t, void *, std::uint32_t, void *, std::uint32_t, std::uint32_t *,
                            void *, void *);

}  // namespace ws
