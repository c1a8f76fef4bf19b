// Every socket the library created, by descriptor, with the state the platform's semantics need and
// POSIX does not keep: connection progress, a connect error kept for SO_ERROR, blocking mode, and the
// asynchronous selection of the socket.
#pragma once
#include "platform/winsock/ws_constants.h"  // before the POSIX headers

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>

#include "platform/base/window.h"
#include "platform/winsock/ws2.h"

namespace qsws {

enum class ConnectState { Idle, Connecting, Connected, Failed };

// WSAAsyncSelect registration and the re-enabling state of each notification.
struct AsyncState {
    HWND hwnd = nullptr;
    UINT message = 0;
    std::int32_t events = 0;
    DWORD thread = 0;            // the window's owner thread, where the watch runs
    std::uint64_t serial = 0;    // tells a stale callback from the current registration
    QsFdWatch *watch = nullptr;
    short watched = 0;           // poll events the watch currently asks for
    bool readArmed = true;       // FD_READ may be posted (re-armed by recv/recvfrom)
    bool writeArmed = false;     // FD_WRITE may be posted (on connect, or after a send would block)
    bool acceptArmed = true;     // FD_ACCEPT may be posted (re-armed by accept)
    bool closeDone = false;      // FD_CLOSE has been posted, or the stream has ended
    bool suspended = false;      // an error or hang-up was seen that nothing armed could report
};

struct SocketRecord {
    int type = 0;                // SOCK_STREAM or SOCK_DGRAM
    bool nonBlocking = false;
    bool listening = false;
    ConnectState connect = ConnectState::Idle;
    int pendingError = 0;        // a failed connect's number, handed out once by SO_ERROR
    std::optional<AsyncState> async;
};

// The descriptor a SOCKET names, or -1 for values that cannot be one.
int ToFd(ws::SOCKET s);

std::mutex &TableLock();
// Callers hold TableLock. Null when the socket is not ours.
SocketRecord *FindSocket(int fd);
void AddSocket(int fd, const SocketRecord &record);
// Removes the record (its watch is the caller's to end) and returns it.
std::optional<SocketRecord> TakeSocket(int fd);

// Runs `fn(SocketRecord &)` under the lock; false (last error 10038) when the socket is not ours.
template <typename Fn>
bool WithSocket(int fd, Fn &&fn)
{
    std::lock_guard<std::mutex> hold(TableLock());
    SocketRecord *record = FindSocket(fd);
    if (record == nullptr) {
        return false;
    }
    fn(*record);
    return true;
}

// What one call needs to know about its socket, copied out under the lock.
struct SocketView {
    int fd;
    int type;
    bool nonBlocking;
    bool listening;
    ConnectState connect;
};
// The start of every call on a socket: the library is started and the socket is ours; otherwise
// nothing, with last error 10093 or 10038.
std::optional<SocketView> Begin(ws::SOCKET s);

// Closes every socket still open (the last WSACleanup).
void CloseAllSockets();

}  // namespace qsws
