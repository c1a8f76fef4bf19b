// Reading an address or pointer answer into a host entry.
#pragma once
#include <cstdint>
#include <span>

#include "dns/lib/dns_host_entry.h"

namespace qs {

enum class DnsHostMode { Address = 0, Pointer = 1 };

// Rebuilds `area` from the answers of `reply`. Address mode keeps the A records that match the first one
// (official name: its owner); pointer mode returns at the first PTR record (official name: its target,
// with no address; the caller adds the address it asked for). CNAME owners become the aliases.
// Returns the entry, or null: qsErrorInvalidServerResponse, or qsErrorHostNameNotFound for an
// authoritative pointer reply without a question.
const DnsHostEntry *DnsReadHostAnswer(std::span<const std::uint8_t> reply, DnsHostMode mode, DnsHostArea &area);

}  // namespace qs
