// Names at every position of any message; every name that expands must encode back to the same text.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "tests/dns/decode_all.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    std::span<const std::uint8_t> message(data, size);
    qs::test::DecodeNames(message);
    char text[qs::kDnsNameTextSize], again[qs::kDnsNameTextSize];
    std::uint8_t wire[qs::kDnsMaxWireName];
    for (std::size_t at = 0; at < size; ++at) {
        if (qs::DnsExpandName(message, at, text, sizeof text) < 0)
            continue;
        qs::DnsWriter writer(wire);
        if (qs::DnsEncodeName(text, writer, nullptr) < 0 ||
            qs::DnsExpandName(writer.Written(), 0, again, sizeof again) < 0 || std::strcmp(text, again) != 0)
            __builtin_trap();
    }
    return 0;
}
