// Domain names: text to labels with compression, labels (and compression pointers) back to text.
//
// Text form: labels joined by dots; a dot or a backslash inside a label is written with a backslash before
// it, so a name expanded here encodes back to the same labels. The root name is the empty text.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

#include "dns/lib/dns_writer.h"

namespace qs {

// Offsets of the label sequences already written into a message, for compression.
class DnsNameTable {
public:
    static constexpr std::size_t kCapacity = 64;
    // The largest offset a compression pointer can name.
    static constexpr std::size_t kMaxOffset = 0x3FFF;

    void Clear() { count_ = 0; }
    // Ignored when the table is full or the offset is out of a pointer's reach.
    void Add(std::size_t offset);
    std::size_t Count() const { return count_; }
    std::size_t At(std::size_t index) const { return offsets_[index]; }

private:
    std::uint16_t offsets_[kCapacity] = {};
    std::size_t count_ = 0;
};

// Appends `text` as a name. With a table, a suffix already in the message becomes a pointer to it, and
// every label written is added to the table. Returns the octets written, or -1 (qsErrorInvalidHostName:
// an empty label inside the name, a label over 63 octets, a name over 255 octets, no room left).
int DnsEncodeName(const char *text, DnsWriter &out, DnsNameTable *table);

// Expands the name at `position` into `out` (zero-ended, `capacity` octets with the terminator) and
// returns the octets the name occupies at that position, or -1 (qsErrorInvalidServerResponse).
int DnsExpandName(std::span<const std::uint8_t> message, std::size_t position, char *out, std::size_t capacity);
// As DnsExpandName, with the octets before the first pointer kept below `limit` (the end of a record's data).
int DnsExpandNameWithin(std::span<const std::uint8_t> message, std::size_t position, std::size_t limit, char *out,
                        std::size_t capacity);

// Returns the octets the name at `position` occupies without decoding it, or -1
// (qsErrorInvalidServerResponse: a reserved length octet, or a name cut by the end of the message).
int DnsSkipName(std::span<const std::uint8_t> message, std::size_t position);
int DnsSkipNameWithin(std::span<const std::uint8_t> message, std::size_t position, std::size_t limit);

// Compares two names in text form as the protocol does: ASCII letters without regard to case.
bool DnsSameName(const char *a, const char *b);

}  // namespace qs
