// Asynchronous selection as sequences of posted notifications, pumped with the base layer's calls.
#include "tests/platform/winsock/fixture.h"

#include "tests/platform/winsock/peer.h"

namespace wstest {
namespace {

constexpr UINT kSocketMessage = WM_USER + 8191;
constexpr std::int32_t kClientEvents = ws::FD_READ | ws::FD_WRITE | ws::FD_CONNECT | ws::FD_CLOSE;
// Long enough for a notification already due to arrive; the tests only check that none does.
constexpr int kQuietMs = 200;

class AsyncSelectTest : public WinsockTest {
protected:
    void SetUp() override
    {
        WinsockTest::SetUp();
        listener_ = peer::Listen(&port_);
    }
    void TearDown() override
    {
        peer::Close(listener_);
        WinsockTest::TearDown();
    }
    // An asynchronous connect to `port`.
    ws::SOCKET StartConnect(int port, std::int32_t events = kClientEvents)
    {
        ws::SOCKET s = Tcp();
        EXPECT_EQ(ws.WSAAsyncSelect(s, window_.hwnd(), kSocketMessage, events), 0);
        ws::sockaddr_in to = Loopback(port);
        int result = ws.connect(s, reinterpret_cast<ws::sockaddr *>(&to), sizeof(to));
        EXPECT_TRUE(result == 0 || LastError() == ws::WSAEWOULDBLOCK) << LastError();
        return s;
    }
    bool WaitFor(ws::SOCKET s, WORD event, int count = 1)
    {
        return PumpUntil([&] { return window_.Count(s, event) >= count; });
    }
    int Count(ws::SOCKET s, WORD event) const { return window_.Count(s, event); }

