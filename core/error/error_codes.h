// The error space shared by every layer: 16-bit error numbers, kept inside the libraries as
// ErrorCode = 0x80040000 | n, reported by the controls as n and raised as 0x800A0000 + n.
#pragma once
#include <cstdint>

namespace qs {

using ErrorCode = std::uint32_t;

inline constexpr ErrorCode kErrorCodeBase = 0x80040000u;
inline constexpr std::uint32_t kRaisedErrorBase = 0x800A0000u;

inline constexpr ErrorCode MakeErrorCode(std::uint32_t number) { return kErrorCodeBase | (number & 0xFFFF); }
inline constexpr std::uint32_t ErrorNumber(ErrorCode code) { return code & 0xFFFF; }

// The shared constants, numbered as the message table numbers them (qsErrorNotHandleOwner = 10001, ...).
enum ErrorNumberConstant : std::uint32_t {
#define QS_MESSAGE(number, constant, text) constant = number,
#define QS_MESSAGE_TEXT(number, text)
#include "resources/messages.inc"
#undef QS_MESSAGE
#undef QS_MESSAGE_TEXT
};

// One row of the message table.
struct MessageRow {
    std::uint32_t number;
    const char *constant;  // null where the number has no constant
    const char *text;
};
// The whole table, ordered by number.
const MessageRow *MessageTable(std::size_t *count);
// The text of an error number, or null when the table has none.
const char *FindMessage(std::uint32_t number);

}  // namespace qs
