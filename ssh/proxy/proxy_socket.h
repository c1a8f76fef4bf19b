// A connection through a proxy: a direct socket to the proxy that first runs the proxy's handshake and
// then passes bytes through unchanged both ways. The handshake is queued at once and goes out when the
// TCP connection completes; what the SSH engine writes before the tunnel opens is held and follows it.
// A failed handshake ends the connection through the owner's Closing with the reason.
#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/types.h"
#include "ssh/proxy/direct_socket.h"
#include "ssh/proxy/http_reply_reader.h"
#include "ssh/proxy/proxy_config.h"

namespace qs::ssh {

class ProxySocket final : public SshSocket, private SshSocketOwner {
public:
    // Connects to the proxy at `proxyAddress` (network byte order) and starts the handshake that asks
    // it for `target` (its text) and `port`. A tunnel not open after `timeoutMs` (0: no limit) fails with
    // qsErrorOperationTimeout. Null with the error stored when the proxy connection cannot be started.
    static std::unique_ptr<ProxySocket> Open(const ProxyConfig &proxy, std::uint32_t proxyAddress,
                                             const std::string &target, int port, std::uint32_t timeoutMs,
                                             SshSocketOwner &owner);

    ws::SOCKET Handle() const override { return inner_->Handle(); }
    bool Write(ByteView bytes) override;
    void Close() override;
    void HandleEvent(std::int32_t event, int error) override;
    int Wait(std::uint32_t milliseconds) override;
    bool Closed() const override { return inner_->Closed(); }

private:
    // The handshake's progress.
    enum class State : int {
        NotStarted = -1,
        AwaitingReply = 1,   // request sent, waiting for the first reply bytes (the status line)
        ReadingHeaders = 2,  // HTTP: status accepted, reading header lines
        Open = 3,            // pass-through
    };

    ProxySocket(ProxyType type, bool sentCredentials, std::uint32_t timeoutMs, SshSocketOwner &owner);
    void SetState(State state) { state_ = state; }
    // The tunnel is open: the held writes follow the handshake, then the tunnel's first bytes go up.
    void OpenTunnel(ByteView firstBytes);
    // Ends the connection during the handshake and tells the owner why.
    void Fail(ErrorCode error);
    void CheckDeadline();

    // From the connection to the proxy.
    void Receive(ByteView bytes) override;
    void Sent(std::size_t backlog) override;
    void Closing(ErrorCode error) override;

    ProxyType type_;
    State state_ = State::NotStarted;
    SshSocketOwner &owner_;
    std::unique_ptr<DirectSocket> inner_;
    std::optional<HttpReplyReader> reply_;  // HTTP only
    std::vector<std::uint8_t> held_;        // engine writes before the tunnel opens
    DWORD started_;
    std::uint32_t timeoutMs_;
};

}  // namespace qs::ssh
