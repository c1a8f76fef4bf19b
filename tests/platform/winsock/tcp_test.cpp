// TCP on loopback against a listener the test opens itself, select(), options and ioctlsocket.
#include "tests/platform/winsock/fixture.h"

#include "tests/platform/winsock/peer.h"

namespace wstest {
namespace {

class TcpTest : public WinsockTest {};

ws::fd_set SetOf(ws::SOCKET s)
{
    ws::fd_set set{};
    set.fd_count = 1;
    set.fd_array[0] = s;
    return set;
}

TEST_F(TcpTest, ConnectionCarriesDataBothWaysAndEnds)
{
    int port = 0;
    int listener = peer::Listen(&port);
    ws::SOCKET s = ConnectTo(port);
    int far = peer::Accept(listener);

    EXPECT_EQ(ws.send(s, "hello", 5, 0), 5);
    EXPECT_EQ(peer::RecvAll(far, 5), "hello");

    peer::SendAll(far, "world!");
    ASSERT_TRUE(WaitReadable(s, 5));
    ws::u_long available = 0;
    EXPECT_EQ(ws.ioctlsocket(s, wsc::kFionread, &available), 0);
    EXPECT_EQ(available, 6u);
    EXPECT_EQ(Recv(s, 100), "world!");
    EXPECT_EQ(ws.ioctlsocket(s, wsc::kFionread, &available), 0);
    EXPECT_EQ(available, 0u);

    ws::sockaddr_in name{};
    int length = sizeof(name);
    ASSERT_EQ(ws.getpeername(s, reinterpret_cast<ws::sockaddr *>(&name), &length), 0);
    EXPECT_EQ(length, 16);
    EXPECT_EQ(name.sin_family, 2);
    EXPECT_EQ(PortOf(name), port);
    EXPECT_STREQ(ws.inet_ntoa(name.sin_addr), "127.0.0.1");
    ASSERT_EQ(ws.getsockname(s, reinterpret_cast<ws::sockaddr *>(&name), &length), 0);
    EXPECT_STREQ(ws.inet_ntoa(name.sin_addr), "127.0.0.1");
    EXPECT_NE(PortOf(name), 0);

    // Our end stops sending: the peer reads the end; its close ends our reading.
    EXPECT_EQ(ws.shutdown(s, ws::SD_SEND), 0);
    EXPECT_EQ(peer::RecvAll(far, 10), "");
    peer::Close(far);
    ASSERT_TRUE(WaitReadable(s, 5));
    char byte = 0;
    EXPECT_EQ(ws.recv(s, &byte, 1, 0), 0);
    EXPECT_EQ(ws.closesocket(s), 0);
    peer::Close(listener);
}

TEST_F(TcpTest, ListenerAcceptsAndReportsThePeer)
{
    ws::SOCKET l = Tcp();
    ws::sockaddr_in any = Loopback(0);
    ASSERT_EQ(ws.bind(l, reinterpret_cast<ws::sockaddr *>(&any), sizeof(any)), 0);
    ASSERT_EQ(ws.listen(l, 5), 0);
    ws::sockaddr_in bound{};
    int length = sizeof(bound);
    ASSERT_EQ(ws.getsockname(l, reinterpret_cast<ws::sockaddr *>(&bound), &length), 0);
    int far = peer::Connect(PortOf(bound));

    int listening = -1;
    int size = sizeof(listening);
    ASSERT_EQ(ws.getsockopt(l, wsc::kSolSocket, wsc::kSoAcceptConn, reinterpret_cast<char *>(&listening), &size), 0);
    EXPECT_EQ(listening, 1);

    // A too-small address buffer is refused before the connection is taken, so it is not lost.
    ws::sockaddr_in from{};
    int shortLength = 8;
    EXPECT_EQ(ws.accept(l, reinterpret_cast<ws::sockaddr *>(&from), &shortLength), ws::INVALID_SOCKET);
    EXPECT_EQ(LastError(), ws::WSAEFAULT);
    length = sizeof(from);
    ws::SOCKET a = ws.accept(l, reinterpret_cast<ws::sockaddr *>(&from), &length);
    ASSERT_NE(a, ws::INVALID_SOCKET);
    EXPECT_EQ(from.sin_family, 2);
    EXPECT_STREQ(ws.inet_ntoa(from.sin_addr), "127.0.0.1");
    ASSERT_EQ(ws.getsockopt(a, wsc::kSolSocket, wsc::kSoAcceptConn, reinterpret_cast<char *>(&listening), &size), 0);
    EXPECT_EQ(listening, 0);

    peer::SendAll(far, "ping");
    ASSERT_TRUE(WaitReadable(a, 5));
    EXPECT_EQ(Recv(a, 10), "ping");
    peer::Close(far);
}

TEST_F(TcpTest, NonBlockingConnectToClosedPortLandsInExceptSetWithRefused)
{
    ws::SOCKET s = Tcp();
    ASSERT_EQ(SetNonBlocking(s, true), 0);
    ws::sockaddr_in to = Loopback(peer::ClosedPort());
    int result = ws.connect(s, reinterpret_cast<ws::sockaddr *>(&to), sizeof(to));
    ASSERT_EQ(result, ws::SOCKET_ERROR);
    ASSERT_EQ(LastError(), ws::WSAEWOULDBLOCK);

    ws::fd_set writeSet = SetOf(s);
    ws::fd_set exceptSet = SetOf(s);
    ws::timeval limit{5, 0};
    EXPECT_EQ(ws.select(0, nullptr, &writeSet, &exceptSet, &limit), 1);
    EXPECT_EQ(writeSet.fd_count, 0u);
    ASSERT_EQ(exceptSet.fd_count, 1u);
    EXPECT_EQ(exceptSet.fd_array[0], s);

    int error = 0;
    int length = sizeof(error);
    ASSERT_EQ(ws.getsockopt(s, wsc::kSolSocket, wsc::kSoError, reinterpret_cast<char *>(&error), &length), 0);
    EXPECT_EQ(error, ws::WSAECONNREFUSED);
    EXPECT_EQ(length, 4);
    // Handed out once, like the pending error it stands for.
    ASSERT_EQ(ws.getsockopt(s, wsc::kSolSocket, wsc::kSoError, reinterpret_cast<char *>(&error), &length), 0);
    EXPECT_EQ(error, 0);
}

TEST_F(TcpTest, NonBlockingConnectLandsInWriteSet)
{
    int port = 0;
    int listener = peer::Listen(&port);
    ws::SOCKET s = Tcp();
    ASSERT_EQ(SetNonBlocking(s, true), 0);
    ws::sockaddr_in to = Loopback(port);
    int result = ws.connect(s, reinterpret_cast<ws::sockaddr *>(&to), sizeof(to));
    if (result != 0) {
        ASSERT_EQ(LastError(), ws::WSAEWOULDBLOCK);
    }
    ws::fd_set writeSet = SetOf(s);
    ws::fd_set exceptSet = SetOf(s);
    ws::timeval limit{5, 0};
    EXPECT_EQ(ws.select(0, nullptr, &writeSet, &exceptSet, &limit), 1);
    EXPECT_EQ(writeSet.fd_count, 1u);
    EXPECT_EQ(exceptSet.fd_count, 0u);
    int error = -1;
    int length = sizeof(error);
    ASSERT_EQ(ws.getsockopt(s, wsc::kSolSocket, wsc::kSoError, reinterpret_cast<char *>(&error), &length), 0);
    EXPECT_EQ(error, 0);
    peer::Close(listener);
}

TEST_F(TcpTest, SelectTimesOutAndEmptiesTheSets)
{
    int port = 0;
    int listener = peer::Listen(&port);
    ws::SOCKET s = ConnectTo(port);
    int far = peer::Accept(listener);

    ws::fd_set readSet = SetOf(s);
    ws::timeval limit{0, 200000};
    EXPECT_EQ(ws.select(0, &readSet, nullptr, nullptr, &limit), 0);
    EXPECT_EQ(readSet.fd_count, 0u);

    // One socket in two sets counts twice; only the ready set keeps it.
    readSet = SetOf(s);
    ws::fd_set writeSet = SetOf(s);
    ws::timeval poll{0, 0};
    EXPECT_EQ(ws.select(0, &readSet, &writeSet, nullptr, &poll), 1);
    EXPECT_EQ(readSet.fd_count, 0u);
    EXPECT_EQ(writeSet.fd_count, 1u);
    peer::SendAll(far, "x");
    readSet = SetOf(s);
    writeSet = SetOf(s);
    limit = {5, 0};
    EXPECT_EQ(ws.select(0, &readSet, &writeSet, nullptr, &limit), 2);
    peer::Close(far);
    peer::Close(listener);
}

TEST_F(TcpTest, SelectRefusesBadSets)
{
    ws::SOCKET s = Tcp();
    ws::timeval poll{0, 0};
    EXPECT_EQ(ws.select(0, nullptr, nullptr, nullptr, &poll), ws::SOCKET_ERROR);
    EXPECT_EQ(LastError(), ws::WSAEINVAL);
    ws::fd_set set = SetOf(s);
    set.fd_count = 65;
    EXPECT_EQ(ws.select(0, &set, nullptr, nullptr, &poll), ws::SOCKET_ERROR);
    EXPECT_EQ(LastError(), ws::WSAEINVAL);
    set = SetOf(0);  // standard input is no socket of the library's
    EXPECT_EQ(ws.select(0, &set, nullptr, nullptr, &poll), ws::SOCKET_ERROR);
    EXPECT_EQ(LastError(), ws::WSAENOTSOCK);
    ws::timeval negative{-1, 0};
    set = SetOf(s);
    EXPECT_EQ(ws.select(0, &set, nullptr, nullptr, &negative), ws::SOCKET_ERROR);
    EXPECT_EQ(LastError(), ws::WSAEINVAL);
}

TEST_F(TcpTest, OptionsMapToTheSystem)
{
    ws::SOCKET s = Tcp();
    int on = 1;
    int value = 0;
    int length = sizeof(value);
    ASSERT_EQ(ws.setsockopt(s, ws::IPPROTO_TCP, wsc::kTcpNoDelay, reinterpret_cast<char *>(&on), sizeof(on)), 0);
    ASSERT_EQ(ws.getsockopt(s, ws::IPPROTO_TCP, wsc::kTcpNoDelay, reinterpret_cast<char *>(&value), &length), 0);
    EXPECT_NE(value, 0);
    ASSERT_EQ(ws.setsockopt(s, wsc::kSolSocket, wsc::kSoKeepAlive, reinterpret_cast<char *>(&on), sizeof(on)), 0);
    ASSERT_EQ(ws.getsockopt(s, wsc::kSolSocket, wsc::kSoKeepAlive, reinterpret_cast<char *>(&value), &length), 0);
    EXPECT_NE(value, 0);

    // The platform's linger record is two 16-bit fields; its time-outs are milliseconds.
    std::uint16_t linger[2] = {1, 7};
    ASSERT_EQ(ws.setsockopt(s, wsc::kSolSocket, wsc::kSoLinger, reinterpret_cast<char *>(linger), sizeof(linger)), 0);
    std::uint16_t lingerOut[2] = {};
    length = sizeof(lingerOut);
    ASSERT_EQ(ws.getsockopt(s, wsc::kSolSocket, wsc::kSoLinger, reinterpret_cast<char *>(lingerOut), &length), 0);
    EXPECT_EQ(lingerOut[0], 1);
    EXPECT_EQ(lingerOut[1], 7);
    int ms = 1500;
    ASSERT_EQ(ws.setsockopt(s, wsc::kSolSocket, wsc::kSoRcvTimeo, reinterpret_cast<char *>(&ms), sizeof(ms)), 0);
    length = sizeof(value);
    ASSERT_EQ(ws.getsockopt(s, wsc::kSolSocket, wsc::kSoRcvTimeo, reinterpret_cast<char *>(&value), &length), 0);
    EXPECT_EQ(value, 1500);
}

}  // namespace
}  // namespace wstest
