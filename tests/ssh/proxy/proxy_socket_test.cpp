// The proxy layer against scripted peers on loopback: what the client sends each kind of proxy, how each
// reply ends the handshake, proxies that stall or never finish their reply, and the targets that are
// connected to directly. The telnet proxy is a scripted peer that relays to the test sshd.
#include <string>
#include <vector>

#include "core/net/socket_api.h"
#include "tests/core/handler_window.h"
#include "tests/core/loopback.h"
#include "tests/ssh/proxy/proxy_fixture.h"
#include "tests/ssh/proxy/scripted_peer.h"

namespace qs::test {
namespace {

using ssh::ProxyType;

constexpr const char *kTarget = "ssh.example.test";
constexpr int kTargetPort = 22;
constexpr const char *kEndOfRequest = "\r\n\r\n";
constexpr const char *kBanner = "SSH-2.0-ScriptedPeer\r\n";
constexpr std::uint32_t kShortTimeoutMs = 1000;
constexpr int kTrickleMs = 50;  // a slow proxy's pause between lines, well inside one wait

class ProxySocketTest : public ProxyNetworkTest {};

struct HttpCase {
    const char *name;
    std::string user, password;
    std::string reply;     // sent after the request has been read; after a refusal the peer closes
    std::string received;  // what reaches the owner
    ErrorCode error;       // of Closing, 0 when the tunnel stays open
};

// Each reply against the request it answers: the request is checked byte for byte, and bytes that follow
// the reply in the same segment reach the engine.
TEST_F(ProxySocketTest, HttpRepliesEndTheHandshake)
{
    const std::string open = "HTTP/1.1 200 Connection established\r\nProxy-agent: scripted\r\n\tfolded\r\n\r\n";
    const std::vector<HttpCase> cases = {
        {"open", "", "", open + kBanner, kBanner, 0},
        {"open with login", "Aladdin", "open sesame", open + kBanner, kBanner, 0},
        {"needs login", "", "", "HTTP/1.0 407 Proxy Authentication Required\r\n\r\n", "",
         MakeErrorCode(qsErrorProxyAuthenticationRequired)},
        {"login refused", "Aladdin", "wrong", "HTTP/1.0 407 Proxy Authentication Required\r\n\r\n", "",
         MakeErrorCode(qsErrorInvalidProxyLogin)},
        {"forbidden", "", "", "HTTP/1.0 403 Access violation\r\n\r\n", "", MakeErrorCode(qsErrorUnexpectedServerResponse)},
        {"not a proxy", "", "", kBanner, "", MakeErrorCode(qsErrorInvalidServerResponse)},
        {"reply cut short", "", "", "HTTP/1.1 200 OK\r\nX: y", "", MakeErrorCode(qsErrorInvalidServerResponse)},
        {"no reply", "", "", "", "", MakeErrorCode(qsErrorNoServerResponse)},
    };
    for (const HttpCase &c : cases) {
        SCOPED_TRACE(c.name);
        owner_ = RecordingOwner();
        ScriptedPeer peer([&c](PeerConnection &connection) {
            connection.Record(connection.ReadUntil(kEndOfRequest));
            connection.Send(c.reply);
            if (c.error == 0) {
                connection.Record(connection.ReadUntil("\n"));
                connection.WaitForClose();
            }
        });
        ASSERT_TRUE(Connect(kTarget, kTargetPort, Proxy(ProxyType::Http, peer.port(), c.user, c.password)))
            << std::hex << GetErrorCode();
        // Written before the tunnel is open: held, and sent after the request once it is.
        const std::string clientLine = "SSH-2.0-Quillstream_6.0\r\n";
        ASSERT_TRUE(socket_->Write(Bytes(clientLine)));
        if (c.error == 0) {
            DriveUntilReceived(kBanner);
            for (int round = 0; round < kMaxRounds && peer.recorded().find(clientLine) == std::string::npos; ++round)
                socket_->Wait(kWaitSliceMs);
        } else {
            DriveUntilClosed();
        }
        EXPECT_EQ(owner_.received, c.received);
        EXPECT_EQ(owner_.error, c.error);
        EXPECT_EQ(owner_.closings, c.error != 0 ? 1 : 0);
        socket_.reset();

        std::string request = "CONNECT ssh.example.test:22 HTTP/1.1\r\nHost: ssh.example.test:22\r\n";
        if (!c.user.empty())
            request += "Proxy-Authorization: Basic " + std::string(c.password == "wrong" ? "QWxhZGRpbjp3cm9uZw=="
                                                                                       : "QWxhZGRpbjpvcGVuIHNlc2FtZQ==") +
                       "\r\n";
        request += "\r\n";
        EXPECT_EQ(peer.recorded(), c.error == 0 ? request + clientLine : request);
    }
}

// The socket library's notifications, as the session library's window receives them, drive the same
// handshake: the connect, the reply with the tunnel's first bytes, and the proxy's close after them.
TEST_F(ProxySocketTest, NotificationsDriveTheTunnel)
{
    ScriptedPeer peer([](PeerConnection &connection) {
        connection.ReadUntil(kEndOfRequest);
        connection.Send(std::string("HTTP/1.1 200 OK\r\n\r\n") + kBanner);
    });
    ASSERT_TRUE(Connect(kTarget, kTargetPort, Proxy(ProxyType::Http, peer.port())));
    HandlerWindow window([this](UINT message, WPARAM, LPARAM lParam) {
        if (message == kSocketMessage)
            socket_->HandleEvent(LOWORD(lParam), HIWORD(lParam));
    });
    ASSERT_EQ(sock::WSAAsyncSelect(socket_->Handle(), window.hwnd(), kSocketMessage,
                                   ws::FD_CONNECT | ws::FD_READ | ws::FD_WRITE | ws::FD_CLOSE),
              0);
    for (int round = 0; round < kMaxRounds && owner_.closings == 0; ++round) {
        QsWaitForMessages(nullptr, 0, static_cast<int>(kWaitSliceMs));
        MSG msg;
        while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessage(&msg);
    }
    EXPECT_EQ(owner_.received, kBanner);
    EXPECT_EQ(owner_.closings, 1);
    EXPECT_EQ(owner_.error, 0u);
}

TEST_F(ProxySocketTest, StalledProxyTimesOut)
{
    ScriptedPeer peer([](PeerConnection &connection) { connection.WaitForClose(); });
    ASSERT_TRUE(Connect(kTarget, kTargetPort, Proxy(ProxyType::Http, peer.port()), kShortTimeoutMs));
    DriveUntilClosed();
    EXPECT_EQ(owner_.closings, 1);
    EXPECT_EQ(owner_.error, MakeErrorCode(qsErrorOperationTimeout));
    EXPECT_TRUE(socket_->Closed());
}

// A reply whose headers never end: sent fast it meets the size cap, sent slowly the handshake's time
// limit, which each wait's own time-out alone would never reach.
TEST_F(ProxySocketTest, EndlessReplyFailsInsteadOfHanging)
{
    struct Case {
        const char *name;
        std::size_t lineBytes;
        bool slow;
        ErrorCode error;
    } cases[] = {
        {"fast", 1000, false, MakeErrorCode(qsErrorInvalidServerResponse)},
        {"slow", 10, true, MakeErrorCode(qsErrorOperationTimeout)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        owner_ = RecordingOwner();
        ScriptedPeer peer([&c](PeerConnection &connection) {
            connection.ReadUntil(kEndOfRequest);
            connection.Send("HTTP/1.1 200 OK\r\n");
            const std::string line = "X-Filler: " + std::string(c.lineBytes, 'a') + "\r\n";
            // Bounded, and the connection kept open after: a client without the cap or the limit ends the
            // test with a wrong error or none, not a hang.
            for (int i = 0; i < 2000 && connection.Send(line); ++i) {
                if (c.slow)
                    connection.Pause(kTrickleMs);
            }
            connection.WaitForClose();
        });
        ASSERT_TRUE(Connect(kTarget, kTargetPort, Proxy(ProxyType::Http, peer.port()), kShortTimeoutMs));
        DriveUntilClosed();
        EXPECT_EQ(owner_.closings, 1);
        EXPECT_EQ(owner_.error, c.error);
        socket_.reset();
    }
}

TEST_F(ProxySocketTest, TelnetProxyRelaysToTheTarget)
{
    const int sshPort = PeerPort("QS_PEER_SSH_PORT");
    if (sshPort == 0)
        GTEST_SKIP() << "QS_PEER_SSH_PORT is not set: the local test servers are not running";
    // Scripted telnet proxy: takes the connect line, then relays to the local sshd whatever it names.
    ScriptedPeer peer([sshPort](PeerConnection &connection) {
        connection.Record(connection.ReadUntil("\n"));
        connection.RelayTo(sshPort);
    });
    ASSERT_TRUE(Connect(kTarget, kTargetPort, Proxy(ProxyType::Telnet, peer.port())));
    DriveUntilReceived("\n");
    EXPECT_EQ(FirstLine().rfind("SSH-2.0-OpenSSH", 0), 0u) << owner_.received;
    EXPECT_EQ(owner_.closings, 0);
    socket_.reset();
    EXPECT_EQ(peer.recorded(), "connect ssh.example.test 22\n");
}

TEST_F(ProxySocketTest, LocalTargetsAreNotProxied)
{
    const std::string own = OwnInterfaceAddress();
    struct Case {
        std::string target;
        bool local;
    };
    std::vector<Case> cases = {
        {"localhost", true}, {"127.0.0.1", true}, {"127.200.3.4", true}, {"127.1", true},
        {"LOCALHOST", false}, {"ssh.example.test", false}, {"10.77.0.2", false},
    };
    if (!own.empty())
        cases.push_back({own, true});
    for (const Case &c : cases)
        EXPECT_EQ(ssh::IsLocalTarget(c.target.c_str()), c.local) << c.target;

    // Through a configured proxy that must not be asked: the target itself answers.
    ScriptedPeer trap([](PeerConnection &connection) { connection.WaitForClose(); });
    for (const char *target : {"localhost", "127.0.0.1"}) {
        SCOPED_TRACE(target);
        owner_ = RecordingOwner();
        ScriptedPeer server([](PeerConnection &connection) {
            connection.Send(kBanner);
            connection.WaitForClose();
        });
        ASSERT_TRUE(Connect(target, server.port(), Proxy(ProxyType::Http, trap.port())));
        DriveUntilReceived(kBanner);
        EXPECT_EQ(owner_.received, kBanner);
        socket_.reset();
    }
    EXPECT_EQ(trap.accepted(), 0);
}

TEST_F(ProxySocketTest, BadTargetsAndProxiesFailAtConnect)
{
    ScriptedPeer trap([](PeerConnection &connection) { connection.WaitForClose(); });
    const ssh::ProxyConfig http = Proxy(ProxyType::Http, trap.port());
    const ssh::ProxyConfig telnet = Proxy(ProxyType::Telnet, trap.port());
    struct Case {
        const char *name;
        std::string target;
        int port;
        ssh::ProxyConfig proxy;
        ErrorCode error;
    };
    // An empty name fails before any lookup, so no query leaves the machine.
    ssh::ProxyConfig unresolvable = http;
    unresolvable.host = "";
    ssh::ProxyConfig unknownType = http;
    unknownType.type = static_cast<ProxyType>(3);
    const std::vector<Case> cases = {
        {"header injection", "ssh.example.test\r\nX-Injected: 1", kTargetPort, http, MakeErrorCode(qsErrorInvalidHostName)},
        {"line feed", "ssh.example.test\n", kTargetPort, http, MakeErrorCode(qsErrorInvalidHostName)},
        {"second telnet command", "ssh.example.test 22\nconnect other", kTargetPort, telnet, MakeErrorCode(qsErrorInvalidHostName)},
        {"empty target", "", kTargetPort, http, MakeErrorCode(qsErrorInvalidHostName)},
        {"port 0", kTarget, 0, http, MakeErrorCode(qsErrorInvalidServicePort)},
        {"port above 65535", kTarget, 65536, http, MakeErrorCode(qsErrorInvalidServicePort)},
        {"unknown proxy type", kTarget, kTargetPort, unknownType, MakeErrorCode(qsErrorInvalidProxyType)},
        {"proxy host missing", kTarget, kTargetPort, unresolvable, MakeErrorCode(qsErrorInvalidHostName)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        SetErrorCode(0);
        EXPECT_FALSE(Connect(c.target.c_str(), c.port, c.proxy));
        EXPECT_EQ(GetErrorCode(), c.error);
    }
    EXPECT_EQ(trap.accepted(), 0);
}

TEST_F(ProxySocketTest, RefusedProxyConnectionReportsTheNetworkError)
{
    // The refusal may come at once or as the outcome of the attempt.
    if (!Connect(kTarget, kTargetPort, Proxy(ProxyType::Http, UnusedTcpPort()))) {
        EXPECT_EQ(GetErrorCode(), MakeErrorCode(10061));
        return;
    }
    DriveUntilClosed();
    EXPECT_EQ(owner_.closings, 1);
    EXPECT_EQ(owner_.error, MakeErrorCode(10061));
}

}  // namespace
}  // namespace qs::test
