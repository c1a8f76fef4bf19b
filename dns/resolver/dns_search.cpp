#include "dns/resolver/dns_search.h"

#include <cstdio>
#include <cstring>

#include "core/error/last_error.h"
#include "dns/lib/dns_header.h"
#include "dns/lib/dns_message.h"
#include "dns/lib/dns_query.h"
#include "dns/resolver/dns_exchange.h"
#include "dns/resolver/dns_session.h"

namespace qs {
namespace {

// The longest name and domain joined for a query; longer texts could not be encoded anyway.
constexpr std::size_t kJoinedPartCap = 256;
constexpr std::size_t kAsGivenCap = 514;

}  // namespace

int DnsQueryName(ClientHandle handle, const char *name, std::uint16_t type, std::span<std::uint8_t> reply)
{
    DnsSession *session = DnsSessions().Lookup(handle);
    if (session == nullptr)
        return -1;
    std::uint8_t query[kDnsMessageSize];
    const int length = DnsBuildQuery(++session->queryCounter, name, session->localDomain, kDnsClassInternet, type,
                                     query);
    if (length < 0)
        return -1;
    const int received = DnsSendQuery(handle, std::span(query, static_cast<std::size_t>(length)), reply);
    if (received < 0 || !DnsClassifyReply(reply.first(static_cast<std::size_t>(received))))
        return -1;
    return received;
}

int DnsQueryDomain(ClientHandle handle, const char *name, const char *domain, std::uint16_t type,
                   std::span<std::uint8_t> reply)
{
    char full[kDnsNameTextSize];
    const std::size_t length = std::strlen(name);
    if (domain != nullptr) {
        if (length > kJoinedPartCap || std::strlen(domain) > kJoinedPartCap) {
            SetErrorCode(qsErrorInvalidHostName);
            return -1;
        }
        std::snprintf(full, sizeof full, "%s.%s", name, domain);
    } else {
        if (length > kAsGivenCap) {
            SetErrorCode(qsErrorInvalidHostName);
            return -1;
        }
        std::memcpy(full, name, length + 1);
        if (length > 0 && full[length - 1] == '.')
            full[length - 1] = '\0';
    }
    return DnsQueryName(handle, full, type, reply);
}

int DnsSearch(ClientHandle handle, const char *name, std::uint16_t type, std::span<std::uint8_t> reply)
{
    DnsSession *session = DnsSessions().Lookup(handle);
    if (session == nullptr)
        return -1;
    const std::size_t length = std::strlen(name);
    const bool hasDot = std::strchr(name, '.') != nullptr;
    bool noData = false;
    if (length == 0 || name[length - 1] != '.') {
        // Copied, since a handler run during the exchange may change the session's domain.
        char domains[kDnsSearchEntries][kDnsDomainCap];
        const std::size_t count = session->searchCount;
        for (std::size_t i = 0; i < count; ++i)
            std::snprintf(domains[i], sizeof domains[i], "%s", session->localDomain + session->searchList[i]);
        for (std::size_t i = 0; i < count; ++i) {
            const int received = DnsQueryDomain(handle, name, domains[i], type, reply);
            if (received > 0)
                return received;
            const std::uint32_t error = ErrorNumber(GetErrorCode());
            if (error == qsErrorHostNameRefused || error == qsErrorOperationTimeout ||
                error == qsErrorOperationCanceled)
                return -1;
            if (error == qsErrorNoServerResponse)
                noData = true;
            else if (error != qsErrorHostNameNotFound)
                break;
        }
    }
    if (hasDot)
        return DnsQueryDomain(handle, name, nullptr, type, reply);
    if (noData)
        SetErrorCode(qsErrorNoServerResponse);
    return -1;
}

}  // namespace qs
