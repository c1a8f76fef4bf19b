// The proxy settings of a connection (part of the session's configuration): which kind of proxy, where
// it is and the credentials an HTTP proxy is given. Targets that are local never use the proxy.
#pragma once
#include <string>

namespace qs::ssh {

enum class ProxyType : int {
    None = 0,
    Http = 1,    // CONNECT method, Basic authorization when a user or password is set
    Telnet = 2,  // one "connect HOST PORT" line, then the stream as it comes
};

inline constexpr int kHttpProxyPort = 80;
inline constexpr int kTelnetProxyPort = 23;

struct ProxyConfig {
    ProxyType type = ProxyType::None;
    std::string host;
    int port = 0;  // 0: the type's usual port
    std::string user;
    std::string password;
};

}  // namespace qs::ssh
