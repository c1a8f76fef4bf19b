// Building a query message.
#pragma once
#include <cstdint>
#include <span>

namespace qs {

// Builds a standard query (recursion desired, one question) for `name` into `buffer` and returns its
// length, or -1. A name that is not empty and has no dot is first extended with `localDomain`, when that
// is not empty. The name may take at most the buffer size minus 16 octets. Errors: qsErrorInvalidHostName
// (the name cannot be encoded), qsErrorBufferTooSmall.
int DnsBuildQuery(std::uint16_t id, const char *name, const char *localDomain, std::uint16_t qclass,
                  std::uint16_t qtype, std::span<std::uint8_t> buffer);

}  // namespace qs
