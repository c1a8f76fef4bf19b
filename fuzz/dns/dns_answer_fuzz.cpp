// Replies of any shape through the answer walks: host entries, mail exchangers, services.
#include <cstddef>
#include <cstdint>

#include "tests/dns/decode_all.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    qs::test::DecodeAnswers({data, size});
    return 0;
}
