// The text of the first answer record of a reply, by record type.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

#include "dns/lib/dns_services.h"

namespace qs {

enum class DnsAnswerText {
    Failed,  // the error is set
    Text,    // `out` holds the text, `*length` its length
    Alias,   // the first record is a CNAME: `alias` holds its target, to be asked for with the same type
};

// Builds the text of the first answer record of `reply` for a query of `type`, cut to `capacity` (at
// least 2). Types 0 (nothing asked), 1 and 12 (host lookups) are the resolver's and fail here like any
// type without a text form. With `alias` (kDnsAliasSize octets), a CNAME answering another type is
// handed back to be followed; without it, such a record is of the wrong type.
// Errors: qsErrorInvalidBuffer, qsErrorBufferTooSmall, qsErrorInvalidRecordData (a record of another
// type), qsErrorInvalidRecordType (no text form), qsErrorNoServerResponse (no answer record),
// qsErrorInvalidServerResponse (a record that cannot be read).
DnsAnswerText DnsFormatAnswer(std::span<const std::uint8_t> reply, std::uint16_t type, const DnsNameSource &names,
                              char *out, std::size_t capacity, int *length, char *alias);

}  // namespace qs
