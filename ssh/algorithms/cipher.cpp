#include "ssh/algorithms/cipher.h"

#include <string_view>

#include "core/error/last_error.h"
#include "ssh/algorithms/cipher_backends.h"

namespace qs::ssh {

bool CipherContext::CheckWholeBlocks(std::size_t length) const
{
    if (length % cipher_.blockSize != 0) {
        SetErrorCode(qsErrorInvalidParameter);
        return false;
    }
    return true;
}

std::unique_ptr<CipherContext> CreateCipher(const SshCipher &cipher, CipherDirection direction)
{
    if (cipher.mode == CipherMode::Counter && !std::string_view(cipher.primitive).ends_with("-CTR"))
        return CreateCounterCipher(cipher);
    return CreateOpenSslCipher(cipher, direction);
}

}  // namespace qs::ssh
