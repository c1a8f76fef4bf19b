#include "ssh/engine/kex_method.h"

namespace qs::ssh {
namespace {

constexpr SshKex kKexMethods[] = {
    {"diffie-hellman-group-exchange-sha256", "", true, DhFixedGroup::Group14, &kSha256},
    {"diffie-hellman-group-exchange-sha1", "", true, DhFixedGroup::Group14, &kSha1},
    {"diffie-hellman-group14-sha1", "group14", false, DhFixedGroup::Group14, &kSha1},
    {"diffie-hellman-group1-sha1", "group1", false, DhFixedGroup::Group1, &kSha1},
};

}  // namespace

std::span<const SshKex> KexTable()
{
    return kKexMethods;
}

const SshKex *FindKex(std::string_view wireName)
{
    for (const SshKex &k : kKexMethods) {
        if (k.wireName == wireName)
            return &k;
    }
    return nullptr;
}

}  // namespace qs::ssh
