// Dotted address texts: never a crash, and any address accepted must print back to a text that parses
// to the same address.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/net/dotted_address.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    std::string text(reinterpret_cast<const char *>(data), size);
    std::uint32_t address = qs::ParseDottedAddress(text.c_str());
    if (address == 0xFFFFFFFFu)
        return 0;
    const auto *bytes = reinterpret_cast<const unsigned char *>(&address);
    char dotted[16];
    std::snprintf(dotted, sizeof dotted, "%u.%u.%u.%u", bytes[0], bytes[1], bytes[2], bytes[3]);
    if (qs::ParseDottedAddress(dotted) != address)
        std::abort();
    return 0;
}
