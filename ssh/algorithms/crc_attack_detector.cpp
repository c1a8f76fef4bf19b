#include "ssh/algorithms/crc_attack_detector.h"

#include <algorithm>

#include "ssh/algorithms/crc32.h"

namespace qs::ssh {
namespace {

constexpr std::size_t kBlock = 8;
// Up to this many bytes the blocks are compared pairwise instead of through the table.
constexpr std::size_t kSmallPacket = 7 * kBlock;
constexpr std::size_t kMinTable = 4096;
constexpr std::uint16_t kUnused = 0xFFFF;
// More repeats than this are a denial-of-service attempt on the quadratic CRC check.
constexpr std::size_t kMaxIdentical = 32;

static_assert(kMaxCheckedBlocks < kUnused);

ByteView BlockAt(ByteView data, std::size_t index)
{
    return data.subspan(index * kBlock, kBlock);
}

bool SameBlock(ByteView a, ByteView b)
{
    return std::equal(a.begin(), a.end(), b.begin());
}

// One step of the linear CRC register over a 32-bit input, taken in little-endian byte order.
void CrcStep(std::uint32_t &crc, std::uint32_t input)
{
    input ^= crc;
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(input), static_cast<std::uint8_t>(input >> 8),
                                   static_cast<std::uint8_t>(input >> 16), static_cast<std::uint8_t>(input >> 24)};
    crc = SshCrc32(bytes);
}

// True when the positions of the copies of `block` form a pattern whose CRC contribution is zero.
bool CrcCancels(ByteView block, ByteView data)
{
    std::uint32_t crc = 0;
    for (std::size_t i = 0; i < data.size() / kBlock; ++i) {
        CrcStep(crc, SameBlock(block, BlockAt(data, i)) ? 1 : 0);
        CrcStep(crc, 0);
    }
    return crc == 0;
}

std::uint32_t BlockHash(ByteView block)
{
    return static_cast<std::uint32_t>(block[0]) << 24 | static_cast<std::uint32_t>(block[1]) << 16 |
           static_cast<std::uint32_t>(block[2]) << 8 | block[3];
}

}  // namespace

bool CrcAttackDetector::IsAttack(ByteView data)
{
    if (data.size() % kBlock != 0 || data.size() > kMaxCheckedBlocks * kBlock)
        return true;
    const std::size_t blocks = data.size() / kBlock;
    if (data.size() <= kSmallPacket) {
        for (std::size_t i = 0; i < blocks; ++i) {
            for (std::size_t j = 0; j < i; ++j) {
                if (SameBlock(BlockAt(data, i), BlockAt(data, j))) {
                    if (CrcCancels(BlockAt(data, i), data))
                        return true;
                    break;
                }
            }
        }
        return false;
    }
    std::size_t size = kMinTable;
    while (size < blocks * 3 / 2)
        size <<= 1;
    table_.assign(size, kUnused);
    std::size_t identical = 0;
    for (std::size_t j = 0; j < blocks; ++j) {
        const ByteView block = BlockAt(data, j);
        std::size_t slot = BlockHash(block) & (size - 1);
        for (; table_[slot] != kUnused; slot = (slot + 1) & (size - 1)) {
            if (SameBlock(BlockAt(data, table_[slot]), block)) {
                if (++identical > kMaxIdentical || CrcCancels(block, data))
                    return true;
                break;
            }
        }
        table_[slot] = static_cast<std::uint16_t>(j);
    }
    return false;
}

}  // namespace qs::ssh
