// Reading a mail-exchanger answer into a list sorted by preference.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

#include "dns/lib/dns_message.h"

namespace qs {

struct DnsMailExchange {
    std::uint16_t preference = 0;
    const char *name = nullptr;
};

// At most 35 exchangers in ascending preference (equal preferences keep the order of the reply), their
// names in one fixed store. Valid until the next Clear().
class DnsMailExchangeList {
public:
    DnsMailExchangeList() = default;
    DnsMailExchangeList(const DnsMailExchangeList &) = delete;
    DnsMailExchangeList &operator=(const DnsMailExchangeList &) = delete;

    void Clear();
    // False when the list is full or the name does not fit in what is left of the store.
    [[nodiscard]] bool Insert(std::uint16_t preference, const char *name);

    std::size_t Count() const { return count_; }
    const DnsMailExchange &At(std::size_t index) const { return entries_[index]; }

private:
    DnsMailExchange entries_[kDnsMaxMailExchanges];
    std::size_t count_ = 0;
    char store_[kDnsMailNameStoreSize];
    std::size_t used_ = 0;
};

// Rebuilds `list` from the MX records at the start of the answer section (CNAME records before them are
// passed over), at most `maxCount` of them (0 or more than 35: 35). Returns the number of entries, or -1
// (qsErrorInvalidServerResponse: the question cannot be stepped over, an exchange name cannot be read).
int DnsReadMailExchanges(std::span<const std::uint8_t> reply, int maxCount, DnsMailExchangeList &list);

}  // namespace qs
