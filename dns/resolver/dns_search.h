// Names turned into queries: the search list, the local domain and the reply classification.
#pragma once
#include <cstdint>
#include <span>

#include "core/session/session.h"

namespace qs {

// Queries `name` with class IN and `type` into `reply` (kDnsMessageSize octets) and accepts only a
// reply with answer records. The reply length, or -1 with the exchange's or the reply code's error.
int DnsQueryName(ClientHandle handle, const char *name, std::uint16_t type, std::span<std::uint8_t> reply);
// `name`, a dot and `domain` (an empty domain leaves the name with a trailing dot); with no domain the
// name as given, less a trailing dot.
int DnsQueryDomain(ClientHandle handle, const char *name, const char *domain, std::uint16_t type,
                   std::span<std::uint8_t> reply);
// A name not ending in a dot is tried with each entry of the search list; one with a dot is then (or,
// ending in a dot, only) tried as given. A name without a dot is never tried as given.
int DnsSearch(ClientHandle handle, const char *name, std::uint16_t type, std::span<std::uint8_t> reply);

}  // namespace qs
