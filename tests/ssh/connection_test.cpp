// The connection protocol against scripted server messages: the session set-up each configuration
// sends, flow control both ways, control codes, exit codes, and what the server may ask of the client.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/error/last_error.h"
#include "ssh/engine/connection.h"
#include "tests/ssh/text_link.h"

namespace qs::ssh {
namespace {

using test::Bytes;
using test::Message;
using test::TextLink;
using Result = ConnectionProtocol::Result;

// The server's number for the session channel; ours is 256.
constexpr std::uint32_t kRemote = 7;
constexpr std::uint32_t kLocal = kFirstLocalChannel;

class Sink final : public ChannelSink {
public:
    void Deliver(ByteView bytes) override { received.append(bytes.begin(), bytes.end()); }
    std::size_t Unread() const override { return unread; }
    std::string received;
    std::size_t unread = 0;
};

Bytes Confirmation(std::uint32_t window = 1 << 20, std::uint32_t maxPacket = 32768)
{
    return Message(kMsgChannelOpenConfirmation, [&](WireWriter &w) {
        w.U32(kLocal);
        w.U32(kRemote);
        w.U32(window);
        w.U32(maxPacket);
    });
}
Bytes OnChannel(std::uint8_t type, std::uint32_t channel = kLocal)
{
    return Message(type, [&](WireWriter &w) { w.U32(channel); });
}
Bytes Data(std::string_view text, std::uint32_t channel = kLocal)
{
    return Message(kMsgChannelData, [&](WireWriter &w) {
        w.U32(channel);
        w.String(text);
    });
}
Bytes Request(std::string_view name, bool wantReply, const std::function<void(WireWriter &)> &fields = {},
              std::uint32_t channel = kLocal)
{
    return Message(kMsgChannelRequest, [&](WireWriter &w) {
        w.U32(channel);
        w.String(name);
        w.Bool(wantReply);
        if (fields)
            fields(w);
    });
}

class ConnectionTest : public ::testing::Test {
protected:
    Result Feed(const Bytes &packet) { return protocol_->Handle(IncomingPacket{packet[0], packet, 0}); }
    // Open, terminal and shell all accepted; the sent lines are cleared.
    void Run(const SessionSetup &setup = {}, std::uint32_t window = 1 << 20, std::uint32_t maxPacket = 32768)
    {
        protocol_ = std::make_unique<ConnectionProtocol>(link_, sink_, setup);
        ASSERT_EQ(protocol_->Start(), Result::Waiting);
        Feed(Confirmation(window, maxPacket));
        if (!setup.noPty && setup.command.empty())
            Feed(OnChannel(kMsgChannelSuccess));
        ASSERT_EQ(Feed(OnChannel(kMsgChannelSuccess)), Result::Running);
        link_.sent.clear();
    }
    std::size_t Write(std::string_view text)
    {
        std::size_t buffered = 0;
        EXPECT_TRUE(protocol_->Write(ByteView(reinterpret_cast<const std::uint8_t *>(text.data()), text.size()),
                                     buffered));
        return buffered;
    }

