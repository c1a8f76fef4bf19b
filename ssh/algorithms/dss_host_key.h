// "ssh-dss": blob string "ssh-dss", mpint p, q, g, y; signatures are DSA over SHA-1 with 160-bit r and s.
#pragma once
#include <memory>

#include "ssh/algorithms/host_key.h"

namespace qs::ssh {

std::unique_ptr<HostKey> CreateDssHostKey(ByteView blob);

}  // namespace qs::ssh
