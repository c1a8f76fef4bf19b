// The CRC-32 of SSH-1 packets: the standard polynomial, started at 0 and not inverted at the end.
#pragma once
#include <cstdint>

#include "ssh/wire/wire_reader.h"

namespace qs::ssh {

std::uint32_t SshCrc32(ByteView bytes);

}  // namespace qs::ssh
