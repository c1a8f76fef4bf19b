// Replies of any shape through the text of one renderer; QS_DNS_RENDER_TYPES lists the record types it
// serves.
#include <cstddef>
#include <cstdint>

#include "tests/dns/decode_all.h"

namespace {
constexpr std::uint16_t kTypes[] = {QS_DNS_RENDER_TYPES};
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    for (std::uint16_t type : kTypes)
        qs::test::FormatOne({data, size}, type);
    return 0;
}
