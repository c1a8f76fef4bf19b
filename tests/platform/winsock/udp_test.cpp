// Datagrams: addressing both ways, and a datagram larger than the buffer.
#include "tests/platform/winsock/fixture.h"

#include "tests/platform/winsock/peer.h"

namespace wstest {
namespace {

class UdpTest : public WinsockTest {
protected:
    // A datagram socket of the library bound on loopback; `port` receives its port.
    ws::SOCKET Bound(int *port)
    {
        ws::SOCKET s = Udp();
        ws::sockaddr_in any = Loopback(0);
        EXPECT_EQ(ws.bind(s, reinterpret_cast<ws::sockaddr *>(&any), sizeof(any)), 0);
        ws::sockaddr_in name{};
        int length = sizeof(name);
        EXPECT_EQ(ws.getsockname(s, reinterpret_cast<ws::sockaddr *>(&name), &length), 0);
        *port = PortOf(name);
        return s;
    }
};

TEST_F(UdpTest, DatagramsTravelBothWaysWithTheirAddress)
{
    int ours = 0;
    int theirs = 0;
    ws::SOCKET s = Bound(&ours);
    int far = peer::Udp(&theirs);

    peer::SendTo(far, ours, "question");
    ASSERT_TRUE(WaitReadable(s, 5));
    ws::u_long available = 0;
    EXPECT_EQ(ws.ioctlsocket(s, wsc::kFionread, &available), 0);
    EXPECT_EQ(available, 8u);
    char buffer[64] = {};
    ws::sockaddr_in from{};
    int fromLength = sizeof(from);
    int n = ws.recvfrom(s, buffer, sizeof(buffer), 0, reinterpret_cast<ws::sockaddr *>(&from), &fromLength);
    ASSERT_EQ(n, 8);
    EXPECT_EQ(std::string(buffer, 8), "question");
    EXPECT_EQ(fromLength, 16);
    EXPECT_EQ(PortOf(from), theirs);

    ws::sockaddr_in to = Loopback(theirs);
    EXPECT_EQ(ws.sendto(s, "answer", 6, 0, reinterpret_cast<ws::sockaddr *>(&to), sizeof(to)), 6);
    EXPECT_EQ(peer::RecvSome(far, 64), "answer");
    peer::Close(far);
}

TEST_F(UdpTest, TooSmallBufferGivesMsgSizeAndDropsTheRest)
{
    int ours = 0;
    int theirs = 0;
    ws::SOCKET s = Bound(&ours);
    int far = peer::Udp(&theirs);
    peer::SendTo(far, ours, "0123456789abcdef");
    peer::SendTo(far, ours, "next");

    ASSERT_TRUE(WaitReadable(s, 5));
    char buffer[8] = {};
    EXPECT_EQ(ws.recvfrom(s, buffer, sizeof(buffer), 0, nullptr, nullptr), ws::SOCKET_ERROR);
    EXPECT_EQ(LastError(), ws::WSAEMSGSIZE);
    EXPECT_EQ(std::string(buffer, 8), "01234567");  // the start is delivered, the rest is gone
    ASSERT_TRUE(WaitReadable(s, 5));
    EXPECT_EQ(ws.recv(s, buffer, sizeof(buffer), 0), 4);
    EXPECT_EQ(std::string(buffer, 4), "next");
    peer::Close(far);
}

TEST_F(UdpTest, ShortAddressBuffersAreRefused)
{
    int ours = 0;
    ws::SOCKET s = Bound(&ours);
    ws::sockaddr_in to = Loopback(ours);
    EXPECT_EQ(ws.sendto(s, "x", 1, 0, reinterpret_cast<ws::sockaddr *>(&to), 8), ws::SOCKET_ERROR);
    EXPECT_EQ(LastError(), ws::WSAEFAULT);
    char buffer[4];
    ws::sockaddr_in from{};
    int fromLength = 4;
    EXPECT_EQ(ws.recvfrom(s, buffer, sizeof(buffer), 0, reinterpret_cast<ws::sockaddr *>(&from), &fromLength),
              ws::SOCKET_ERROR);
    EXPECT_EQ(LastError(), ws::WSAEFAULT);
}

}  // namespace
}  // namespace wstest
