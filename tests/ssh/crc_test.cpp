#include <gtest/gtest.h>

#include "ssh/algorithms/crc32.h"
#include "ssh/algorithms/crc_attack_detector.h"
#include "ssh/algorithms/random.h"
#include "tests/ssh/test_bytes.h"

namespace qs::ssh {
namespace {

using test::Bytes;
using test::FromText;

TEST(Crc32, IsTheUninvertedRegister)
{
    // A bitwise CRC-32 (polynomial EDB88320) started at 0 with no final inversion.
    EXPECT_EQ(SshCrc32(FromText("123456789")), 0x2DFD2D88u);
    EXPECT_EQ(SshCrc32({}), 0u);
    EXPECT_EQ(SshCrc32(Bytes(16, 0)), 0u);
}

Bytes RandomBlocks(std::size_t blocks)
{
    Bytes data(blocks * 8);
    EXPECT_TRUE(RandomFill(data));
    return data;
}

// The CRC of the pattern "block i equals S": a 32-bit word per block (1 or 0) and a zero word, as bytes.
std::uint32_t PatternCrc(const std::vector<bool> &pattern)
{
    Bytes stream;
    for (bool set : pattern) {
        const std::uint8_t word[8] = {static_cast<std::uint8_t>(set ? 1 : 0), 0, 0, 0, 0, 0, 0, 0};
        stream.insert(stream.end(), word, word + 8);
    }
    return SshCrc32(stream);
}

// Positions among `blocks` whose single-block pattern CRCs XOR to zero (Gaussian elimination over GF(2)).
std::vector<std::size_t> CancellingPositions(std::size_t blocks)
{
    std::vector<std::uint32_t> value;
    std::vector<std::vector<bool>> which;
    for (std::size_t i = 0; i < blocks; ++i) {
        std::vector<bool> pattern(blocks);
        pattern[i] = true;
        std::uint32_t v = PatternCrc(pattern);
        std::vector<bool> used(blocks);
        used[i] = true;
        for (std::size_t row = 0; row < value.size(); ++row) {
            const std::uint32_t pivot = value[row] & -value[row];
            if (v & pivot) {
                v ^= value[row];
                for (std::size_t j = 0; j < blocks; ++j)
                    used[j] = used[j] != which[row][j];
            }
        }
        if (v == 0) {
            std::vector<std::size_t> positions;
            for (std::size_t j = 0; j < blocks; ++j)
                if (used[j])
                    positions.push_back(j);
            return positions;
        }
        // Keep rows reduced so each has a pivot no other row has.
        const std::uint32_t pivot = v & -v;
        for (std::size_t row = 0; row < value.size(); ++row) {
            if (value[row] & pivot) {
                value[row] ^= v;
                for (std::size_t j = 0; j < blocks; ++j)
                    which[row][j] = which[row][j] != used[j];
            }
        }
        value.push_back(v);
        which.push_back(used);
    }
    return {};
}

TEST(CrcAttackDetector, PassesHonestPackets)
{
    CrcAttackDetector detector;
    for (std::size_t blocks : {1, 2, 7, 8, 100, 4400})
        EXPECT_FALSE(detector.IsAttack(RandomBlocks(blocks))) << blocks;
    // One repeated block does not cancel the CRC: packets with the odd repeat still pass.
    for (std::size_t blocks : {5, 64}) {
        Bytes data = RandomBlocks(blocks);
        std::copy_n(data.begin(), 8, data.begin() + 8 * (blocks - 1));
        EXPECT_FALSE(detector.IsAttack(data)) << blocks;
    }
}

TEST(CrcAttackDetector, CatchesACancellingPattern)
{
    constexpr std::size_t kBlocks = 64;
    const std::vector<std::size_t> positions = CancellingPositions(kBlocks);
    ASSERT_GE(positions.size(), 2u);
    ASSERT_LE(positions.size(), 32u);
    std::vector<bool> pattern(kBlocks);
    for (std::size_t p : positions)
        pattern[p] = true;
    ASSERT_EQ(PatternCrc(pattern), 0u);
    Bytes data = RandomBlocks(kBlocks);
    for (std::size_t p : positions)
        std::copy_n(data.begin() + 8 * positions[0], 8, data.begin() + 8 * p);
    CrcAttackDetector detector;
    EXPECT_TRUE(detector.IsAttack(data));
}

TEST(CrcAttackDetector, RefusesBadLengthsAndFloods)
{
    CrcAttackDetector detector;
    EXPECT_TRUE(detector.IsAttack(Bytes(12)));
    EXPECT_TRUE(detector.IsAttack(RandomBlocks(kMaxCheckedBlocks + 1)));
    EXPECT_FALSE(detector.IsAttack(RandomBlocks(kMaxCheckedBlocks)));
    // Many copies of one block: the CRC check would be quadratic, so the flood itself is refused.
    Bytes flood = RandomBlocks(200);
    for (std::size_t i = 0; i < 200; i += 5)
        std::copy_n(flood.begin(), 8, flood.begin() + 8 * i);
    EXPECT_TRUE(detector.IsAttack(flood));
}

}  // namespace
}  // namespace qs::ssh
