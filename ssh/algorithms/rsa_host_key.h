// "ssh-rsa": blob string "ssh-rsa", mpint e, mpint n; signatures are PKCS #1 v1.5 over SHA-1.
#pragma once
#include <memory>

#include "ssh/algorithms/host_key.h"

namespace qs::ssh {

std::unique_ptr<HostKey> CreateRsaHostKey(ByteView blob);

}  // namespace qs::ssh
