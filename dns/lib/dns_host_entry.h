// A host entry and the fixed area that holds its names and addresses.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

#include "dns/lib/dns_message.h"

namespace qs {

// Shaped like the socket library's host record: null-ended lists, addresses in network order.
struct DnsHostEntry {
    const char *name = nullptr;
    const char *aliases[kDnsMaxAliases + 1] = {};
    int addressType = 0;
    int addressLength = 0;
    const std::uint8_t *addresses[kDnsMaxAddresses + 1] = {};
};

inline constexpr int kDnsAddressTypeInet = 2;

// The entry of one lookup: names first, each zero-ended, then addresses, each at the next 4-octet
// boundary. Everything stays valid until the next Clear().
class DnsHostArea {
public:
    DnsHostArea() = default;
    DnsHostArea(const DnsHostArea &) = delete;
    DnsHostArea &operator=(const DnsHostArea &) = delete;

    void Clear();
    // Each returns false when the area has no room left. An alias past the 34th, or an address past the
    // 35th, is dropped and still returns true.
    [[nodiscard]] bool SetName(const char *name);
    [[nodiscard]] bool AddAlias(const char *name);
    [[nodiscard]] bool AddAddress(std::span<const std::uint8_t> address);
    void SetAddressForm(int type, int length);

    std::size_t AliasCount() const { return aliases_; }
    std::size_t AddressCount() const { return addresses_; }
    const DnsHostEntry &Entry() const { return entry_; }

private:
    const char *Store(const char *name);

    char area_[kDnsNameAreaSize];
    std::size_t used_ = 0;
    std::size_t aliases_ = 0;
    std::size_t addresses_ = 0;
    DnsHostEntry entry_;
};

}  // namespace qs
