// The resolver's library object and the session settings.
#include <algorithm>
#include <random>

#include "core/error/last_error.h"
#include "core/host/host_address.h"
#include "dns/resolver/dns_resolver.h"
#include "dns/resolver/dns_session.h"

namespace qs {
namespace {

constexpr SessionProfile kDnsProfile{
    .description = "Quillstream Domain Name Services Library",
};

// Query IDs start at an unpredictable value, so an answer cannot be forged by counting.
std::uint16_t RandomQueryId()
{
    std::random_device source;
    return static_cast<std::uint16_t>(source());
}

}  // namespace

SessionLibraryOf<DnsSession> &DnsSessions()
{
    static SessionLibraryOf<DnsSession> library(kDnsProfile);
    return library;
}

SessionLibrary &DnsLibrary() { return DnsSessions(); }

ClientHandle DnsCreateSession(int timeout, int retries, std::uint32_t flags)
{
    if (timeout < 0 || retries < 0) {
        SetErrorCode(qsErrorInvalidParameter);
        return kNoHandle;
    }
    ClientHandle handle = DnsSessions().NewSession();
    if (handle == kNoHandle)
        return kNoHandle;
    DnsSession *session = DnsSessions().Lookup(handle);
    session->queryCounter = RandomQueryId();
    session->answeredServer = kNoAddress;
    // The system's domain and name servers are a starting point only: a session without them still
    // works with what the caller sets.
    const ErrorCode saved = GetErrorCode();
    DnsSetLocalDomain(handle, nullptr);
    DnsDiscoverNameServers(handle);
    SetErrorCode(saved);
    DnsSetTimeout(handle, timeout);
    DnsSetRetryCount(handle, retries);
    session->options = flags;
    return handle;
}

int DnsFreeSession(ClientHandle handle)
{
    if (DnsSessions().Lookup(handle) == nullptr)
        return -1;
    DnsSessions().ReleaseSession(handle);
    return 0;
}

int DnsCancel(ClientHandle handle) { return DnsSessions().SessionCancel(handle); }

int DnsSetTimeout(ClientHandle handle, int seconds)
{
    DnsSession *session = DnsSessions().Lookup(handle);
    if (session == nullptr)
        return -1;
    if (seconds < 0) {
        SetErrorCode(qsErrorInvalidParameter);
        return -1;
    }
    const int previous = session->timeout;
    session->timeout = std::min(seconds, kDnsMaxTimeout);
    return previous;
}

int DnsSetRetryCount(ClientHandle handle, int retries)
{
    DnsSession *session = DnsSessions().Lookup(handle);
    if (session == nullptr)
        return -1;
    if (retries < 0) {
        SetErrorCode(qsErrorInvalidParameter);
        return -1;
    }
    const int previous = session->retries;
    session->retries = std::clamp(retries, kDnsMinRetries, kDnsMaxRetries);
    return previous;
}

std::uint32_t DnsGetServerAddress(ClientHandle handle)
{
    DnsSession *session = DnsSessions().Lookup(handle);
    return session != nullptr ? session->answeredServer : kNoAddress;
}

}  // namespace qs
