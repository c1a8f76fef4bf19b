// User authentication on what a server sends after the key exchange: service replies, failures with
// their method lists, banners, change requests and anything else, each packet as the transport hands
// it up. The machine answers each packet with at most one message, sends nothing after its DISCONNECT
// and keeps the banner text bounded.
#include <cstdlib>

#include "fuzz/ssh/packets.h"
#include "fuzz/ssh_engine/counting_link.h"
#include "ssh/engine/user_auth.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace qs::ssh;
    fuzz::CountingLink link;
    SshUserAuth auth(link, "fuzz", "password");
    if (auth.Start() != SshUserAuth::Result::Waiting)
        std::abort();
    fuzz::ForEachPacket(data, size, [&](ByteView packet) {
        if (packet.empty())
            return true;
        const int before = link.sent;
        const SshUserAuth::Result result = auth.Handle(IncomingPacket{packet[0], packet, 0});
        if (link.sent > before + 1 || auth.State().banner.size() > kMaxBannerBytes + 1)
            std::abort();
        return result == SshUserAuth::Result::Waiting;
    });
    return 0;
}
