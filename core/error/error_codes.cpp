#include "core/error/error_codes.h"

#include <algorithm>
#include <iterator>

namespace qs {
namespace {

constexpr MessageRow kRows[] = {
#define QS_MESSAGE(number, constant, text) {number, #constant, text},
#define QS_MESSAGE_TEXT(number, text) {number, nullptr, text},
#include "resources/messages.inc"
#undef QS_MESSAGE
#undef QS_MESSAGE_TEXT
};

}  // namespace

const MessageRow *MessageTable(std::size_t *count)
{
    *count = std::size(kRows);
    return kRows;
}

const char *FindMessage(std::uint32_t number)
{
    auto it = std::lower_bound(std::begin(kRows), std::end(kRows), number,
                               [](const MessageRow &row, std::uint32_t n) { return row.number < n; });
    return it != std::end(kRows) && it->number == number ? it->text : nullptr;
}

}  // namespace qs
