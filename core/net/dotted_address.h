// Dotted IPv4 text to an address, without the socket library.
#pragma once
#include <cstdint>

namespace qs {

// "a.b.c.d" (also "a.b.c", "a.b", "a"; each part decimal or 0x-hexadecimal, no octal) followed by the
// end of the text or white space. Returns the address in network byte order, or 0xFFFFFFFF for a null
// or malformed text. A part that does not fit in 32 bits makes the text malformed.
std::uint32_t ParseDottedAddress(const char *text);

}  // namespace qs
