// The C library's socket calls, reached through the C library's own handle. Our exports carry the same
// names (socket, connect, recv ...), so a plain call from inside this module could bind to them; these
// pointers always reach the C library's definitions.
#pragma once
#include "platform/winsock/ws_constants.h"  // before the POSIX headers

#include <sys/socket.h>

namespace qsws {

struct LibcCalls {
    int (*socket)(int, int, int);
    int (*bind)(int, const struct sockaddr *, socklen_t);
    int (*connect)(int, const struct sockaddr *, socklen_t);
    int (*listen)(int, int);
    int (*accept4)(int, struct sockaddr *, socklen_t *, int);
    ssize_t (*send)(int, const void *, size_t, int);
    ssize_t (*sendto)(int, const void *, size_t, int, const struct sockaddr *, socklen_t);
    ssize_t (*recv)(int, void *, size_t, int);
    ssize_t (*recvmsg)(int, struct msghdr *, int);
    int (*shutdown)(int, int);
    int (*getsockopt)(int, int, int, void *, socklen_t *);
    int (*setsockopt)(int, int, int, const void *, socklen_t);
    int (*getpeername)(int, struct sockaddr *, socklen_t *);
    int (*getsockname)(int, struct sockaddr *, socklen_t *);
};

// Null when the C library could not be reached (WSAStartup then fails with 10091).
const LibcCalls *Libc();

}  // namespace qsws
