#include "dns/lib/dns_host_answer.h"

#include "core/error/last_error.h"
#include "dns/lib/dns_header.h"
#include "dns/lib/dns_reader.h"

namespace qs {
namespace {

constexpr std::size_t kInetAddressSize = 4;

const DnsHostEntry *Fail(std::uint32_t error)
{
    SetErrorCode(error);
    return nullptr;
}

}  // namespace

const DnsHostEntry *DnsReadHostAnswer(std::span<const std::uint8_t> reply, DnsHostMode mode, DnsHostArea &area)
{
    area.Clear();
    const bool pointer = mode == DnsHostMode::Pointer;
    DnsReader reader(reply);
    DnsHeader header;
    if (!DnsReadHeader(reader, &header))
        return Fail(qsErrorInvalidServerResponse);
    char name[kDnsNameTextSize];
    if (header.questions == 0) {
        if (pointer)
            return Fail(header.IsAuthoritative() ? qsErrorHostNameNotFound : qsErrorInvalidServerResponse);
    } else if (pointer) {
        DnsReader question = reader;
        if (!question.Name(name, sizeof name) || !area.SetName(name))
            return Fail(qsErrorInvalidServerResponse);
    }
    if (!DnsSkipQuestions(reader, header.questions))
        return Fail(qsErrorInvalidServerResponse);

    bool first = true;
    std::uint16_t firstClass = 0;
    // Counts that promise more records than the message holds end the walk at the message end; so does a
    // record that cannot be read, keeping what came before it.
    for (std::size_t i = 0; i < header.answers && !reader.AtEnd(); ++i) {
        DnsRecord record;
        if (!DnsReadRecord(reader, &record, name, sizeof name))
            break;
        if (record.type == kDnsTypeCNAME) {
            if (!area.AddAlias(name))
                break;
        } else if (pointer && record.type == kDnsTypePTR) {
            char target[kDnsNameTextSize];
            if (!record.data.Name(target, sizeof target) || !record.data.AtEnd())
                continue;
            if (!area.SetName(target))
                return Fail(qsErrorInvalidServerResponse);
            return &area.Entry();
        } else if (!pointer && record.type == kDnsTypeA) {
            // Anything but four octets is no IPv4 address, whatever its class says.
            std::span<const std::uint8_t> address;
            if (record.data.Remaining() != kInetAddressSize || !record.data.Bytes(kInetAddressSize, &address))
                continue;
            if (first) {
                if (!area.SetName(name))
                    break;
                firstClass = record.rclass;
                area.SetAddressForm(record.rclass == kDnsClassInternet ? kDnsAddressTypeInet : 0,
                                    static_cast<int>(kInetAddressSize));
                first = false;
            } else if (record.rclass != firstClass) {
                continue;
            }
            if (!area.AddAddress(address))
                break;
        }
    }
    if (area.AddressCount() == 0)
        return Fail(qsErrorInvalidServerResponse);
    return &area.Entry();
}

}  // namespace qs
