// Opening the SSH engine's connection: straight to the target, or through the configured proxy when the
// target is not local. A proxied target is not looked up here: its name goes to the proxy as text.
#pragma once
#include <cstdint>
#include <memory>

#include "ssh/proxy/proxy_config.h"
#include "ssh/proxy/ssh_socket.h"

namespace qs::ssh {

// True for targets reached without the proxy: the name "localhost" (exactly, case and all), and a dotted
// address in 127.0.0.0/8 or of one of this computer's own interfaces.
bool IsLocalTarget(const char *target);

// Starts the connection to `target` and `port` (1-65535) for `owner`. With a proxy the handshake must
// open the tunnel within `handshakeTimeoutMs` (0: no limit). Null with the error stored:
// qsErrorInvalidHostName for a target that is empty, too long, holds a control character or space, or
// (when connected directly) does not resolve, and for a proxy host that does not resolve;
// qsErrorInvalidServicePort; qsErrorInvalidProxyType; or the socket library's error.
std::unique_ptr<SshSocket> ConnectSshSocket(const char *target, int port, const ProxyConfig &proxy,
                                            std::uint32_t handshakeTimeoutMs, SshSocketOwner &owner);

}  // namespace qs::ssh
