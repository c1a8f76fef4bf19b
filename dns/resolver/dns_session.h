// The resolver's session record and the library that keeps the sessions.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

#include "core/session/session_library.h"
#include "dns/lib/dns_host_entry.h"
#include "dns/lib/dns_mail_exchanges.h"

namespace qs {

inline constexpr int kDnsNameServerSlots = 4;
inline constexpr std::uint16_t kDnsDefaultPort = 53;
inline constexpr int kDnsMinRetries = 1;
inline constexpr int kDnsMaxRetries = 32;
inline constexpr int kDnsMaxTimeout = 3600;   // seconds; 0 waits without limit
inline constexpr std::size_t kDnsDomainCap = 256;   // 255 characters and the terminator
inline constexpr std::size_t kDnsSearchEntries = 3;
// The full path of a loaded host file, and the most of it the resolver reads.
inline constexpr std::size_t kDnsHostFilePathCap = 4096;
inline constexpr std::size_t kDnsHostFileCap = 4 * 1024 * 1024;

struct NameServerSlot {
    std::uint32_t address = 0;   // network order; 0 = empty
    std::uint16_t port = 0;      // network order
};

// One per control instance. The busy and cancel flags are the ClientSession's `blocking` and `cancel`,
// the time-out its `timeout` (0 to 3600 here), the flags its `options`, and the socket of the exchange in
// progress its `socket`.
struct DnsSession : ClientSession {
    int retries = kDnsMinRetries;
    bool followingAlias = false;
    NameServerSlot slots[kDnsNameServerSlots];
    std::uint16_t queryCounter = 0;
    char localDomain[kDnsDomainCap] = {};
    // Offsets into localDomain of the search list's entries (the first is always 0).
    std::size_t searchList[kDnsSearchEntries] = {};
    std::size_t searchCount = 0;
    std::uint32_t answeredServer = 0xFFFFFFFFu;
    DnsHostArea hostArea;
    DnsMailExchangeList mailExchanges;
    // The loaded host file: its path and its lines, compacted, each ending in a zero octet.
    char hostFilePath[kDnsHostFilePathCap] = {};
    std::unique_ptr<char[]> hostFileText;
    std::size_t hostFileLength = 0;
    DnsHostArea hostFileArea;
};

SessionLibraryOf<DnsSession> &DnsSessions();

}  // namespace qs
