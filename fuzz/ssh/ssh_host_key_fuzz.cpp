// Server host-key blobs and signature blobs. Input: one byte choosing the algorithm, a 2-byte little-endian
// blob length, the blob, and the signature blob in the rest; the signed data are fixed.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "ssh/algorithms/host_key.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace qs::ssh;
    if (size < 3)
        return 0;
    const SshHostKey &kind = HostKeyTable()[data[0] % HostKeyTable().size()];
    const std::size_t blobLength = std::min<std::size_t>(data[1] | data[2] << 8, size - 3);
    const ByteView blob(data + 3, blobLength);
    const ByteView signature(data + 3 + blobLength, size - 3 - blobLength);
    static const char kSigned[] = "fuzz data";
    if (auto key = kind.create(blob))
        (void)key->Verify(signature, ByteView(reinterpret_cast<const std::uint8_t *>(kSigned), std::strlen(kSigned)));
    return 0;
}
