// A TCP connection straight to an address: non-blocking, out-of-band data inline, no-delay, keep-alive
// off, bound to any local port and connected asynchronously. Writes made while it connects are queued
// and go out when it completes.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "ssh/proxy/ssh_socket.h"

namespace qs::ssh {

class DirectSocket final : public SshSocket {
public:
    // Starts connecting to `address` (network byte order) and `port`. Null with the error stored when the
    // socket cannot be made or the connect fails at once.
    static std::unique_ptr<DirectSocket> Open(std::uint32_t address, int port, SshSocketOwner &owner);
    ~DirectSocket() override;

    ws::SOCKET Handle() const override { return socket_; }
    bool Write(ByteView bytes) override;
    void Close() override;
    void HandleEvent(std::int32_t event, int error) override;
    int Wait(std::uint32_t milliseconds) override;
    bool Closed() const override { return socket_ == ws::INVALID_SOCKET; }

private:
    DirectSocket(ws::SOCKET socket, bool connected, SshSocketOwner &owner);
    // One receive of up to a chunk, handed to the owner: true when bytes came. The peer's end or a
    // failure closes the connection.
    bool ReadOnce();
    void SendBacklog();
    // Ends the connection and tells the owner (0: the peer closed it).
    void Finish(ErrorCode error);

    ws::SOCKET socket_;
    bool connected_;
    SshSocketOwner &owner_;
    std::vector<std::uint8_t> backlog_;  // bytes not yet sent, from backlogStart_ on
    std::size_t backlogStart_ = 0;
};

}  // namespace qs::ssh
