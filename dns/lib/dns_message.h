// Sizes, header bits and type codes of the domain name messages this library builds and reads.
#pragma once
#include <cstddef>
#include <cstdint>

namespace qs {

// Every query is built in, and every reply received into, a buffer of this size.
inline constexpr std::size_t kDnsMessageSize = 1024;
inline constexpr std::size_t kDnsHeaderSize = 12;
// A UDP query longer than this goes over TCP from the start.
inline constexpr std::size_t kDnsUdpQuerySize = 512;

// Names: octets on the wire, octets of one label, characters of a name as text (with escapes).
inline constexpr std::size_t kDnsMaxWireName = 255;
inline constexpr std::size_t kDnsMaxLabel = 63;
inline constexpr std::size_t kDnsNameTextSize = 1024;
// Room for an alias target that a record text follows.
inline constexpr std::size_t kDnsAliasSize = 256;

// Session work areas.
inline constexpr std::size_t kDnsNameAreaSize = 1024;
inline constexpr std::size_t kDnsTextAreaSize = 1025;
inline constexpr std::size_t kDnsMaxAliases = 34;
inline constexpr std::size_t kDnsMaxAddresses = 35;
inline constexpr std::size_t kDnsMaxMailExchanges = 35;
inline constexpr std::size_t kDnsMailNameStoreSize = 1025;

// Header flag bits (octets 2 and 3 read as one big-endian 16-bit value).
inline constexpr std::uint16_t kDnsFlagResponse = 0x8000;
inline constexpr std::uint16_t kDnsFlagOpcodeMask = 0x7800;
inline constexpr std::uint16_t kDnsFlagAuthoritative = 0x0400;
inline constexpr std::uint16_t kDnsFlagTruncated = 0x0200;
inline constexpr std::uint16_t kDnsFlagRecursionDesired = 0x0100;
inline constexpr std::uint16_t kDnsFlagRecursionAvailable = 0x0080;
inline constexpr std::uint16_t kDnsRcodeMask = 0x000F;

inline constexpr std::uint16_t kDnsClassInternet = 1;

// Record type codes; the control exposes the same numbers as its record constants.
enum DnsRecordType : std::uint16_t {
    kDnsTypeNone = 0,
    kDnsTypeA = 1,
    kDnsTypeNS = 2,
    kDnsTypeMD = 3,
    kDnsTypeMF = 4,
    kDnsTypeCNAME = 5,
    kDnsTypeSOA = 6,
    kDnsTypeMB = 7,
    kDnsTypeMG = 8,
    kDnsTypeMR = 9,
    kDnsTypeNULL = 10,
    kDnsTypeWKS = 11,
    kDnsTypePTR = 12,
    kDnsTypeHINFO = 13,
    kDnsTypeMINFO = 14,
    kDnsTypeMX = 15,
    kDnsTypeTXT = 16,
    kDnsTypeRP = 17,
    kDnsTypeX25 = 19,
    kDnsTypeISDN = 20,
    kDnsTypeRT = 21,
    kDnsTypeAAAA = 28,
    kDnsTypeLOC = 29,
    kDnsTypeUINFO = 100,
    kDnsTypeUID = 101,
    kDnsTypeGID = 102,
};

}  // namespace qs
