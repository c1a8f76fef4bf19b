// Record texts, mail exchangers, host services and host information.
#include <cstring>

#include "core/error/last_error.h"
#include "core/host/host_address.h"
#include "core/net/dotted_address.h"
#include "core/net/socket_api.h"
#include "dns/lib/dns_message.h"
#include "dns/lib/dns_record_text.h"
#include "dns/lib/dns_services.h"
#include "dns/resolver/dns_host_lookup.h"
#include "dns/resolver/dns_resolver.h"
#include "dns/resolver/dns_search.h"
#include "dns/resolver/dns_session.h"

namespace qs {
namespace {

// Port and protocol names from the socket library's databases, any protocol.
class SocketNames final : public DnsNameSource {
  public:
    const char *ServiceName(int port) const override
    {
        const ws::servent *entry = sock::getservbyport(sock::htons(static_cast<ws::u_short>(port)), nullptr);
        return entry != nullptr ? entry->s_name : nullptr;
    }
    const char *ProtocolName(int protocol) const override
    {
        const ws::protoent *entry = sock::getprotobynumber(protocol);
        return entry != nullptr ? entry->p_name : nullptr;
    }
};

// Copies as much of `text` as fits, as record texts are cut to the caller's buffer.
int CopyCut(const char *text, char *out, int capacity)
{
    std::size_t length = std::strlen(text);
    if (length >= static_cast<std::size_t>(capacity))
        length = static_cast<std::size_t>(capacity) - 1;
    std::memcpy(out, text, length);
    out[length] = '\0';
    return static_cast<int>(length);
}

int FormatAddressRecord(ClientHandle handle, const char *name, char *out, int capacity)
{
    const DnsHostEntry *entry = DnsLookupHost(handle, name, false);
    if (entry == nullptr)
        return -1;
    if (entry->addresses[0] == nullptr) {
        SetErrorCode(qsErrorHostNameNotFound);
        return -1;
    }
    std::uint32_t address = 0;
    std::memcpy(&address, entry->addresses[0], sizeof address);
    char dotted[kDottedAddressCap];
    FormatDottedAddress(address, dotted, sizeof dotted);
    return CopyCut(dotted, out, capacity);
}

int FormatPointerRecord(ClientHandle handle, const char *name, char *out, int capacity)
{
    std::uint32_t address = ParseDottedAddress(name);
    if (address == 0 || address == kNoAddress) {
        SetErrorCode(qsErrorInvalidHostAddress);
        return -1;
    }
    const DnsHostEntry *entry = DnsGetHostByAddress(handle, &address, sizeof address, kDnsAddressTypeInet);
    return entry != nullptr ? CopyCut(entry->name, out, capacity) : -1;
}

}  // namespace

int DnsFormatRecord(ClientHandle handle, const char *name, int type, char *out, int capacity)
{
    if (DnsSessions().Lookup(handle) == nullptr)
        return -1;
    if (name == nullptr || *name == '\0') {
        SetErrorCode(qsErrorInvalidRecordName);
        return -1;
    }
    if (out == nullptr) {
        SetErrorCode(qsErrorInvalidBuffer);
        return -1;
    }
    if (capacity < 2) {
        SetErrorCode(qsErrorBufferTooSmall);
        return -1;
    }
    out[0] = '\0';
    if (type < 0 || type > 0xFFFF) {
        SetErrorCode(qsErrorInvalidRecordType);
        return -1;
    }
    if (type == kDnsTypeNone)
        return 0;
    if (type == kDnsTypeA)
        return FormatAddressRecord(handle, name, out, capacity);
    if (type == kDnsTypePTR)
        return FormatPointerRecord(handle, name, out, capacity);

    const auto recordType = static_cast<std::uint16_t>(type);
    std::uint8_t reply[kDnsMessageSize];
    const int received = DnsSearch(handle, name, recordType, reply);
    if (received < 0)
        return -1;
    DnsSession *session = DnsSessions().Lookup(handle);
    if (session == nullptr)
        return -1;
    // An alias is followed once: the target's own alias is a record of the wrong type.
    char alias[kDnsAliasSize];
    int length = 0;
    const DnsAnswerText result =
        DnsFormatAnswer(std::span(reply, static_cast<std::size_t>(received)), recordType, SocketNames(), out,
                        static_cast<std::size_t>(capacity), &length, session->followingAlias ? nullptr : alias);
    if (result == DnsAnswerText::Failed)
        return -1;
    if (result == DnsAnswerText::Text)
        return length;
    session->followingAlias = true;
    length = DnsFormatRecord(handle, alias, type, out, capacity);
    session = DnsSessions().Lookup(handle);
    if (session != nullptr)
        session->followingAlias = false;
    return length;
}

int DnsGetMailExchanges(ClientHandle handle, const char *domain, int maxCount)
{
    if (DnsSessions().Lookup(handle) == nullptr)
        return -1;
    if (domain == nullptr || *domain == '\0') {
        SetErrorCode(qsErrorInvalidHostName);
        return -1;
    }
    std::uint8_t reply[kDnsMessageSize];
    const int received = DnsSearch(handle, domain, kDnsTypeMX, reply);
    if (received < 0)
        return -1;
    DnsSession *session = DnsSessions().Lookup(handle);
    if (session == nullptr)
        return -1;
    return DnsReadMailExchanges(std::span(reply, static_cast<std::size_t>(received)), maxCount,
                                session->mailExchanges);
}

const DnsMailExchangeList *DnsGetMailExchangeList(ClientHandle handle)
{
    DnsSession *session = DnsSessions().Lookup(handle);
    return session != nullptr ? &session->mailExchanges : nullptr;
}

int DnsGetHostServices(ClientHandle handle, const char *host, int protocol, char *out, int capacity)
{
    if (DnsSessions().Lookup(handle) == nullptr)
        return -1;
    if (protocol != kDnsProtocolTcp && protocol != kDnsProtocolUdp) {
        SetErrorCode(qsErrorProtocolNotSupported);
        return -1;
    }
    if (host == nullptr || *host == '\0') {
        SetErrorCode(qsErrorInvalidHostName);
        return -1;
    }
    if (out == nullptr || capacity < 1) {
        SetErrorCode(out == nullptr ? qsErrorInvalidBuffer : qsErrorBufferTooSmall);
        return -1;
    }
    out[0] = '\0';
    std::uint8_t reply[kDnsMessageSize];
    const int received = DnsSearch(handle, host, kDnsTypeWKS, reply);
    if (received < 0)
        return -1;
    return DnsReadHostServices(std::span(reply, static_cast<std::size_t>(received)), protocol, SocketNames(), out,
                               static_cast<std::size_t>(capacity));
}

int DnsGetHostInfo(ClientHandle handle, const char *host, char *out, int capacity)
{
    return DnsFormatRecord(handle, host, kDnsTypeHINFO, out, capacity);
}

}  // namespace qs
