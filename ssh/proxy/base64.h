// Base64 (RFC 4648 section 4: the standard alphabet, with padding).
#pragma once
#include <string>
#include <string_view>

namespace qs::ssh {

std::string Base64Encode(std::string_view bytes);

}  // namespace qs::ssh
