// Asynchronous selection: readiness of a socket posted to a window as (socket, (error << 16) | event),
// watched on the window's owner thread through the queue's descriptor watches. Each notification is
// re-enabled the way the platform does it, so there is no storm and no lost event:
//   FD_READ    once, then again only after recv/recvfrom was called;
//   FD_WRITE   once when connected (or accepted), then only after a send would have blocked;
//   FD_ACCEPT  once, then again only after accept was called;
//   FD_CONNECT once when the connection attempt completes (its error in the high word);
//   FD_CLOSE   once when the peer has closed, after the data before the close has been read.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/winsock/socket_table.h"

namespace qsws {

// A message to post once the table lock has been released.
struct Notification {
    HWND hwnd;
    UINT message;
    WPARAM socket;
    LPARAM param;
};
void PostNotifications(const std::vector<Notification> &notifications);

// Settles a connection attempt whose progress poll reported (`revents`): a failure keeps its error for
// SO_ERROR; an asynchronous socket gets its FD_CONNECT queued. Caller holds the table lock.
void ResolveConnect(int fd, SocketRecord &record, short revents, std::vector<Notification> &out);

// Settles a pending connect if poll() can already tell its outcome (no waiting), for calls whose
// answer depends on it (SO_ERROR, a second connect).
void SettleConnect(int fd);

// The calls that re-enable a notification: recv/recvfrom (FD_READ), a send that would block (FD_WRITE),
// accept (FD_ACCEPT). No effect on sockets without asynchronous selection.
void Rearm(int fd, std::int32_t event);
// Brings the descriptor watch in line with the socket's state (after connect started or finished).
void SyncWatch(int fd);
// A socket accepted from `listenFd` takes over its asynchronous selection.
void InheritAsync(int listenFd, int fd);

// Ends the socket: its watch, its record, its descriptor. False when the socket is not ours.
bool DropSocket(int fd);

}  // namespace qsws
