#include "dns/lib/dns_host_entry.h"

#include <algorithm>
#include <cstring>

namespace qs {

void DnsHostArea::Clear()
{
    used_ = 0;
    aliases_ = 0;
    addresses_ = 0;
    entry_ = DnsHostEntry{};
}

const char *DnsHostArea::Store(const char *name)
{
    std::size_t length = std::strlen(name);
    if (length >= sizeof area_ - used_)
        return nullptr;
    char *stored = &area_[used_];
    std::memcpy(stored, name, length + 1);
    used_ += length + 1;
    return stored;
}

bool DnsHostArea::SetName(const char *name)
{
    const char *stored = Store(name);
    if (stored == nullptr)
        return false;
    entry_.name = stored;
    return true;
}

bool DnsHostArea::AddAlias(const char *name)
{
    if (aliases_ == kDnsMaxAliases)
        return true;
    const char *stored = Store(name);
    if (stored == nullptr)
        return false;
    entry_.aliases[aliases_++] = stored;
    return true;
}

bool DnsHostArea::AddAddress(std::span<const std::uint8_t> address)
{
    if (addresses_ == kDnsMaxAddresses)
        return true;
    // The step to the boundary always moves on by 1 to 4 octets.
    std::size_t at = (used_ + 4) & ~std::size_t{3};
    if (at >= sizeof area_ || address.size() >= sizeof area_ - at)
        return false;
    std::copy(address.begin(), address.end(), &area_[at]);
    entry_.addresses[addresses_++] = reinterpret_cast<const std::uint8_t *>(&area_[at]);
    used_ = at + address.size();
    return true;
}

void DnsHostArea::SetAddressForm(int type, int length)
{
    entry_.addressType = type;
    entry_.addressLength = length;
}

}  // namespace qs