    TextLink link_;
    Sink sink_;
    std::unique_ptr<ConnectionProtocol> protocol_;
};

// pty-req: "unknown", 80 columns, 25 rows, no pixel sizes, modes 128 and 129 at 38400, then the end byte.
const std::string kDefaultPty = "CHANNEL_REQUEST 7 pty-req TRUE "
                                "00000007756e6b6e6f776e" "00000050" "00000019" "00000000" "00000000"
                                "0000000b" "8000009600" "8100009600" "00";
const std::string kOpen = "CHANNEL_OPEN session 256 16384 16384";

TEST_F(ConnectionTest, SetupSendsWhatEachConfigurationAsksFor)
{
    struct Case {
        const char *name;
        SessionSetup setup;
        std::vector<Bytes> server;
        std::vector<std::string> sent;
        Result result;
    };
    SessionSetup exec;
    exec.command = "echo hi";
    SessionSetup sized;
    sized.terminalType = "vt220-with-a-name-longer-than-31-chars";
    sized.columns = 132;
    sized.rows = 43;
    SessionSetup noShell;
    noShell.noShell = true;
    const std::vector<Case> cases = {
        {"shell with terminal", {}, {Confirmation(), OnChannel(kMsgChannelSuccess), OnChannel(kMsgChannelSuccess)},
         {kOpen, kDefaultPty, "CHANNEL_REQUEST 7 shell TRUE"}, Result::Running},
        {"command without terminal", exec, {Confirmation(), OnChannel(kMsgChannelSuccess)},
         {kOpen, "CHANNEL_REQUEST 7 exec TRUE 000000076563686f206869"}, Result::Running},
        {"terminal refused still asks for the shell", {},
         {Confirmation(), OnChannel(kMsgChannelFailure), OnChannel(kMsgChannelSuccess)},
         {kOpen, kDefaultPty, "CHANNEL_REQUEST 7 shell TRUE"}, Result::Running},
        {"terminal type cut to 31 characters, size as set", sized, {Confirmation()},
         {kOpen, "CHANNEL_REQUEST 7 pty-req TRUE 0000001f" + test::ToHex(test::FromText(sized.terminalType.substr(0, 31))) +
                     "00000084" "0000002b" "00000000" "00000000" "0000000b" "8000009600" "8100009600" "00"},
         Result::Waiting},
        {"open refused stops", {}, {Message(kMsgChannelOpenFailure, [](WireWriter &w) { w.U32(kLocal); })},
         {kOpen}, Result::Stopped},
        {"shell refused stops", {}, {Confirmation(), OnChannel(kMsgChannelSuccess), OnChannel(kMsgChannelFailure)},
         {kOpen, kDefaultPty, "CHANNEL_REQUEST 7 shell TRUE"}, Result::Stopped},
        {"maximum packet 0 is refused", {}, {Confirmation(1 << 20, 0)},
         {kOpen, "DISCONNECT 2 Channel maximum packet size is zero"}, Result::Disconnected},
        {"no shell opens nothing", noShell, {}, {}, Result::Running},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TextLink link;
        Sink sink;
        ConnectionProtocol protocol(link, sink, c.setup);
        Result result = protocol.Start();
        for (const Bytes &packet : c.server)
            result = protocol.Handle(IncomingPacket{packet[0], packet, 0});
        EXPECT_EQ(link.sent, c.sent);
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(protocol.Writable(), c.result == Result::Running && !c.setup.noShell);
    }
}

TEST_F(ConnectionTest, ExitCodesFromStatusAndSignals)
{
    const auto signal = [](std::string_view name) {
        return [name](WireWriter &w) {
            w.String(name);
            w.Bool(false);
            w.String(std::string_view("killed"));
            w.String(std::string_view("en"));
        };
    };
    struct Case {
        const char *name;
        Bytes request;
        int exitCode;
    };
    const std::vector<Case> cases = {
        {"exit-status", Request("exit-status", false, [](WireWriter &w) { w.U32(3); }), 3},
        {"signal TERM", Request("exit-signal", false, signal("TERM")), 143},
        {"signal ABRT, by its POSIX number", Request("exit-signal", false, signal("ABRT")), 134},
        {"signal by an unknown name", Request("exit-signal", false, signal("WINCH")), 128},
        {"numeric signal 9", Request("exit-signal", false, [](WireWriter &w) {
             w.U32(9);
             w.Bool(true);
             w.String(std::string_view(""));
             w.String(std::string_view(""));
         }), 137},
        {"malformed signal", Request("exit-signal", false, [](WireWriter &w) { w.U32(9); }), 128},
        {"none before the close", Bytes{kMsgIgnore}, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        link_.sent.clear();
        ASSERT_NO_FATAL_FAILURE(Run());
        if (c.request[0] != kMsgIgnore)
            Feed(c.request);
        EXPECT_EQ(protocol_->ExitCode(true), -1) << "no code while the connection is open";
        EXPECT_EQ(Feed(OnChannel(kMsgChannelClose)), Result::Ended);
        EXPECT_EQ(link_.sent, (std::vector<std::string>{"CLOSE 7", "DISCONNECT 0"}));
        EXPECT_EQ(protocol_->ExitCode(false), c.exitCode);
    }
    // A connection that ended any other way has no exit status.
    ASSERT_NO_FATAL_FAILURE(Run());
    EXPECT_EQ(protocol_->ExitCode(false), kNoExitStatus);
}

TEST_F(ConnectionTest, IncomingDataReopensTheWindowUnlessTheReaderIsBehind)
{
    ASSERT_NO_FATAL_FAILURE(Run());
    Feed(Data("out "));
    Feed(Message(kMsgChannelExtendedData, [](WireWriter &w) {
        w.U32(kLocal);
        w.U32(1);
        w.String(std::string_view("err "));
    }));
    Feed(Message(kMsgChannelExtendedData, [](WireWriter &w) {
        w.U32(kLocal);
        w.U32(2);  // not standard error: dropped
        w.String(std::string_view("other "));
    }));
    Feed(Data("lost", 999));
    EXPECT_EQ(sink_.received, "out err ");
    EXPECT_TRUE(link_.sent.empty()) << "the window is still above half";

    Feed(Data(std::string(8200, 'x')));  // 8208 used: below half
    EXPECT_EQ(link_.sent, std::vector<std::string>{"WINDOW_ADJUST 7 8208"});

    // While the application has not read, the window stays shut.
    link_.sent.clear();
    sink_.unread = kMaxUnreadInput;
    Feed(Data(std::string(9000, 'y')));
    EXPECT_TRUE(link_.sent.empty());
    sink_.unread = 0;
    protocol_->Drained();
    EXPECT_EQ(link_.sent, std::vector<std::string>{"WINDOW_ADJUST 7 9000"});

    // A server ignoring the window breaks the flow control the buffer relies on.
    link_.sent.clear();
    EXPECT_EQ(Feed(Data(std::string(kChannelWindow + 1, 'z'))), Result::Disconnected);
    EXPECT_EQ(link_.sent, std::vector<std::string>{"DISCONNECT 2 Channel data beyond the window"});
}

TEST_F(ConnectionTest, OutgoingDataKeepsToTheServersWindowAndPacketSizeAndEofComesLast)
{
    ASSERT_NO_FATAL_FAILURE(Run({}, 10, 4));
    EXPECT_EQ(Write("abcdefghijklmn"), 4u);
    EXPECT_EQ(link_.sent, (std::vector<std::string>{"DATA 7 'abcd'", "DATA 7 'efgh'", "DATA 7 'ij'"}));
    link_.sent.clear();
    Feed(Message(kMsgChannelWindowAdjust, [](WireWriter &w) {
        w.U32(kLocal);
        w.U32(UINT32_MAX);  // stays at the largest window rather than wrapping
    }));
    EXPECT_EQ(link_.sent, (std::vector<std::string>{"DATA 7 'klmn'"}));

    // An end of file waits behind the bytes the window still holds back.
    ASSERT_NO_FATAL_FAILURE(Run({}, 4, 4));
    Write("abcdefgh");
    protocol_->Special(kControlEndOfFile);
    EXPECT_FALSE(protocol_->Writable());
    EXPECT_EQ(link_.sent, (std::vector<std::string>{"DATA 7 'abcd'"}));
    Feed(Message(kMsgChannelWindowAdjust, [](WireWriter &w) {
        w.U32(kLocal);
        w.U32(100);
    }));
    EXPECT_EQ(link_.sent, (std::vector<std::string>{"DATA 7 'abcd'", "DATA 7 'efgh'", "EOF 7"}));
}

// Bytes written and an end of file asked for before the shell runs go out once it does, in order.
TEST_F(ConnectionTest, WritesAndEndOfFileBeforeTheShellRunsWait)
{
    protocol_ = std::make_unique<ConnectionProtocol>(link_, sink_, SessionSetup{});
    protocol_->Start();
    EXPECT_EQ(Write("early "), 6u);
    Feed(Confirmation());
    EXPECT_EQ(Write("input"), 11u);
    protocol_->Special(kControlEndOfFile);
    Feed(OnChannel(kMsgChannelSuccess));
    link_.sent.clear();
    EXPECT_EQ(Feed(OnChannel(kMsgChannelSuccess)), Result::Running);
    EXPECT_EQ(link_.sent, (std::vector<std::string>{"DATA 7 'early input'", "EOF 7"}));
    EXPECT_FALSE(protocol_->Writable());
    std::size_t buffered = 0;
    EXPECT_FALSE(protocol_->Write(Bytes{1}, buffered));
    EXPECT_EQ(ErrorNumber(GetErrorCode()), qsErrorNotConnected);
}

TEST_F(ConnectionTest, ControlCodes)
{
    struct Case {
        int code;
        std::string sent;  // empty: nothing
    };
    const Case cases[] = {
        {kControlBreak, "CHANNEL_REQUEST 7 break FALSE 00000000"},
        {kControlNoOp, "IGNORE ''"},
        {kControlPing, "IGNORE ''"},
        {kControlRekey, "REKEY"},
        {6, "CHANNEL_REQUEST 7 signal FALSE 0000000441425254"},
        {16, "CHANNEL_REQUEST 7 signal FALSE 000000045445524d"},
        {18, "CHANNEL_REQUEST 7 signal FALSE 0000000455535232"},
        {0, ""},
        {19, ""},
        {kControlEndOfFile, "EOF 7"},
        {kControlEndOfFile, ""},
    };
    ASSERT_NO_FATAL_FAILURE(Run());
    for (const Case &c : cases) {
        SCOPED_TRACE(c.code);
        link_.sent.clear();
        protocol_->Special(c.code);
        EXPECT_EQ(link_.sent, c.sent.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.sent});
    }
}

TEST_F(ConnectionTest, ServerRequestsAreRefused)
{
    const auto open = [](std::string_view type) {
        return Message(kMsgChannelOpen, [type](WireWriter &w) {
            w.String(type);
            w.U32(5);
            w.U32(1000);
            w.U32(1000);
        });
    };
    const auto global = [](bool wantReply) {
        return Message(kMsgGlobalRequest, [wantReply](WireWriter &w) {
            w.String(std::string_view("hostkeys-00@openssh.com"));
            w.Bool(wantReply);
        });
    };
    struct Case {
        const char *name;
        Bytes packet;
        std::vector<std::string> sent;
        Result result;
    };
    const std::vector<Case> cases = {
        {"x11 open", open("x11"), {"OPEN_FAILURE 5 2 X11 forwarding not available en"}, Result::Running},
        {"forwarded port", open("forwarded-tcpip"), {"OPEN_FAILURE 5 2 Port forwarding not requested en"}, Result::Running},
        {"other open", open("auth-agent@openssh.com"), {"OPEN_FAILURE 5 2 Channel type not supported en"}, Result::Running},
        {"global request wanting a reply", global(true), {"REQUEST_FAILURE"}, Result::Running},
        {"global request wanting none", global(false), {}, Result::Running},
        {"unknown channel request wanting a reply", Request("keepalive@openssh.com", true), {"FAILURE 7"}, Result::Running},
        {"exit-status wanting a reply", Request("exit-status", true, [](WireWriter &w) { w.U32(0); }), {"SUCCESS 7"},
         Result::Running},
        {"request for a channel that does not exist", Request("exit-status", true, {}, 999),
         {"DISCONNECT 2 Channel request for unknown channel 999"}, Result::Disconnected},
        {"close of a channel that does not exist", OnChannel(kMsgChannelClose, 999), {}, Result::Running},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_NO_FATAL_FAILURE(Run());
        EXPECT_EQ(Feed(c.packet), c.result);
        EXPECT_EQ(link_.sent, c.sent);
    }
}

}  // namespace
}  // namespace qs::ssh
