#include "dns/lib/dns_mail_exchanges.h"

#include <cstring>

#include "core/error/last_error.h"
#include "dns/lib/dns_header.h"

namespace qs {

void DnsMailExchangeList::Clear()
{
    count_ = 0;
    used_ = 0;
}

bool DnsMailExchangeList::Insert(std::uint16_t preference, const char *name)
{
    std::size_t length = std::strlen(name);
    if (count_ == kDnsMaxMailExchanges || length >= sizeof store_ - used_)
        return false;
    char *stored = &store_[used_];
    std::memcpy(stored, name, length + 1);
    used_ += length + 1;
    std::size_t at = count_;
    while (at > 0 && entries_[at - 1].preference > preference) {
        entries_[at] = entries_[at - 1];
        --at;
    }
    entries_[at] = DnsMailExchange{preference, stored};
    ++count_;
    return true;
}

int DnsReadMailExchanges(std::span<const std::uint8_t> reply, int maxCount, DnsMailExchangeList &list)
{
    list.Clear();
    std::size_t limit = maxCount <= 0 || static_cast<std::size_t>(maxCount) > kDnsMaxMailExchanges
                            ? kDnsMaxMailExchanges
                            : static_cast<std::size_t>(maxCount);
    DnsHeader header;
    DnsReader reader;
    if (!DnsOpenAnswers(reply, &header, &reader))
        return -1;
    for (std::size_t i = 0; i < header.answers && list.Count() < limit && !reader.AtEnd(); ++i) {
        DnsRecord record;
        char name[kDnsNameTextSize];
        // A record cut short (a reply kept only in part) ends the list with what came before it.
        if (!DnsReadRecord(reader, &record, name, sizeof name))
            break;
        if (record.type == kDnsTypeCNAME)
            continue;
        if (record.type != kDnsTypeMX)
            break;
        std::uint16_t preference = 0;
        if (!record.data.U16(&preference) || !record.data.Name(name, sizeof name) || !record.data.AtEnd()) {
            SetErrorCode(qsErrorInvalidServerResponse);
            return -1;
        }
        if (!list.Insert(preference, name))
            break;
    }
    return static_cast<int>(list.Count());
}

}  // namespace qs
