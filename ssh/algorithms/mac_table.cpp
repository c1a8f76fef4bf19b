#include "ssh/algorithms/mac.h"

namespace qs::ssh {
namespace {

constexpr SshMac kNormalMacs[] = {
    {"hmac-sha1", "HMAC-SHA1", 20, 20, "SHA1"},
    {"hmac-sha1-96", "HMAC-SHA1-96", 12, 20, "SHA1"},
    {"hmac-md5", "HMAC-MD5", 16, 16, "MD5"},
};

// For servers that key HMAC-SHA1 with only 16 bytes of the derived key (zero-padded to the block by HMAC).
constexpr SshMac kShortKeyMacs[] = {
    {"hmac-sha1", "HMAC-SHA1 (16-byte key)", 20, 16, "SHA1"},
    {"hmac-sha1-96", "HMAC-SHA1-96 (16-byte key)", 12, 16, "SHA1"},
    {"hmac-md5", "HMAC-MD5", 16, 16, "MD5"},
};

}  // namespace

std::span<const SshMac> MacTable(MacList list)
{
    if (list == MacList::ShortKey)
        return kShortKeyMacs;
    return kNormalMacs;
}

const SshMac *FindMac(MacList list, std::string_view wireName)
{
    for (const SshMac &m : MacTable(list)) {
        if (m.wireName == wireName)
            return &m;
    }
    return nullptr;
}

}  // namespace qs::ssh
