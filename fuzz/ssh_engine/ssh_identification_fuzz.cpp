// The identification-line reader on server data, fed in chunks whose sizes the first byte chooses.
#include <cstdlib>

#include "ssh/engine/identification.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace qs::ssh;
    if (size == 0)
        return 0;
    const std::size_t chunk = 1 + data[0] % 16;
    IdentificationReader reader;
    ByteView rest(data + 1, size - 1);
    while (!rest.empty()) {
        std::size_t consumed = 0;
        const ByteView piece = rest.first(std::min(chunk, rest.size()));
        const IdentificationReader::Status status = reader.Feed(piece, consumed);
        if (consumed > piece.size())
            std::abort();
        if (status == IdentificationReader::Status::Done) {
            if (reader.Line().size() + 1 > kMaxIdentificationLine || reader.Line().rfind("SSH-", 0) != 0)
                std::abort();
            ChooseProtocol(reader.ProtocolVersion(), 2);
            break;
        }
        if (status == IdentificationReader::Status::Failed)
            break;
        rest = rest.subspan(consumed);
    }
    return 0;
}
