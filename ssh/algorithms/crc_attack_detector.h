// The CRC-32 compensation attack detector of SSH-1 (CORE SDI, 1998). SSH-1 protects packets with CBC
// and a CRC-32 only; an attacker who inserts repeated ciphertext blocks can make the CRC come out right.
// Packets whose ciphertext repeats a block in a pattern whose CRC contributions cancel are refused.
#pragma once
#include <cstdint>
#include <vector>

#include "ssh/wire/wire_reader.h"

namespace qs::ssh {

// Longer encrypted SSH-1 packets are refused outright.
inline constexpr std::size_t kMaxCheckedBlocks = 32768;

class CrcAttackDetector {
public:
    // True when the encrypted packet must be discarded: an attack pattern, more repeated blocks than any
    // honest packet has, or a length that is not whole 8-byte blocks or exceeds the bound.
    bool IsAttack(ByteView ciphertext);

private:
    std::vector<std::uint16_t> table_;  // open-addressed: block index per slot, reused between packets
};

}  // namespace qs::ssh
