#include "ssh/algorithms/crc32.h"

#include <algorithm>
#include <zlib.h>

namespace qs::ssh {

std::uint32_t SshCrc32(ByteView bytes)
{
    // zlib inverts the register before and after; starting it at ~0 and inverting its result gives the
    // plain register run from 0, which is what SSH-1 sends.
    uLong crc = 0xFFFFFFFFu;
    while (!bytes.empty()) {
        const uInt piece = static_cast<uInt>(std::min<std::size_t>(bytes.size(), 1u << 30));
        crc = crc32(crc, bytes.data(), piece);
        bytes = bytes.subspan(piece);
    }
    return static_cast<std::uint32_t>(~crc);
}

}  // namespace qs::ssh
