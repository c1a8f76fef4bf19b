// Forward and reverse host lookups, their text forms, and the local host.
#include "dns/resolver/dns_host_lookup.h"

#include <cstdio>
#include <cstring>

#include "core/error/last_error.h"
#include "core/host/host_address.h"
#include "core/net/dotted_address.h"
#include "core/net/socket_api.h"
#include "dns/lib/dns_host_answer.h"
#include "dns/lib/dns_message.h"
#include "dns/resolver/dns_host_file.h"
#include "dns/resolver/dns_resolver.h"
#include "dns/resolver/dns_search.h"
#include "dns/resolver/dns_session.h"

namespace qs {
namespace {

constexpr std::size_t kInetAddressSize = 4;
// "255.255.255.255.in-addr.arpa" and its terminator.
constexpr std::size_t kReverseNameCap = 32;

// Digits and dots, starting with a digit and not ending with a dot: a malformed address, never a name.
bool LooksNumeric(const char *name)
{
    const std::size_t length = std::strlen(name);
    return name[0] >= '0' && name[0] <= '9' && std::strspn(name, "0123456789.") == length && name[length - 1] != '.';
}

bool IsAddress(std::uint32_t address) { return address != 0 && address != kNoAddress; }

// Copies a text whole, or fails: a cut address or name would be a different one.
int CopyWhole(const char *text, char *out, int capacity)
{
    const std::size_t length = std::strlen(text);
    if (out == nullptr || capacity < 1) {
        SetErrorCode(qsErrorInvalidBuffer);
        return -1;
    }
    if (length >= static_cast<std::size_t>(capacity)) {
        SetErrorCode(qsErrorBufferTooSmall);
        return -1;
    }
    std::memcpy(out, text, length + 1);
    return static_cast<int>(length);
}

int CopyAddress(std::uint32_t address, char *out, int capacity)
{
    char dotted[kDottedAddressCap];
    FormatDottedAddress(address, dotted, sizeof dotted);
    return CopyWhole(dotted, out, capacity);
}

const DnsHostEntry *ReverseLookup(ClientHandle handle, std::uint32_t address)
{
    return DnsGetHostByAddress(handle, &address, sizeof address, kDnsAddressTypeInet);
}

}  // namespace

const DnsHostEntry *DnsLookupHost(ClientHandle handle, const char *name, bool useHostFile)
{
    DnsSession *session = DnsSessions().Lookup(handle);
    if (session == nullptr)
        return nullptr;
    if (name == nullptr || *name == '\0') {
        SetErrorCode(qsErrorInvalidHostName);
        return nullptr;
    }
    const std::uint32_t address = ParseDottedAddress(name);
    const DnsHostEntry *entry = nullptr;
    if (IsAddress(address)) {
        if (useHostFile && (entry = DnsLookupHostFileAddress(*session, address)) != nullptr)
            return entry;
        return ReverseLookup(handle, address);
    }
    if (useHostFile && (entry = DnsLookupHostFile(*session, name)) != nullptr)
        return entry;
    if (LooksNumeric(name)) {
        SetErrorCode(qsErrorHostNameNotFound);
        return nullptr;
    }
    std::uint8_t reply[kDnsMessageSize];
    const int length = DnsSearch(handle, name, kDnsTypeA, reply);
    if (length < 0)
        return nullptr;
    session = DnsSessions().Lookup(handle);
    if (session == nullptr)
        return nullptr;
    return DnsReadHostAnswer(std::span(reply, static_cast<std::size_t>(length)), DnsHostMode::Address,
                             session->hostArea);
}

const DnsHostEntry *DnsGetHostByName(ClientHandle handle, const char *name)
{
    return DnsLookupHost(handle, name, true);
}

const DnsHostEntry *DnsGetHostByAddress(ClientHandle handle, const void *address, int length, int type)
{
    if (DnsSessions().Lookup(handle) == nullptr)
        return nullptr;
    if (address == nullptr || length != static_cast<int>(kInetAddressSize) || type != kDnsAddressTypeInet) {
        SetErrorCode(qsErrorInvalidParameter);
        return nullptr;
    }
    std::uint8_t octets[kInetAddressSize];
    std::memcpy(octets, address, sizeof octets);
    char name[kReverseNameCap];
    std::snprintf(name, sizeof name, "%d.%d.%d.%d.in-addr.arpa", octets[3], octets[2], octets[1], octets[0]);
    std::uint8_t reply[kDnsMessageSize];
    const int received = DnsQueryName(handle, name, kDnsTypePTR, reply);
    if (received < 0)
        return nullptr;
    DnsSession *session = DnsSessions().Lookup(handle);
    if (session == nullptr)
        return nullptr;
    const DnsHostEntry *entry = DnsReadHostAnswer(std::span(reply, static_cast<std::size_t>(received)),
                                                  DnsHostMode::Pointer, session->hostArea);
    if (entry == nullptr)
        return nullptr;
    session->hostArea.SetAddressForm(kDnsAddressTypeInet, kInetAddressSize);
    if (!session->hostArea.AddAddress(octets)) {
        SetErrorCode(qsErrorInvalidServerResponse);
        return nullptr;
    }
    return entry;
}

int DnsGetHostAddressText(ClientHandle handle, const char *host, char *out, int capacity)
{
    if (DnsSessions().Lookup(handle) == nullptr)
        return -1;
    if (host == nullptr || *host == '\0') {
        SetErrorCode(qsErrorInvalidHostName);
        return -1;
    }
    const std::uint32_t address = ParseDottedAddress(host);
    if (address != kNoAddress || std::strcmp(host, "255.255.255.255") == 0)
        return CopyAddress(address, out, capacity);
    const DnsHostEntry *entry = DnsGetHostByName(handle, host);
    if (entry == nullptr)
        return -1;
    if (entry->addresses[0] == nullptr) {
        SetErrorCode(qsErrorHostNameNotFound);
        return -1;
    }
    std::uint32_t first = 0;
    std::memcpy(&first, entry->addresses[0], sizeof first);
    return CopyAddress(first, out, capacity);
}

int DnsGetHostNameText(ClientHandle handle, const char *address, char *out, int capacity)
{
    if (DnsSessions().Lookup(handle) == nullptr)
        return -1;
    const std::uint32_t parsed = ParseDottedAddress(address);
    if (!IsAddress(parsed)) {
        SetErrorCode(qsErrorInvalidHostAddress);
        return -1;
    }
    const DnsHostEntry *entry = ReverseLookup(handle, parsed);
    return entry != nullptr ? CopyWhole(entry->name, out, capacity) : -1;
}

std::uint32_t DnsGetLocalAddress(ClientHandle handle)
{
    if (DnsSessions().Lookup(handle) == nullptr)
        return kNoAddress;
    std::uint32_t address = kNoAddress;
    if (GetLocalEndpoint(DnsLibrary(), kNoHandle, &address, nullptr) != 0 || !IsAddress(address)) {
        SetErrorCode(qsErrorUnknownLocalhost);
        return kNoAddress;
    }
    return address;
}

int DnsGetLocalName(ClientHandle handle, char *out, int capacity)
{
    const std::uint32_t address = DnsGetLocalAddress(handle);
    if (address == kNoAddress)
        return -1;
    const DnsHostEntry *entry = ReverseLookup(handle, address);
    if (entry != nullptr)
        return CopyWhole(entry->name, out, capacity);
    // The system's own lookup of its host name, when no name server knows the address.
    char name[kHostNameCap];
    const bool named = sock::gethostname(name, sizeof name) == 0;
    name[sizeof name - 1] = '\0';
    const ws::hostent *system = named ? sock::gethostbyname(name) : nullptr;
    if (system == nullptr || system->h_name == nullptr) {
        SetErrorCode(qsErrorUnknownLocalhost);
        return -1;
    }
    return CopyWhole(system->h_name, out, capacity);
}

}  // namespace qs
