// Small helpers shared by the codec tests.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "core/error/last_error.h"
#include "dns/lib/dns_services.h"

namespace qs::test {

// A message of a zeroed 12-octet header followed by `body`; names in the body start at offset 12.
inline std::vector<std::uint8_t> AfterHeader(std::initializer_list<std::uint8_t> body)
{
    std::vector<std::uint8_t> message(12, 0);
    message.insert(message.end(), body);
    return message;
}

// Clears the thread's error, so a test sees the code the call under test stores.
inline void ClearError() { SetErrorCode(0); }
inline std::uint32_t LastError() { return ErrorNumber(GetErrorCode()); }

// A few fixed names, so texts do not depend on the machine's service database.
class FixedNames final : public DnsNameSource {
public:
    const char *ServiceName(int port) const override
    {
        switch (port) {
        case 21: return "ftp";
        case 25: return "smtp";
        case 53: return "domain";
        default: return nullptr;
        }
    }
    const char *ProtocolName(int protocol) const override
    {
        return protocol == 6 ? "tcp" : protocol == 17 ? "udp" : nullptr;
    }
};

// Knows no names at all: every port and protocol comes out as a number.
class NoNames final : public DnsNameSource {
public:
    const char *ServiceName(int) const override { return nullptr; }
    const char *ProtocolName(int) const override { return nullptr; }
};

}  // namespace qs::test
