// The machine's service and protocol names turned back into numbers, kept apart from the files that
// include the socket library's header (whose constants share the C library's macro names).
#pragma once
#include <string>

namespace qs::test {

// A WKS text ("ADDRESS PROTOCOL SERVICE ...") with the protocol and service names as numbers, as dig
// prints it.
std::string WksNumbers(const std::string &text);

}  // namespace qs::test
