// The transport on what a server sends before the first keys: its identification line, then plaintext
// packets (KEXINIT, group and reply messages, anything else), in chunks whose sizes the first byte chooses.
#include <algorithm>
#include <cstdlib>

#include "ssh/engine/transport.h"

namespace {

class Sink : public qs::ssh::TransportEvents {
public:
    void Write(qs::ssh::ByteView bytes) override { written += bytes.size(); }
    void KeysReady() override { std::abort(); }  // impossible without a valid host-key signature
    void Message(const qs::ssh::IncomingPacket &) override {}
    void Failed(qs::ErrorCode) override
    {
        if (++failures > 1)
            std::abort();
    }
    std::size_t written = 0;
    int failures = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace qs::ssh;
    if (size == 0)
        return 0;
    const std::size_t chunk = 1 + data[0] % 64;
    Sink sink;
    SshTransport transport(TransportConfig{}, sink);
    ByteView rest(data + 1, size - 1);
    while (!rest.empty()) {
        const ByteView piece = rest.first(std::min(chunk, rest.size()));
        if (!transport.Receive(piece))
            break;
        rest = rest.subspan(piece.size());
    }
    return 0;
}
