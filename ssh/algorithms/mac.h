// The SSH-2 MACs: two constant lists of descriptors (the normal one and the bug-compatible one that keys
// HMAC-SHA1 with 16 bytes), and the MAC objects made from them.
#pragma once
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "ssh/wire/wire_reader.h"

namespace qs::ssh {

enum class MacList { Normal, ShortKey };

// The longest MAC any descriptor produces.
inline constexpr std::uint32_t kMaxMacBytes = 20;

struct SshMac {
    std::string_view wireName;
    std::string_view displayName;
    std::uint32_t macBytes;  // sent and compared: the -96 variants keep the first 12 bytes
    std::uint32_t keyBytes;  // taken from the derived key material
    const char *digest;      // the HMAC hash
};

// The three MACs of a list in offer order.
std::span<const SshMac> MacTable(MacList list);
const SshMac *FindMac(MacList list, std::string_view wireName);

// One direction of one connection: HMAC over uint32 sequence number || the whole unencrypted packet.
class MacContext {
public:
    virtual ~MacContext() = default;
    // Uses the first keyBytes bytes of `key`; a shorter key fails.
    [[nodiscard]] virtual bool SetKey(ByteView key) = 0;
    // Writes macBytes bytes to the start of `out`, which must hold them.
    [[nodiscard]] virtual bool Generate(std::uint32_t sequence, ByteView packet, std::span<std::uint8_t> out) = 0;
    // Compares in constant time; false for a wrong MAC or a `mac` of the wrong length.
    [[nodiscard]] virtual bool Verify(std::uint32_t sequence, ByteView packet, ByteView mac) = 0;
    virtual const SshMac &Descriptor() const = 0;
};

std::unique_ptr<MacContext> CreateMac(const SshMac &mac);

}  // namespace qs::ssh
