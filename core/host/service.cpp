// Ports and service names.
#include <cstring>

#include "core/error/last_error.h"
#include "core/host/host_address.h"
#include "core/net/socket_api.h"

namespace qs {
namespace {

constexpr int kMaxPort = 0xFFFF;

}  // namespace

int ResolveServicePort(const char *text)
{
    if (text == nullptr || *text == '\0') {
        SetErrorCode(qsErrorInvalidParameter);
        return -1;
    }
    long port = 0;
    if (std::strspn(text, "0123456789") == std::strlen(text)) {
        // Digits beyond the port range stop counting, so long texts cannot overflow.
        for (const char *p = text; *p != '\0' && port <= kMaxPort; ++p)
            port = port * 10 + (*p - '0');
    } else {
        ws::servent *entry = sock::getservbyname(text, nullptr);
        if (entry == nullptr) {
            SetErrorCode(qsErrorInvalidServiceName);
            return -1;
        }
        port = sock::ntohs(static_cast<ws::u_short>(entry->s_port));
    }
    if (port < 1 || port > kMaxPort) {
        SetErrorCode(qsErrorInvalidServicePort);
        return -1;
    }
    return static_cast<int>(port);
}

int GetServiceName(int port, char *buffer, int size)
{
    if (port < 1 || port > kMaxPort) {
        SetErrorCode(qsErrorInvalidServicePort);
        return 0;
    }
    if (buffer != nullptr && size > 0)
        buffer[0] = '\0';
    ws::servent *entry = sock::getservbyport(sock::htons(static_cast<ws::u_short>(port)), nullptr);
    if (entry == nullptr || entry->s_name == nullptr) {
        SetErrorCode(qsErrorInvalidServiceName);
        return 0;
    }
    if (buffer != nullptr && size > 0) {
        std::strncpy(buffer, entry->s_name, static_cast<std::size_t>(size) - 1);
        buffer[size - 1] = '\0';
    }
    return 1;
}

}  // namespace qs
