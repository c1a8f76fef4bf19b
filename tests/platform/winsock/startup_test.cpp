// Loading by name, the exports the core binds, start-up and clean-up.
#include "tests/platform/winsock/fixture.h"

#include <cstring>
#include <thread>

namespace wstest {
namespace {

TEST(WinsockModule, ExportsEveryNameTheCoreBinds)
{
    const WsApi &api = Ws();
    ASSERT_NE(api.module, nullptr);
#define QS_WS_PRESENT(name) EXPECT_NE(reinterpret_cast<void *>(api.name), nullptr) << #name;
    QS_WS_EXPORTS(QS_WS_PRESENT)
#undef QS_WS_PRESENT
}

TEST(WinsockModule, CallsBeforeStartupFailWithNotInitialised)
{
    const WsApi &api = Ws();
    ASSERT_NE(api.module, nullptr);
    api.WSASetLastError(0);
    EXPECT_EQ(api.socket(wsc::kAfInet, ws::SOCK_STREAM, 0), ws::INVALID_SOCKET);
    EXPECT_EQ(api.WSAGetLastError(), ws::WSANOTINITIALISED);
    api.WSASetLastError(0);
    EXPECT_EQ(api.gethostbyname("localhost"), nullptr);
    EXPECT_EQ(api.WSAGetLastError(), ws::WSANOTINITIALISED);
    ws::fd_set set{};
    set.fd_count = 1;
    api.WSASetLastError(0);
    EXPECT_EQ(api.select(0, &set, nullptr, nullptr, nullptr), ws::SOCKET_ERROR);
    EXPECT_EQ(api.WSAGetLastError(), ws::WSANOTINITIALISED);
    api.WSASetLastError(0);
    EXPECT_EQ(api.closesocket(0), ws::SOCKET_ERROR);
    EXPECT_EQ(api.WSAGetLastError(), ws::WSANOTINITIALISED);
    EXPECT_EQ(api.WSACleanup(), ws::SOCKET_ERROR);
    EXPECT_EQ(api.WSAGetLastError(), ws::WSANOTINITIALISED);
    // Conversions need no start-up.
    EXPECT_EQ(api.htonl(0x01020304), 0x04030201u);
    EXPECT_EQ(api.inet_addr("127.0.0.1"), 0x0100007Fu);
}

TEST(WinsockModule, VersionNegotiation)
{
    const WsApi &api = Ws();
    ASSERT_NE(api.module, nullptr);
    struct Case {
        ws::WORD requested;  // low byte major, high byte minor
        int result;
        ws::WORD granted;
    };
    const Case cases[] = {
        {0x0202, 0, 0x0202}, {0x0303, 0, 0x0202}, {0x0302, 0, 0x0202}, {0x0101, 0, 0x0101},
        {0x0002, 0, 0x0002}, {0x0102, 0, 0x0102}, {0x0001, ws::WSAVERNOTSUPPORTED, 0x0202},
        {0x0000, ws::WSAVERNOTSUPPORTED, 0x0202}, {0x0100, ws::WSAVERNOTSUPPORTED, 0x0202},
    };
    for (const Case &c : cases) {
        ws::WSADATA data{};
        EXPECT_EQ(api.WSAStartup(c.requested, &data), c.result) << std::hex << c.requested;
        EXPECT_EQ(data.wVersion, c.granted) << std::hex << c.requested;
        EXPECT_EQ(data.wHighVersion, 0x0202);
        EXPECT_STREQ(data.szDescription, "Quillstream Sockets 2.2");
        EXPECT_STREQ(data.szSystemStatus, "Running");
        if (c.result == 0) {
            EXPECT_EQ(api.WSACleanup(), 0);
        }
    }
    EXPECT_EQ(api.WSAStartup(0x0202, nullptr), ws::WSAEFAULT);
    EXPECT_EQ(api.WSACleanup(), ws::SOCKET_ERROR);  // none of the failures counted
}

TEST(WinsockModule, StartsAreCountedAndTheLastCleanupClosesSockets)
{
    const WsApi &api = Ws();
    ASSERT_NE(api.module, nullptr);
    ws::WSADATA data{};
    ASSERT_EQ(api.WSAStartup(0x0202, &data), 0);
    ASSERT_EQ(api.WSAStartup(0x0202, &data), 0);
    ws::SOCKET s = api.socket(wsc::kAfInet, ws::SOCK_STREAM, 0);
    ASSERT_NE(s, ws::INVALID_SOCKET);
    EXPECT_EQ(api.WSACleanup(), 0);
    int type = 0;
    int length = sizeof(type);
    EXPECT_EQ(api.getsockopt(s, wsc::kSolSocket, wsc::kSoType, reinterpret_cast<char *>(&type), &length), 0);
    EXPECT_EQ(type, ws::SOCK_STREAM);
    EXPECT_EQ(api.WSACleanup(), 0);
    ASSERT_EQ(api.WSAStartup(0x0202, &data), 0);
    EXPECT_EQ(api.closesocket(s), ws::SOCKET_ERROR);
    EXPECT_EQ(api.WSAGetLastError(), ws::WSAENOTSOCK);
    EXPECT_EQ(api.WSACleanup(), 0);
}

TEST(WinsockModule, LastErrorIsPerThread)
{
    const WsApi &api = Ws();
    ASSERT_NE(api.module, nullptr);
    api.WSASetLastError(10061);
    int other = -1;
    std::thread([&] { other = api.WSAGetLastError(); }).join();
    EXPECT_EQ(other, 0);
    EXPECT_EQ(api.WSAGetLastError(), 10061);
}

}  // namespace
}  // namespace wstest
