// The connection protocol on what a server sends after the login: the first input byte chooses the
// set-up (shell, command, no shell) and whether the session is already running, so both the set-up
// replies and the running session's messages (data, windows, requests, opens, closes) are reached.
// The application's writes and control codes are mixed in. Nothing may be sent after the connection
// was ended.
#include <cstdlib>

#include "fuzz/ssh/packets.h"
#include "fuzz/ssh_engine/counting_link.h"
#include "ssh/engine/connection.h"
#include "ssh/wire/wire_writer.h"

namespace {

using namespace qs::ssh;

class Sink final : public ChannelSink {
public:
    void Deliver(ByteView) override {}
    std::size_t Unread() const override { return 0; }
};

std::vector<std::uint8_t> OnChannel(std::uint8_t type, bool confirmation)
{
    std::vector<std::uint8_t> out;
    WireWriter w(out, 32);
    w.U8(type);
    w.U32(kFirstLocalChannel);
    if (confirmation) {
        w.U32(7);
        w.U32(1 << 20);
        w.U32(32768);
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    SessionSetup setup;
    if (data[0] & 1)
        setup.command = "true";
    setup.noShell = (data[0] & 6) == 6;
    fuzz::CountingLink link;
    Sink sink;
    ConnectionProtocol protocol(link, sink, setup);
    protocol.Start();
    const auto feed = [&](ByteView packet) { return protocol.Handle(IncomingPacket{packet[0], packet, 0}); };
    if ((data[0] & 8) && !setup.noShell) {
        feed(OnChannel(kMsgChannelOpenConfirmation, true));
        feed(OnChannel(kMsgChannelSuccess, false));
        feed(OnChannel(kMsgChannelSuccess, false));
    }
    fuzz::ForEachPacket(data + 1, size - 1, [&](ByteView packet) {
        if (packet.empty())
            return true;
        // A packet of type 0 stands for the application: a write, then the control code its next byte names.
        if (packet[0] == 0) {
            std::size_t buffered = 0;
            protocol.Write(packet, buffered);
            if (packet.size() > 1)
                protocol.Special(packet[1] % 24);
            return true;
        }
        const ConnectionProtocol::Result result = feed(packet);
        return result != ConnectionProtocol::Result::Ended && result != ConnectionProtocol::Result::Disconnected;
    });
    return 0;
}
