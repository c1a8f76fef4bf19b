// The host the control looks at: HostName and HostAddress resolve each other, and what was found of the
// host (its aliases, its mail exchangers, its information and services) is read from it. The host file
// feeds the lookups by name.
#include <cstring>

#include "core/error/last_error.h"
#include "core/host/host_address.h"
#include "core/net/dotted_address.h"
#include "dns/control/dns_client.h"
#include "dns/lib/dns_message.h"
#include "dns/resolver/dns_session.h"

namespace qs::dns {
namespace {

std::uint32_t FirstAddress(const DnsHostEntry &entry)
{
    std::uint32_t address = 0;
    std::memcpy(&address, entry.addresses[0], sizeof address);
    return address;
}

const DnsHostEntry *ReverseLookup(ClientHandle handle, std::uint32_t address)
{
    return DnsGetHostByAddress(handle, &address, sizeof address, kDnsAddressTypeInet);
}

}  // namespace

void DnsClient::ForgetHost()
{
    aliases_.clear();
    mailExchanges_.clear();
    mailExchangesKnown_ = false;
}

void DnsClient::KeepAliases(const DnsHostEntry &entry)
{
    aliases_.assign(1, entry.name);
    for (const char *const *alias = entry.aliases; *alias != nullptr && aliases_.size() < kMaxAliasEntries; ++alias)
        aliases_.emplace_back(*alias);
}

HRESULT DnsClient::put_HostName(BSTR value)
{
    ForgetHost();
    hostAddress_.clear();
    hostName_ = automation::Utf8FromBstr(value);
    if (hostName_.empty() || !RunMode())
        return S_OK;
    const ClientHandle handle = Session();
    const std::uint32_t address = ParseDottedAddress(hostName_.c_str());
    if (address != kNoAddress) {
        // An address without a name is no error: the name just stays unknown.
        const DnsHostEntry *entry = ReverseLookup(handle, address);
        hostName_ = entry != nullptr ? entry->name : "";
        return S_OK;
    }
    const DnsHostEntry *entry = DnsGetHostByName(handle, hostName_.c_str());
    if (entry == nullptr)
        return ReportPropertyError();
    KeepAliases(*entry);
    if (entry->addresses[0] != nullptr)
        hostAddress_ = Dotted(FirstAddress(*entry));
    return S_OK;
}

HRESULT DnsClient::put_HostAddress(BSTR value)
{
    ForgetHost();
    hostName_.clear();
    hostAddress_ = automation::Utf8FromBstr(value);
    if (hostAddress_.empty() || !RunMode())
        return S_OK;
    const ClientHandle handle = Session();
    const std::uint32_t address = ParseDottedAddress(hostAddress_.c_str());
    if (address == kNoAddress)
        return ReportPropertyError(MakeErrorCode(qsErrorInvalidHostAddress));
    const DnsHostEntry *entry = ReverseLookup(handle, address);
    if (entry == nullptr)
        return ReportPropertyError();
    hostName_ = entry->name;
    hostAddress_ = Dotted(address);
    KeepAliases(*entry);
    return S_OK;
}

HRESULT DnsClient::ListEntry(const std::vector<std::string> &list, LONG index, BSTR *value)
{
    if (index < 0 || static_cast<std::size_t>(index) > list.size())
        return CTL_E_INVALIDPROPERTYARRAYINDEX;
    return TextResult(static_cast<std::size_t>(index) < list.size() ? list[index] : std::string(), value);
}

HRESULT DnsClient::get_HostAlias(LONG index, BSTR *value)
{
    if (HRESULT hr = CheckGet(); FAILED(hr))
        return hr;
    return ListEntry(aliases_, index, value);
}

HRESULT DnsClient::get_HostAliases(LONG *value)
{
    if (HRESULT hr = CheckGet(); FAILED(hr))
        return hr;
    *value = static_cast<LONG>(aliases_.size());
    return S_OK;
}

// Computed once per host; a host known only by its address is named first.
HRESULT DnsClient::FindMailExchanges()
{
    if (mailExchangesKnown_)
        return S_OK;
    const ClientHandle handle = Session();
    if (hostName_.empty() && !hostAddress_.empty()) {
        char name[kDnsNameTextSize];
        if (DnsGetHostNameText(handle, hostAddress_.c_str(), name, sizeof name) < 0)
            return ReportPropertyError();
        hostName_ = name;
    }
    mailExchanges_.clear();
    if (!hostName_.empty()) {
        const int count = DnsGetMailExchanges(handle, hostName_.c_str(), kDnsMaxMailExchanges);
        if (count < 0)
            return ReportPropertyError();
        const DnsMailExchangeList *list = DnsGetMailExchangeList(handle);
        for (int i = 0; i < count; ++i)
            mailExchanges_.emplace_back(list->At(static_cast<std::size_t>(i)).name);
    }
    mailExchangesKnown_ = true;
    return S_OK;
}

HRESULT DnsClient::get_MailExchanges(LONG *value)
{
    if (HRESULT hr = CheckGet(); FAILED(hr))
        return hr;
    if (HRESULT hr = FindMailExchanges(); FAILED(hr))
        return hr;
    *value = static_cast<LONG>(mailExchanges_.size());
    return S_OK;
}

HRESULT DnsClient::get_MailExchange(LONG index, BSTR *value)
{
    if (HRESULT hr = CheckGet(); FAILED(hr))
        return hr;
    if (HRESULT hr = FindMailExchanges(); FAILED(hr))
        return hr;
    return ListEntry(mailExchanges_, index, value);
}

// A failed lookup gives an empty text, with no error.
HRESULT DnsClient::get_HostInfo(BSTR *value)
{
    if (HRESULT hr = CheckGet(); FAILED(hr))
        return hr;
    char text[kHostTextCap] = "";
    if (hostName_.empty() || DnsGetHostInfo(Session(), hostName_.c_str(), text, sizeof text) < 0)
        text[0] = '\0';
    return TextResult(text, value);
}

HRESULT DnsClient::get_HostProtocol(LONG *value)
{
    if (HRESULT hr = CheckGet(); FAILED(hr))
        return hr;
    *value = hostProtocol_;
    return S_OK;
}

HRESULT DnsClient::put_HostProtocol(LONG value)
{
    hostProtocol_ = value;
    return S_OK;
}

// As HostInfo: empty without a host, for a protocol other than TCP and UDP, or when nothing is found.
HRESULT DnsClient::get_HostServices(BSTR *value)
{
    if (HRESULT hr = CheckGet(); FAILED(hr))
        return hr;
    char text[kHostTextCap] = "";
    const bool known = hostProtocol_ == kDnsProtocolTcp || hostProtocol_ == kDnsProtocolUdp;
    if (hostName_.empty() || !known ||
        DnsGetHostServices(Session(), hostName_.c_str(), hostProtocol_, text, sizeof text) < 0)
        text[0] = '\0';
    return TextResult(text, value);
}

HRESULT DnsClient::get_HostFile(BSTR *value)
{
    if (HRESULT hr = CheckGet(); FAILED(hr))
        return hr;
    char path[kDnsHostFilePathCap];
    if (DnsGetHostFilePath(Session(), path, sizeof path) < 0)
        return ReportPropertyError();
    hostFile_ = path;
    return TextResult(hostFile_, value);
}

HRESULT DnsClient::put_HostFile(BSTR value)
{
    hostFile_ = automation::Utf8FromBstr(value);
    if (DnsLoadHostFile(Session(), hostFile_.c_str()) < 0)
        return ReportPropertyError();
    return S_OK;
}

}  // namespace qs::dns
