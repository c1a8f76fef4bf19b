// The host file: its text compacted to one entry per line, and lookups in it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "dns/lib/dns_host_entry.h"
#include "dns/resolver/dns_session.h"

namespace qs {

// Compacts `text` into `out` (at least text.size() + 1 octets): carriage returns dropped, every other
// character below '!' a blank, leading blanks dropped, runs of blanks one space, '#' to the end of the
// line dropped, a trailing blank removed; each line left with a character is stored with a zero
// octet after it. Returns the number of lines stored; `*length` is the octets used.
std::size_t DnsCompactHostText(std::string_view text, char *out, std::size_t *length);

// The entry of the first line naming `name` (official name or alias, letter case ignored), or of the
// first line with `address` when `name` parses as one. Null with qsErrorInvalidHostName when no file is
// loaded or no line matches.
const DnsHostEntry *DnsLookupHostFile(DnsSession &session, const char *name);
const DnsHostEntry *DnsLookupHostFileAddress(DnsSession &session, std::uint32_t address);

}  // namespace qs
