// The local domain and the search list built from it.
#include <algorithm>
#include <cstring>

#include "core/error/last_error.h"
#include "dns/resolver/dns_platform.h"
#include "dns/resolver/dns_resolver.h"
#include "dns/resolver/dns_session.h"
#include "platform/base/registry.h"

namespace qs {
namespace {

constexpr DWORD kDomainValueCap = 512;   // octets read of a "Domain" value, terminator included
// Each location found replaces the one before, so the second wins when both hold a domain.
constexpr const char *kDomainKeys[] = {
    "System\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Transient",
    "System\\CurrentControlSet\\Services\\Tcpip\\Parameters",
};

void ReadSystemDomain(char (&domain)[kDnsDomainCap])
{
    domain[0] = '\0';
    for (const char *path : kDomainKeys) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
            continue;
        char value[kDomainValueCap] = {};
        DWORD type = REG_NONE;
        DWORD size = kDomainValueCap - 1;
        const LONG status = RegQueryValueExA(key, "Domain", nullptr, &type, reinterpret_cast<BYTE *>(value), &size);
        RegCloseKey(key);
        if (status != ERROR_SUCCESS || type != REG_SZ)
            continue;
        const std::size_t length = std::min(std::strlen(value), kDnsDomainCap - 1);
        std::memcpy(domain, value, length);
        domain[length] = '\0';
    }
}

std::size_t CountDots(const char *text)
{
    return static_cast<std::size_t>(std::count(text, text + std::strlen(text), '.'));
}

// The domain itself, then the domain without its first label for as long as two dots remain.
void BuildSearchList(DnsSession &session)
{
    session.searchList[0] = 0;
    session.searchCount = 1;
    const char *rest = session.localDomain;
    while (session.searchCount < kDnsSearchEntries && CountDots(rest) >= 2) {
        rest = std::strchr(rest, '.') + 1;
        session.searchList[session.searchCount++] = static_cast<std::size_t>(rest - session.localDomain);
    }
}

}  // namespace

int DnsSetLocalDomain(ClientHandle handle, const char *domain)
{
    DnsSession *session = DnsSessions().Lookup(handle);
    if (session == nullptr)
        return -1;
    if (domain != nullptr) {
        const std::size_t length = std::strlen(domain);
        if (length >= kDnsDomainCap) {
            SetErrorCode(qsErrorInvalidParameter);
            return -1;
        }
        std::memcpy(session->localDomain, domain, length + 1);
    } else {
        if (!DnsPlatformSupported()) {
            SetErrorCode(qsErrorOperationNotSupported);
            return -1;
        }
        ReadSystemDomain(session->localDomain);
    }
    BuildSearchList(*session);
    return 0;
}

int DnsGetLocalDomain(ClientHandle handle, char *out, int capacity)
{
    DnsSession *session = DnsSessions().Lookup(handle);
    if (session == nullptr)
        return -1;
    const std::size_t length = std::strlen(session->localDomain);
    if (out == nullptr || capacity < 1 || length >= static_cast<std::size_t>(capacity)) {
        SetErrorCode(out == nullptr ? qsErrorInvalidBuffer : qsErrorBufferTooSmall);
        return -1;
    }
    std::memcpy(out, session->localDomain, length + 1);
    return static_cast<int>(length);
}

}  // namespace qs
