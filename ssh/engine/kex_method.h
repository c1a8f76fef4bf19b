// The key-exchange methods: Diffie-Hellman over a fixed group or over a group the server chooses.
#pragma once
#include <span>
#include <string_view>

#include "ssh/algorithms/diffie_hellman.h"
#include "ssh/algorithms/hash.h"

namespace qs::ssh {

struct SshKex {
    std::string_view wireName;
    std::string_view groupName;  // empty for group exchange
    bool groupExchange;
    DhFixedGroup group;          // for the fixed groups
    const SshHash *hash;
};

// In offer order: group exchange with SHA-256 and SHA-1, then group14 and group1.
std::span<const SshKex> KexTable();
const SshKex *FindKex(std::string_view wireName);

}  // namespace qs::ssh
