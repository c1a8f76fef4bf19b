// What the client sends a proxy to open the tunnel: the HTTP CONNECT request and the telnet proxy's
// connect command. The target is named by its text (a host name as given, or a dotted address).
#pragma once
#include <string>
#include <string_view>

namespace qs::ssh {

// Longest target text: the session's host name limit.
inline constexpr std::size_t kMaxTargetText = 127;

// A target a request can carry: 1 to kMaxTargetText characters, none a control character, a space or
// DEL. A CR or LF would end the request line early and let the text add lines of its own; a space would
// split the line into other fields.
bool ValidTargetText(std::string_view target);

// "CONNECT target:port HTTP/1.1", the Host line, the Basic authorization line when a user or password is
// given, and the empty line that ends the request.
std::string HttpConnectRequest(std::string_view target, int port, std::string_view user, std::string_view password);

// "connect target port" and a line feed.
std::string TelnetConnectCommand(std::string_view target, int port);

}  // namespace qs::ssh
