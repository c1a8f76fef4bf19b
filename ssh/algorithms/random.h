// The random source of the key exchange and packet code: the kernel's cryptographic generator.
#pragma once
#include <cstdint>
#include <span>

namespace qs::ssh {

// Fills `out` completely or fails (qsErrorSecurityNotInitialized).
[[nodiscard]] bool RandomFill(std::span<std::uint8_t> out);

}  // namespace qs::ssh
