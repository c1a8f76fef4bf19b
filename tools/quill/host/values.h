// Values on the command line and in the host's output.
//
// Input: integers (decimal, or 0x hexadecimal up to 32 bits), true and false, double-quoted text
// (\" and \\ inside), or bare text. Output: texts double-quoted with escapes, booleans true/false,
// numbers and dates by the variant rules, one-dimensional arrays as {a, b, c}.
#pragma once
#include <string>
#include <string_view>

#include "platform/automation/variant.h"

namespace quill {

// False for a quoted text without its closing quote.
bool ParseValue(std::string_view text, qs::automation::Variant *value);
std::string FormatValue(const VARIANT &value);

}  // namespace quill