    RecordingWindow window_{kSocketMessage};
    int port_ = 0;
    int listener_ = -1;
};

TEST_F(AsyncSelectTest, ConnectWriteReadOnceUntilRecvThenCloseAfterData)
{
    ws::SOCKET s = StartConnect(port_);
    ASSERT_TRUE(WaitFor(s, ws::FD_CONNECT));
    ASSERT_TRUE(WaitFor(s, ws::FD_WRITE));
    EXPECT_EQ(window_.posted()[0].low, ws::FD_CONNECT);
    EXPECT_EQ(window_.posted()[0].high, 0);
    int far = peer::Accept(listener_);

    // Data arrives twice before the application reads: one FD_READ only.
    peer::SendAll(far, "one");
    ASSERT_TRUE(WaitFor(s, ws::FD_READ));
    peer::SendAll(far, "two");
    PumpFor(kQuietMs);
    EXPECT_EQ(Count(s, ws::FD_READ), 1);

    // A partial read leaves data: FD_READ again. Reading the rest leaves nothing to report.
    EXPECT_EQ(Recv(s, 3), "one");
    ASSERT_TRUE(WaitFor(s, ws::FD_READ, 2));
    EXPECT_EQ(Recv(s, 100), "two");
    PumpFor(kQuietMs);
    EXPECT_EQ(Count(s, ws::FD_READ), 2);

    // The peer sends its last data and closes: FD_READ for the data, FD_CLOSE only once it is read.
    peer::SendAll(far, "last");
    peer::Close(far);
    ASSERT_TRUE(WaitFor(s, ws::FD_READ, 3));
    PumpFor(kQuietMs);
    EXPECT_EQ(Count(s, ws::FD_CLOSE), 0);
    EXPECT_EQ(Recv(s, 100), "last");
    ASSERT_TRUE(WaitFor(s, ws::FD_CLOSE));
    char byte = 0;
    EXPECT_EQ(ws.recv(s, &byte, 1, 0), 0);

    PumpFor(kQuietMs);
    EXPECT_EQ(Count(s, ws::FD_CONNECT), 1);
    EXPECT_EQ(Count(s, ws::FD_WRITE), 1);
    EXPECT_EQ(Count(s, ws::FD_READ), 3);
    EXPECT_EQ(Count(s, ws::FD_CLOSE), 1);
    EXPECT_EQ(window_.posted().size(), 6u);
}

TEST_F(AsyncSelectTest, RefusedConnectIsOneConnectNotificationWithTheError)
{
    ws::SOCKET s = StartConnect(peer::ClosedPort());
    ASSERT_TRUE(WaitFor(s, ws::FD_CONNECT));
    PumpFor(kQuietMs);
    ASSERT_EQ(window_.posted().size(), 1u);
    EXPECT_EQ(window_.posted()[0].high, ws::WSAECONNREFUSED);
    int error = 0;
    int length = sizeof(error);
    ASSERT_EQ(ws.getsockopt(s, wsc::kSolSocket, wsc::kSoError, reinterpret_cast<char *>(&error), &length), 0);
    EXPECT_EQ(error, ws::WSAECONNREFUSED);
}

TEST_F(AsyncSelectTest, ResetIsCloseWithTheError)
{
    ws::SOCKET s = StartConnect(port_);
    ASSERT_TRUE(WaitFor(s, ws::FD_WRITE));
    peer::Reset(peer::Accept(listener_));
    ASSERT_TRUE(WaitFor(s, ws::FD_CLOSE));
    PumpFor(kQuietMs);
    EXPECT_EQ(Count(s, ws::FD_CLOSE), 1);
    EXPECT_EQ(window_.posted().back().high, ws::WSAECONNRESET);
}

TEST_F(AsyncSelectTest, WriteIsPostedAgainOnlyAfterASendWouldBlock)
{
    ws::SOCKET s = StartConnect(port_);
    ASSERT_TRUE(WaitFor(s, ws::FD_WRITE));
    int far = peer::Accept(listener_);
    peer::SmallReceiveBuffer(far);
    int small = 4096;
    ws.setsockopt(s, wsc::kSolSocket, wsc::kSoSndBuf, reinterpret_cast<char *>(&small), sizeof(small));

    std::string chunk(4096, 'z');
    std::size_t sent = 0;
    int result = 0;
    while ((result = ws.send(s, chunk.data(), static_cast<int>(chunk.size()), 0)) > 0) {
        sent += static_cast<std::size_t>(result);
    }
    ASSERT_EQ(LastError(), ws::WSAEWOULDBLOCK);
    PumpFor(kQuietMs);
    EXPECT_EQ(Count(s, ws::FD_WRITE), 1);

    EXPECT_EQ(peer::RecvAll(far, sent).size(), sent);
    ASSERT_TRUE(WaitFor(s, ws::FD_WRITE, 2));
    PumpFor(kQuietMs);
    EXPECT_EQ(Count(s, ws::FD_WRITE), 2);
    peer::Close(far);
}

TEST_F(AsyncSelectTest, AcceptIsReEnabledByAcceptAndAcceptedSocketsInherit)
{
    ws::SOCKET l = Tcp();
    ws::sockaddr_in any = Loopback(0);
    ASSERT_EQ(ws.bind(l, reinterpret_cast<ws::sockaddr *>(&any), sizeof(any)), 0);
    ASSERT_EQ(ws.listen(l, 5), 0);
    ASSERT_EQ(ws.WSAAsyncSelect(l, window_.hwnd(), kSocketMessage, ws::FD_ACCEPT | ws::FD_WRITE | ws::FD_READ), 0);
    ws::sockaddr_in bound{};
    int length = sizeof(bound);
    ASSERT_EQ(ws.getsockname(l, reinterpret_cast<ws::sockaddr *>(&bound), &length), 0);

    int first = peer::Connect(PortOf(bound));
    int second = peer::Connect(PortOf(bound));
    ASSERT_TRUE(WaitFor(l, ws::FD_ACCEPT));
    PumpFor(kQuietMs);
    EXPECT_EQ(Count(l, ws::FD_ACCEPT), 1);

    ws::SOCKET a = ws.accept(l, nullptr, nullptr);
    ASSERT_NE(a, ws::INVALID_SOCKET);
    ASSERT_TRUE(WaitFor(l, ws::FD_ACCEPT, 2));
    // The accepted socket has the listener's selection: connected, so writable once.
    ASSERT_TRUE(WaitFor(a, ws::FD_WRITE));
    peer::SendAll(first, "hi");
    ASSERT_TRUE(WaitFor(a, ws::FD_READ));
    EXPECT_EQ(Recv(a, 10), "hi");

    ws::SOCKET b = ws.accept(l, nullptr, nullptr);
    ASSERT_NE(b, ws::INVALID_SOCKET);
    PumpFor(kQuietMs);
    EXPECT_EQ(Count(l, ws::FD_ACCEPT), 2);
    EXPECT_EQ(Count(b, ws::FD_WRITE), 1);
    // Non-blocking like the listener: nothing to read is a would-block.
    char byte;
    EXPECT_EQ(ws.recv(b, &byte, 1, 0), ws::SOCKET_ERROR);
    EXPECT_EQ(LastError(), ws::WSAEWOULDBLOCK);
    peer::Close(first);
    peer::Close(second);
}

TEST_F(AsyncSelectTest, CancelStopsNotificationsAndKeepsNonBlocking)
{
    ws::SOCKET s = StartConnect(port_);
    ASSERT_TRUE(WaitFor(s, ws::FD_WRITE));
    int far = peer::Accept(listener_);
    // The platform keeps a selected socket non-blocking.
    EXPECT_EQ(SetNonBlocking(s, false), ws::SOCKET_ERROR);
    EXPECT_EQ(LastError(), ws::WSAEINVAL);

    ASSERT_EQ(ws.WSAAsyncSelect(s, nullptr, 0, 0), 0);
    peer::SendAll(far, "unseen");
    PumpFor(kQuietMs);
    EXPECT_EQ(Count(s, ws::FD_READ), 0);
    EXPECT_EQ(Recv(s, 100), "unseen");
    char byte;
    EXPECT_EQ(ws.recv(s, &byte, 1, 0), ws::SOCKET_ERROR);
    EXPECT_EQ(LastError(), ws::WSAEWOULDBLOCK);
    EXPECT_EQ(SetNonBlocking(s, false), 0);
    peer::Close(far);
}

TEST_F(AsyncSelectTest, CloseSocketEndsTheWatch)
{
    ws::SOCKET s = StartConnect(port_);
    ASSERT_TRUE(WaitFor(s, ws::FD_WRITE));
    int far = peer::Accept(listener_);
    window_.Clear();
    peer::SendAll(far, "late");
    ASSERT_EQ(ws.closesocket(s), 0);
    PumpFor(kQuietMs);
    EXPECT_TRUE(window_.posted().empty());
    peer::Close(far);
}

TEST_F(AsyncSelectTest, RefusesAWindowThatIsNone)
{
    ws::SOCKET s = Tcp();
    EXPECT_EQ(ws.WSAAsyncSelect(s, reinterpret_cast<void *>(0x1234), kSocketMessage, ws::FD_READ), ws::SOCKET_ERROR);
    EXPECT_EQ(LastError(), ws::WSAEINVAL);
}

}  // namespace
}  // namespace wstest
