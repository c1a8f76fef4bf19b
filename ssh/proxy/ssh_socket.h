// The byte pipe under the SSH engine: one TCP connection, made directly or through a proxy. The session
// library hands it the socket library's network events (HandleEvent, from its notification window) or
// lets it wait for them (Wait); the socket calls its owner back with what arrived, what went out and
// when the connection ended.
#pragma once
#include <cstddef>
#include <cstdint>

#include "core/error/error_codes.h"
#include "platform/winsock/ws2.h"
#include "ssh/wire/wire_reader.h"

namespace qs::ssh {

// Callbacks of a socket's owner. They may call Write or Close on the socket, never destroy it.
class SshSocketOwner {
public:
    // Bytes from the peer, in order.
    virtual void Receive(ByteView bytes) = 0;
    // Data went to the network; `backlog` bytes still wait to be sent.
    virtual void Sent(std::size_t backlog) = 0;
    // The connection ended: 0 when the peer closed it, else the error that ended it. Called once, and
    // only for an end the owner did not ask for with Close.
    virtual void Closing(ErrorCode error) = 0;

protected:
    ~SshSocketOwner() = default;
};

// Bytes written and not yet taken by the network; a writer that outruns the connection by more than
// this fails the connection (qsErrorOutOfBuffers) instead of growing without end.
inline constexpr std::size_t kMaxSendBacklog = 4u << 20;

class SshSocket {
public:
    virtual ~SshSocket() = default;

    // The socket library's handle (ws::INVALID_SOCKET once closed), for routing its notifications.
    virtual ws::SOCKET Handle() const = 0;
    // Queues the bytes and sends what the network takes now. False once the connection has ended (then
    // nothing is queued).
    virtual bool Write(ByteView bytes) = 0;
    // Ends the connection without calling Closing.
    virtual void Close() = 0;
    // One network event of the socket library (FD_CONNECT, FD_READ, FD_WRITE or FD_CLOSE) and its error.
    virtual void HandleEvent(std::int32_t event, int error) = 0;
    // Waits up to `milliseconds` for the connection's next events (in BlockingSelect, so the thread's
    // messages keep flowing) and handles them. 1 when something was handled, 0 when the time passed, -1
    // with the error stored when the wait itself failed (canceled, or another wait runs on the thread).
    virtual int Wait(std::uint32_t milliseconds) = 0;
    // True once the connection has ended, by either side.
    virtual bool Closed() const = 0;
};

}  // namespace qs::ssh
