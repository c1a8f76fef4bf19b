#include "ssh/proxy/proxy_connect.h"

#include <cstring>
#include <string>

#include "core/error/last_error.h"
#include "core/host/host_address.h"
#include "core/net/dotted_address.h"
#include "core/net/socket_api.h"
#include "ssh/proxy/direct_socket.h"
#include "ssh/proxy/proxy_request.h"
#include "ssh/proxy/proxy_socket.h"

namespace qs::ssh {
namespace {

constexpr std::uint32_t kLoopbackNet = 127;
constexpr int kMaxPort = 0xFFFF;

// An address the computer owns: binding a datagram socket to it succeeds only then. Nothing is sent.
bool IsOwnAddress(std::uint32_t address)
{
    if (sock::ntohl(address) >> 24 == kLoopbackNet)
        return true;
    ws::SOCKET probe = sock::socket(ws::AF_INET, ws::SOCK_DGRAM, ws::IPPROTO_UDP);
    if (probe == ws::INVALID_SOCKET)
        return false;
    ws::sockaddr_in local{};
    local.sin_family = ws::AF_INET;
    local.sin_addr.s_addr = address;
    const bool own = sock::bind(probe, reinterpret_cast<const ws::sockaddr *>(&local), sizeof local) == 0;
    sock::closesocket(probe);
    return own;
}

}  // namespace

bool IsLocalTarget(const char *target)
{
    if (std::strcmp(target, "localhost") == 0)
        return true;
    const std::uint32_t address = ParseDottedAddress(target);
    return address != kNoAddress && IsOwnAddress(address);
}

std::unique_ptr<SshSocket> ConnectSshSocket(const char *target, int port, const ProxyConfig &proxy,
                                            std::uint32_t handshakeTimeoutMs, SshSocketOwner &owner)
{
    if (target == nullptr || !ValidTargetText(target)) {
        SetErrorCode(qsErrorInvalidHostName);
        return nullptr;
    }
    if (port < 1 || port > kMaxPort) {
        SetErrorCode(qsErrorInvalidServicePort);
        return nullptr;
    }
    if (proxy.type != ProxyType::None && proxy.type != ProxyType::Http && proxy.type != ProxyType::Telnet) {
        SetErrorCode(qsErrorInvalidProxyType);
        return nullptr;
    }
    if (proxy.type == ProxyType::None || IsLocalTarget(target)) {
        const std::uint32_t address = ResolveHostAddress(target);
        if (address == kNoAddress)
            return nullptr;
        return DirectSocket::Open(address, port, owner);
    }
    const std::uint32_t proxyAddress = ResolveHostAddress(proxy.host.c_str());
    if (proxyAddress == kNoAddress)
        return nullptr;
    // A dotted target goes to the proxy in its plain dotted form.
    std::string text = target;
    const std::uint32_t address = ParseDottedAddress(target);
    if (address != kNoAddress) {
        char dotted[kDottedAddressCap];
        FormatDottedAddress(address, dotted, sizeof dotted);
        text = dotted;
    }
    return ProxySocket::Open(proxy, proxyAddress, text, port, handshakeTimeoutMs, owner);
}

}  // namespace qs::ssh
