// Host, service and protocol databases, the local host name, and address texts.
#include "tests/platform/winsock/fixture.h"

#include <cstring>

namespace wstest {
namespace {

class DatabaseTest : public WinsockTest {};

bool HasAddress(const ws::hostent *host, std::uint32_t networkOrder)
{
    for (char **a = host->h_addr_list; *a != nullptr; ++a) {
        std::uint32_t v = 0;
        std::memcpy(&v, *a, 4);
        if (v == networkOrder) {
            return true;
        }
    }
    return false;
}

constexpr std::uint32_t kLoopback = 0x0100007F;  // 127.0.0.1 in network order

TEST_F(DatabaseTest, HostByNameAndAddress)
{
    ws::hostent *host = ws.gethostbyname("localhost");
    ASSERT_NE(host, nullptr) << LastError();
    EXPECT_STREQ(host->h_name, "localhost");
    EXPECT_EQ(host->h_addrtype, 2);
    EXPECT_EQ(host->h_length, 4);
    EXPECT_TRUE(HasAddress(host, kLoopback));
    ASSERT_NE(host->h_aliases, nullptr);

    host = ws.gethostbyname("127.0.0.1");
    ASSERT_NE(host, nullptr);
    EXPECT_STREQ(host->h_name, "127.0.0.1");
    EXPECT_TRUE(HasAddress(host, kLoopback));

    host = ws.gethostbyaddr(reinterpret_cast<const char *>(&kLoopback), 4, 2);
    ASSERT_NE(host, nullptr) << LastError();
    EXPECT_STRNE(host->h_name, "");
    EXPECT_TRUE(HasAddress(host, kLoopback));

    // A name no resolver can have (an empty label) fails without asking any server.
    EXPECT_EQ(ws.gethostbyname("bad..name"), nullptr);
    EXPECT_EQ(LastError(), ws::WSAHOST_NOT_FOUND);
    EXPECT_EQ(ws.gethostbyaddr(reinterpret_cast<const char *>(&kLoopback), 4, 23), nullptr);
    EXPECT_EQ(LastError(), ws::WSAEAFNOSUPPORT);
}

TEST_F(DatabaseTest, ServicesAndProtocols)
{
    ws::servent *service = ws.getservbyname("time", "udp");
    ASSERT_NE(service, nullptr) << LastError();
    EXPECT_STREQ(service->s_name, "time");
    EXPECT_EQ(ws.ntohs(static_cast<ws::u_short>(service->s_port)), 37);
    EXPECT_STREQ(service->s_proto, "udp");

    service = ws.getservbyport(ws.htons(79), "tcp");
    ASSERT_NE(service, nullptr);
    EXPECT_STREQ(service->s_name, "finger");

    EXPECT_EQ(ws.getservbyname("no-such-service", "tcp"), nullptr);
    EXPECT_EQ(LastError(), ws::WSANO_DATA);

    ws::protoent *protocol = ws.getprotobyname("tcp");
    ASSERT_NE(protocol, nullptr);
    EXPECT_EQ(protocol->p_proto, 6);
    protocol = ws.getprotobynumber(17);
    ASSERT_NE(protocol, nullptr);
    EXPECT_STREQ(protocol->p_name, "udp");
}

TEST_F(DatabaseTest, LocalHostName)
{
    char name[256] = {};
    ASSERT_EQ(ws.gethostname(name, sizeof(name)), 0);
    EXPECT_GT(std::strlen(name), 0u);
    char tiny[1];
    EXPECT_EQ(ws.gethostname(tiny, sizeof(tiny)), ws::SOCKET_ERROR);
    EXPECT_EQ(LastError(), ws::WSAEFAULT);
    // An empty name asks for this host.
    EXPECT_NE(ws.gethostbyname(""), nullptr);
}

TEST_F(DatabaseTest, AddressTexts)
{
    struct Case {
        const char *text;
        std::uint32_t address;  // network order
    };
    const Case cases[] = {
        {"127.0.0.1", 0x0100007F},      {"192.168.1.2", 0x0201A8C0},   {"0x7f.1", 0x0100007F},
        {"10.1", 0x0100000A},           {"3232235777", 0x0101A8C0},    {"010.0.0.1", 0x01000008},  // octal
        {"1.2.3.4 more", 0x04030201},   {"1.2.3.256", wsc::kInaddrNone}, {"1.2.3.4.5", wsc::kInaddrNone},
        {"1.2.3.4x", wsc::kInaddrNone},  {"", wsc::kInaddrNone},          {nullptr, wsc::kInaddrNone},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(ws.inet_addr(c.text), c.address) << (c.text != nullptr ? c.text : "(null)");
    }
    EXPECT_STREQ(ws.inet_ntoa(ws::in_addr{0x0201A8C0}), "192.168.1.2");
    EXPECT_EQ(ws.htons(0x0102), 0x0201);
    EXPECT_EQ(ws.ntohl(0x01020304), 0x04030201u);
}

TEST_F(DatabaseTest, AsynchronousLookupsReplyAtOnce)
{
    constexpr UINT kReply = WM_USER + 7;
    RecordingWindow window(kReply);
    alignas(8) char buffer[1024] = {};
    void *handle = ws.WSAAsyncGetServByName(window.hwnd(), kReply, "time", "udp", buffer, sizeof(buffer));
    ASSERT_NE(handle, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return !window.posted().empty(); }));
    const Posted &reply = window.posted()[0];
    EXPECT_EQ(reply.wParam, reinterpret_cast<WPARAM>(handle));
    EXPECT_EQ(reply.high, 0);
    EXPECT_GT(reply.low, 0);
    auto *service = reinterpret_cast<ws::servent *>(buffer);
    EXPECT_STREQ(service->s_name, "time");
    EXPECT_EQ(ws.ntohs(static_cast<ws::u_short>(service->s_port)), 37);
    EXPECT_EQ(ws.WSACancelAsyncRequest(handle), ws::SOCKET_ERROR);
    EXPECT_EQ(LastError(), ws::WSAEALREADY);

    // A buffer too small is answered with 10055 and the size it would need.
    window.Clear();
    alignas(8) char small[16] = {};
    handle = ws.WSAAsyncGetHostByName(window.hwnd(), kReply, "localhost", small, sizeof(small));
    ASSERT_NE(handle, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return !window.posted().empty(); }));
    EXPECT_EQ(window.posted()[0].high, ws::WSAENOBUFS);
    EXPECT_GT(window.posted()[0].low, sizeof(small));

    window.Clear();
    handle = ws.WSAAsyncGetHostByName(window.hwnd(), kReply, "bad..name", buffer, sizeof(buffer));
    ASSERT_TRUE(PumpUntil([&] { return !window.posted().empty(); }));
    EXPECT_EQ(window.posted()[0].high, ws::WSAHOST_NOT_FOUND);

    EXPECT_EQ(ws.WSAAsyncGetProtoByNumber(nullptr, kReply, 6, buffer, sizeof(buffer)), nullptr);
    EXPECT_EQ(LastError(), ws::WSAEINVAL);
    EXPECT_EQ(ws.WSACancelAsyncRequest(reinterpret_cast<void *>(~std::uintptr_t{0})), ws::SOCKET_ERROR);
    EXPECT_EQ(LastError(), ws::WSAEINVAL);
}

}  // namespace
}  // namespace wstest
