// Wildcard matching of host names and addresses against a list of masks.
#pragma once
#include <string_view>

namespace qs {

// True when `host` matches one of the ';'-separated `masks` (empty masks are dropped), letter case
// ignored: '?' takes one character; '*' skips to the next occurrence of the mask character after it and,
// when the rest of the mask has no wildcard, on to where that rest would end the host. A final '*'
// takes at least one character. An empty host or list matches nothing.
bool DnsMatchMasks(std::string_view host, std::string_view masks);

}  // namespace qs
