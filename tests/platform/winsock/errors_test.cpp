// The platform's error numbers, each produced by a real failing call.
#include "tests/platform/winsock/fixture.h"

#include "tests/platform/winsock/peer.h"

namespace wstest {
namespace {

class ErrorTest : public WinsockTest {
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

public:
    // A connected pair: ours through the library, theirs on POSIX.
    ws::SOCKET Connected(int *far)
    {
        ws::SOCKET s = ConnectTo(port_);
        *far = peer::Accept(listener_);
        return s;
    }
    int port_ = 0;
    int listener_ = -1;
};

struct Case {
    const char *what;
    int expected;
    // Makes the failing call; returns its result, which must be the failure value.
    std::function<long(ErrorTest &, const WsApi &)> fail;
};

TEST_F(ErrorTest, EachFailureCarriesThePlatformNumber)
{
    const Case cases[] = {
        {"blocking connect to a closed port", ws::WSAECONNREFUSED,
         [](ErrorTest &t, const WsApi &ws) {
             ws::SOCKET s = t.Tcp();
             ws::sockaddr_in to = Loopback(peer::ClosedPort());
             return ws.connect(s, reinterpret_cast<ws::sockaddr *>(&to), sizeof(to));
         }},
        {"receive on a descriptor that is no socket of the library's", ws::WSAENOTSOCK,
         [](ErrorTest &, const WsApi &ws) {
             char b;
             return ws.recv(0, &b, 1, 0);
         }},
        {"non-blocking receive with nothing there", ws::WSAEWOULDBLOCK,
         [](ErrorTest &t, const WsApi &ws) {
             int far = 0;
             ws::SOCKET s = t.Connected(&far);
             t.SetNonBlocking(s, true);
             char b;
             return ws.recv(s, &b, 1, 0);
         }},
        {"blocking receive past its time-out", ws::WSAETIMEDOUT,
         [](ErrorTest &t, const WsApi &ws) {
             int far = 0;
             ws::SOCKET s = t.Connected(&far);
             int ms = 50;
             ws.setsockopt(s, wsc::kSolSocket, wsc::kSoRcvTimeo, reinterpret_cast<char *>(&ms), sizeof(ms));
             char b;
             return ws.recv(s, &b, 1, 0);
         }},
        {"receive after the peer reset", ws::WSAECONNRESET,
         [](ErrorTest &t, const WsApi &ws) {
             int far = 0;
             ws::SOCKET s = t.Connected(&far);
             peer::Reset(far);
             t.WaitReadable(s, 5);
             char b;
             return ws.recv(s, &b, 1, 0);
         }},
        {"send after shutting down sending", ws::WSAESHUTDOWN,
         [](ErrorTest &t, const WsApi &ws) {
             int far = 0;
             ws::SOCKET s = t.Connected(&far);
             ws.shutdown(s, ws::SD_SEND);
             return ws.send(s, "x", 1, 0);
         }},
        {"send on a stream never connected", ws::WSAENOTCONN,
         [](ErrorTest &t, const WsApi &ws) { return ws.send(t.Tcp(), "x", 1, 0); }},
        {"connect on a connected socket", ws::WSAEISCONN,
         [](ErrorTest &t, const WsApi &ws) {
             int far = 0;
             ws::SOCKET s = t.Connected(&far);
             ws::sockaddr_in to = Loopback(t.port_);
             return ws.connect(s, reinterpret_cast<ws::sockaddr *>(&to), sizeof(to));
         }},
        {"bind to a port in use", ws::WSAEADDRINUSE,
         [](ErrorTest &t, const WsApi &ws) {
             ws::sockaddr_in at = Loopback(t.port_);
             return ws.bind(t.Tcp(), reinterpret_cast<ws::sockaddr *>(&at), sizeof(at));
         }},
        {"accept on a socket that does not listen", ws::WSAEINVAL,
         [](ErrorTest &t, const WsApi &ws) { return static_cast<long>(ws.accept(t.Tcp(), nullptr, nullptr)); }},
        {"socket of another family", ws::WSAEAFNOSUPPORT,
         [](ErrorTest &, const WsApi &ws) { return static_cast<long>(ws.socket(23, ws::SOCK_STREAM, 0)); }},
        {"socket of an unsupported type", ws::WSAESOCKTNOSUPPORT,
         [](ErrorTest &, const WsApi &ws) { return static_cast<long>(ws.socket(wsc::kAfInet, 3, 0)); }},
        {"address of another family", ws::WSAEAFNOSUPPORT,
         [](ErrorTest &t, const WsApi &ws) {
             ws::sockaddr_in to = Loopback(t.port_);
             to.sin_family = 23;
             return ws.connect(t.Tcp(), reinterpret_cast<ws::sockaddr *>(&to), sizeof(to));
         }},
        {"option value buffer too short", ws::WSAEFAULT,
         [](ErrorTest &t, const WsApi &ws) {
             int v = 0;
             int length = 2;
             return ws.getsockopt(t.Tcp(), wsc::kSolSocket, wsc::kSoRcvBuf, reinterpret_cast<char *>(&v), &length);
         }},
        {"unknown socket option", ws::WSAENOPROTOOPT,
         [](ErrorTest &t, const WsApi &ws) {
             int v = 0;
             int length = sizeof(v);
             return ws.getsockopt(t.Tcp(), wsc::kSolSocket, 0x7777, reinterpret_cast<char *>(&v), &length);
         }},
        {"unknown option level", ws::WSAEINVAL,
         [](ErrorTest &t, const WsApi &ws) {
             int v = 0;
             int length = sizeof(v);
             return ws.getsockopt(t.Tcp(), 0x1234, wsc::kSoRcvBuf, reinterpret_cast<char *>(&v), &length);
         }},
        {"read-only option written", ws::WSAENOPROTOOPT,
         [](ErrorTest &t, const WsApi &ws) {
             int v = 1;
             return ws.setsockopt(t.Tcp(), wsc::kSolSocket, wsc::kSoAcceptConn, reinterpret_cast<char *>(&v), sizeof(v));
         }},
        {"second connect while one is pending", ws::WSAEALREADY,
         [](ErrorTest &t, const WsApi &ws) {
             // A listener whose queue is full drops the connection request, so the attempt stays pending.
             int port = 0;
             int full = peer::Listen(&port, 0);
             int filler = peer::Connect(port);
             ws::SOCKET s = t.Tcp();
             t.SetNonBlocking(s, true);
             ws::sockaddr_in to = Loopback(port);
             ws.connect(s, reinterpret_cast<ws::sockaddr *>(&to), sizeof(to));
             long result = ws.connect(s, reinterpret_cast<ws::sockaddr *>(&to), sizeof(to));
             peer::Close(filler);
             peer::Close(full);
             return result;
         }},
        {"unknown message flags", ws::WSAEOPNOTSUPP,
         [](ErrorTest &t, const WsApi &ws) {
             int far = 0;
             return ws.send(t.Connected(&far), "x", 1, 0x4000);
         }},
        {"negative length", ws::WSAEFAULT,
         [](ErrorTest &t, const WsApi &ws) {
             int far = 0;
             return ws.send(t.Connected(&far), "x", -1, 0);
         }},
        {"shutdown with an unknown direction", ws::WSAEINVAL,
         [](ErrorTest &t, const WsApi &ws) {
             int far = 0;
             return ws.shutdown(t.Connected(&far), 3);
         }},
        {"host name that cannot exist", ws::WSAHOST_NOT_FOUND,
         [](ErrorTest &, const WsApi &ws) { return ws.gethostbyname("bad..name") == nullptr ? -1L : 0L; }},
        {"unknown service", ws::WSANO_DATA,
         [](ErrorTest &, const WsApi &ws) { return ws.getservbyname("no-such-service", "udp") == nullptr ? -1L : 0L; }},
        {"event-object selection", ws::WSAEOPNOTSUPP,
         [](ErrorTest &t, const WsApi &ws) { return ws.WSAEventSelect(t.Tcp(), nullptr, ws::FD_READ); }},
        {"extended ioctl", ws::WSAEOPNOTSUPP,
         [](ErrorTest &t, const WsApi &ws) {
             return ws.WSAIoctl(t.Tcp(), 0, nullptr, 0, nullptr, 0, nullptr, nullptr, nullptr);
         }},
        {"unknown ioctlsocket command", ws::WSAEINVAL,
         [](ErrorTest &t, const WsApi &ws) {
             ws::u_long v = 0;
             return ws.ioctlsocket(t.Tcp(), 0x1234, &v);
         }},
    };
    for (const Case &c : cases) {
        ws.WSASetLastError(0);
        long result = c.fail(*this, ws);
        EXPECT_EQ(result, -1) << c.what;  // SOCKET_ERROR, or INVALID_SOCKET as a signed value
        EXPECT_EQ(LastError(), c.expected) << c.what;
    }
}

}  // namespace
}  // namespace wstest
