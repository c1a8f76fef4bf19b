// Lookups through c-ares, kept apart from the files that include the socket library's header (whose
// constants share the C library's macro names).
#pragma once
#include <string>
#include <vector>

namespace bench {

// Looks each name up in turn (IPv4, name servers only) at 127.0.0.1:`port`. The first address of each
// answer, dotted ("" for a failed lookup), or nothing when c-ares does not start.
std::vector<std::string> CaresLookups(const std::vector<std::string> &names, int port);

}  // namespace bench
