// Well-known-services records: the port bit map as text, and the services of a host for one protocol.
#pragma once
#include <cstddef>
#include <span>

#include "dns/lib/dns_text.h"

namespace qs {

// Names for port and protocol numbers; the resolver answers from the socket library's service and
// protocol databases. Null means no name is known.
class DnsNameSource {
public:
    virtual const char *ServiceName(int port) const = 0;
    virtual const char *ProtocolName(int protocol) const = 0;

protected:
    ~DnsNameSource() = default;
};

inline constexpr int kDnsProtocolTcp = 6;
inline constexpr int kDnsProtocolUdp = 17;

// Appends every port set in `bitmap` (bit 7 of the first octet is port 0) as its service name or its
// number, with a space between two ports and, with `spaceFirst`, before the first one too.
void DnsAppendPortList(std::span<const std::uint8_t> bitmap, const DnsNameSource &names, DnsText &text,
                       bool spaceFirst);

// The service list of the first WKS answer record for `protocol` (6 or 17), cut at the 1024 characters
// of the session's text area and at `capacity`. Returns its length, 0 when no record matched or a WKS
// record is shorter than 5 octets, or -1 (qsErrorProtocolNotSupported, qsErrorInvalidBuffer,
// qsErrorBufferTooSmall, qsErrorInvalidServerResponse).
int DnsReadHostServices(std::span<const std::uint8_t> reply, int protocol, const DnsNameSource &names, char *out,
                        std::size_t capacity);

}  // namespace qs
