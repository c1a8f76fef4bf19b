#include "ssh/proxy/proxy_request.h"

#include <algorithm>

#include "ssh/proxy/base64.h"

namespace qs::ssh {

bool ValidTargetText(std::string_view target)
{
    if (target.empty() || target.size() > kMaxTargetText)
        return false;
    return std::none_of(target.begin(), target.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte <= ' ' || byte == 0x7F;
    });
}

std::string HttpConnectRequest(std::string_view target, int port, std::string_view user, std::string_view password)
{
    const std::string endpoint = std::string(target) + ':' + std::to_string(port);
    std::string request = "CONNECT " + endpoint + " HTTP/1.1\r\nHost: " + endpoint + "\r\n";
    if (!user.empty() || !password.empty()) {
        std::string credentials(user);
        credentials += ':';
        credentials += password;
        request += "Proxy-Authorization: Basic " + Base64Encode(credentials) + "\r\n";
    }
    request += "\r\n";
    return request;
}

std::string TelnetConnectCommand(std::string_view target, int port)
{
    return "connect " + std::string(target) + ' ' + std::to_string(port) + '\n';
}

}  // namespace qs::ssh
