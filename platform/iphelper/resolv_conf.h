// Reading the resolver configuration file for the adapter records.
#pragma once
#include <cstddef>

#include "platform/iphelper/iphlpapi.h"

namespace iph {

// Name servers listed beyond this many are not reported.
inline constexpr std::size_t kMaxNameServers = 32;
// A line longer than this is read in pieces; only its first piece is parsed.
inline constexpr std::size_t kLineCap = 512;

struct ResolverConfig {
    char path[4096];
    IP_ADDRESS_STRING servers[kMaxNameServers];
    std::size_t count = 0;
};

// False when the file cannot be opened (no adapter); otherwise the IPv4 `nameserver` lines in file order.
bool ReadResolverConfig(ResolverConfig *config);

}  // namespace iph
