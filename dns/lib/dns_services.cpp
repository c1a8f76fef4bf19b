#include "dns/lib/dns_services.h"

#include <algorithm>

#include "core/error/last_error.h"
#include "dns/lib/dns_header.h"
#include "dns/lib/dns_message.h"

namespace qs {
namespace {

constexpr std::size_t kMaxPort = 65535;
// Address (4 octets) and protocol number ahead of the bit map.
constexpr std::size_t kWksFixedSize = 5;

}  // namespace

void DnsAppendPortList(std::span<const std::uint8_t> bitmap, const DnsNameSource &names, DnsText &text,
                       bool spaceFirst)
{
    bool first = true;
    for (std::size_t octet = 0; octet < bitmap.size() && octet * 8 <= kMaxPort && !text.Ended(); ++octet) {
        for (int bit = 0; bit < 8; ++bit) {
            if ((bitmap[octet] & (0x80 >> bit)) == 0)
                continue;
            int port = static_cast<int>(octet * 8) + bit;
            if (!first || spaceFirst)
                text.Append(" ");
            first = false;
            const char *service = names.ServiceName(port);
            if (service != nullptr)
                text.Append(service);
            else
                text.AppendNumber(static_cast<std::uint32_t>(port));
        }
    }
}

int DnsReadHostServices(std::span<const std::uint8_t> reply, int protocol, const DnsNameSource &names, char *out,
                        std::size_t capacity)
{
    if (protocol != kDnsProtocolTcp && protocol != kDnsProtocolUdp) {
        SetErrorCode(qsErrorProtocolNotSupported);
        return -1;
    }
    if (out == nullptr) {
        SetErrorCode(qsErrorInvalidBuffer);
        return -1;
    }
    if (capacity == 0) {
        SetErrorCode(qsErrorBufferTooSmall);
        return -1;
    }
    out[0] = '\0';
    DnsHeader header;
    DnsReader reader;
    if (!DnsOpenAnswers(reply, &header, &reader))
        return -1;
    for (std::size_t i = 0; i < header.answers && !reader.AtEnd(); ++i) {
        DnsRecord record;
        if (!DnsReadRecord(reader, &record))
            break;
        if (record.type != kDnsTypeWKS)
            continue;
        std::uint8_t recordProtocol = 0;
        std::span<const std::uint8_t> bitmap;
        if (record.data.Remaining() < kWksFixedSize || !record.data.Skip(4) || !record.data.U8(&recordProtocol) ||
            !record.data.Bytes(record.data.Remaining(), &bitmap))
            return 0;
        if (recordProtocol != protocol)
            continue;
        DnsText text(out, std::min(capacity, kDnsTextAreaSize));
        DnsAppendPortList(bitmap, names, text, false);
        return static_cast<int>(text.Length());
    }
    return 0;
}

}  // namespace qs
