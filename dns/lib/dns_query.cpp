#include "dns/lib/dns_query.h"

#include <cstdio>
#include <cstring>

#include "core/error/last_error.h"
#include "dns/lib/dns_message.h"
#include "dns/lib/dns_name.h"
#include "dns/lib/dns_writer.h"

namespace qs {
namespace {

// Header, the shortest name and the question's type and class.
constexpr std::size_t kQueryFixedSize = kDnsHeaderSize + 4;

}  // namespace

int DnsBuildQuery(std::uint16_t id, const char *name, const char *localDomain, std::uint16_t qclass,
                  std::uint16_t qtype, std::span<std::uint8_t> buffer)
{
    if (buffer.size() <= kQueryFixedSize) {
        SetErrorCode(qsErrorBufferTooSmall);
        return -1;
    }
    if (name == nullptr) {
        SetErrorCode(qsErrorInvalidHostName);
        return -1;
    }
    char qualified[kDnsNameTextSize];
    if (name[0] != '\0' && std::strchr(name, '.') == nullptr && localDomain != nullptr && localDomain[0] != '\0') {
        int length = std::snprintf(qualified, sizeof qualified, "%s.%s", name, localDomain);
        if (length < 0 || static_cast<std::size_t>(length) >= sizeof qualified) {
            SetErrorCode(qsErrorInvalidHostName);
            return -1;
        }
        name = qualified;
    }

    // The name gets its own window, so it can never take the room of the type and class after it.
    DnsWriter question(buffer.subspan(kDnsHeaderSize, buffer.size() - kQueryFixedSize));
    if (DnsEncodeName(name, question, nullptr) < 0)
        return -1;
    DnsWriter header(buffer.first(kDnsHeaderSize));
    DnsWriter tail(buffer.subspan(kDnsHeaderSize + question.Length()));
    if (!header.U16(id) || !header.U16(kDnsFlagRecursionDesired) || !header.U16(1) || !header.U16(0) ||
        !header.U16(0) || !header.U16(0) || !tail.U16(qtype) || !tail.U16(qclass)) {
        SetErrorCode(qsErrorBufferTooSmall);
        return -1;
    }
    return static_cast<int>(kDnsHeaderSize + question.Length() + tail.Length());
}

}  // namespace qs
