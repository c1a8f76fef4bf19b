// The registry file parser on arbitrary bytes: it never fails unsafely, and whatever it reads is
// written back in a form that reads back clean and writes back identically.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/base/registry_tree.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace qsbase::reg;
    Tree first;
    ParseTree(std::string_view(reinterpret_cast<const char *>(data), size), &first);
    std::string text = FormatTree(first);
    Tree second;
    if (!ParseTree(text, &second) || FormatTree(second) != text)
        std::abort();
    return 0;
}
