#include "core/host/host_address.h"

#include <cstdio>
#include <cstring>

#include "core/error/last_error.h"
#include "core/net/dotted_address.h"
#include "core/net/socket_api.h"

namespace qs {
namespace {

void CopyCut(const char *text, char *buffer, int size)
{
    std::size_t length = std::strlen(text);
    if (length >= static_cast<std::size_t>(size))
        length = static_cast<std::size_t>(size) - 1;
    std::memcpy(buffer, text, length);
    buffer[length] = '\0';
}

}  // namespace

std::uint32_t ParseHostAddress(const char *text)
{
    std::uint32_t address = text != nullptr && *text != '\0' ? ParseDottedAddress(text) : kNoAddress;
    if (address == kNoAddress)
        SetErrorCode(qsErrorInvalidHostAddress);
    return address;
}

void FormatDottedAddress(std::uint32_t address, char *buffer, int size)
{
    if (buffer == nullptr || size <= 0)
        return;
    char scratch[kDottedAddressCap];
    const auto *bytes = reinterpret_cast<const unsigned char *>(&address);
    std::snprintf(scratch, sizeof scratch, "%d.%d.%d.%d", bytes[0], bytes[1], bytes[2], bytes[3]);
    CopyCut(scratch, buffer, size);
}

std::uint32_t ResolveHostAddress(const char *text)
{
    if (text == nullptr || *text == '\0') {
        SetErrorCode(qsErrorInvalidHostName);
        return kNoAddress;
    }
    std::uint32_t address = ParseDottedAddress(text);
    if (address != kNoAddress)
        return address;
    ws::hostent *entry = sock::gethostbyname(text);
    if (entry == nullptr || entry->h_addr_list == nullptr || entry->h_addr_list[0] == nullptr ||
        entry->h_length != sizeof address) {
        SetErrorCode(qsErrorInvalidHostName);
        return kNoAddress;
    }
    std::memcpy(&address, entry->h_addr_list[0], sizeof address);
    return address;
}

int ResolveHostName(std::uint32_t address, char *buffer, int size)
{
    if (buffer == nullptr || size < 1) {
        SetErrorCode(qsErrorInvalidParameter);
        return -1;
    }
    if (address == 0 || address == kNoAddress) {
        SetErrorCode(ws::WSAEDESTADDRREQ);
        return -1;
    }
    ws::hostent *entry = sock::gethostbyaddr(reinterpret_cast<const char *>(&address), sizeof address, ws::AF_INET);
    if (entry == nullptr || entry->h_name == nullptr) {
        if (SetErrorFromNetwork() == 0)
            SetErrorCode(qsErrorInvalidHostName);
        return -1;
    }
    CopyCut(entry->h_name, buffer, size);
    return static_cast<int>(std::strlen(buffer));
}

}  // namespace qs
