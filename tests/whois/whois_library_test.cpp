// The whois library: the query line, and searches against the scripted whois peer
// (tests/peers/start-whoisd.sh), checked against Debian's whois client on the same peer, plus the echo,
// discard and chargen services.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "core/error/last_error.h"
#include "core/library/core_state.h"
#include "tests/core/handler_window.h"
#include "tests/core/loopback.h"
#include "tests/core/peer_answers.h"
#include "tests/core/peers.h"
#include "tests/core/raw_tcp.h"
#include "whois/lib/whois_library.h"

namespace qs::test {
namespace {

TEST(WhoisQueryLineTest, PrefixKeywordAndLineBreak)
{
    struct Case {
        const char *keyword;
        std::int32_t type;
        const char *line;   // null: refused with 10014
    } cases[] = {
        {"example.test", kWhoisSearchAny, "example.test\r\n"},
        {"EX1234", kWhoisSearchHandle, "!EX1234\r\n"},
        {"Example Holder", kWhoisSearchName, ".Example Holder\r\n"},
        {"holder", kWhoisSearchMailbox, "@holder\r\n"},
        {"holder@example.test", kWhoisSearchMailbox, "holder@example.test\r\n"},
        {"@example.test", kWhoisSearchMailbox, "@example.test\r\n"},
        {"", kWhoisSearchAny, "\r\n"},
        {"", kWhoisSearchHandle, "!\r\n"},
        {"x", 4, nullptr},
        {"x", 7, nullptr},
        {"x", -1, nullptr},
        {nullptr, kWhoisSearchAny, nullptr},
    };
    for (const Case &c : cases) {
        char buffer[64];
        SetErrorCode(0);
        int length = WhoisQueryLine(c.keyword, c.type, buffer, sizeof buffer);
        if (c.line == nullptr) {
            EXPECT_EQ(length, -1) << c.type;
            EXPECT_EQ(GetErrorCode(), 0x8004271Eu);
        } else {
            ASSERT_GE(length, 0) << c.keyword;
            EXPECT_EQ(std::string(buffer, static_cast<std::size_t>(length)), c.line);
        }
    }
}

TEST(WhoisQueryLineTest, LineMustFitTheBufferAndTheCap)
{
    char small[8];
    EXPECT_EQ(WhoisQueryLine("abcde", kWhoisSearchHandle, small, sizeof small), 8);   // "!abcde\r\n"
    EXPECT_EQ(WhoisQueryLine("abcdef", kWhoisSearchHandle, small, sizeof small), -1);
    EXPECT_EQ(WhoisQueryLine("abcdef", kWhoisSearchAny, small, sizeof small), 8);

    std::vector<char> buffer(kWhoisQueryCap + 16);
    std::string keyword(kWhoisQueryCap - 2, 'k');
    EXPECT_EQ(WhoisQueryLine(keyword.c_str(), kWhoisSearchAny, buffer.data(), buffer.size()),
              static_cast<int>(kWhoisQueryCap));
    EXPECT_EQ(WhoisQueryLine(keyword.c_str(), kWhoisSearchName, buffer.data(), buffer.size()), -1);
    EXPECT_EQ(GetErrorCode(), 0x8004271Eu);
}

class WhoisLibraryTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(WhoisLibrary().LibraryInitialize(nullptr, nullptr), 1); }
    void TearDown() override { WhoisLibrary().LibraryUninitialize(); }

    // A blocking search: connect, search, read to the end.
    static std::string Search(int port, const char *keyword, std::int32_t type = kWhoisSearchAny,
                              int *last = nullptr, int size = 512)
    {
        ClientHandle handle = WhoisConnect("127.0.0.1", port, 10, 0, nullptr, 0);
        EXPECT_NE(handle, kNoHandle) << std::hex << GetErrorCode();
        if (handle == kNoHandle)
            return {};
        EXPECT_EQ(WhoisSearch(handle, keyword, type), 0) << std::hex << GetErrorCode();
        EXPECT_EQ(WhoisGetStatus(handle), kStateIdle);
        std::string answer = ReadToEnd(WhoisRead, handle, size, 64u << 20, last);
        WhoisDisconnect(handle);
        return answer;
    }
};

// Debian's whois client lower-cases queries and drops carriage returns; the peer's records have none
// and it matches keys without regard to case, so both clients must print the same bytes.
TEST_F(WhoisLibraryTest, AnswersMatchDebiansWhoisClient)
{
    QS_REQUIRE_PEER(port, "QS_PEER_WHOIS_PORT");
    QS_REQUIRE_PEER(referPort, "QS_PEER_WHOIS_REFER_PORT");
    struct Case {
        int port;
        const char *query;
    } cases[] = {
        {port, "example.test"}, {port, "127.0.0.1"}, {port, "AS64500"}, {port, "no-such.test"},
        {referPort, "example.test"},
    };
    for (const Case &c : cases) {
        bool ran = false;
        std::string debian =
            CommandOutput("whois -h 127.0.0.1 -p " + std::to_string(c.port) + " '" + c.query + "'", &ran);
        if (!ran)
            GTEST_SKIP() << "Debian's whois client is not installed";
        int last = -1;
        EXPECT_EQ(Search(c.port, c.query, kWhoisSearchAny, &last), debian) << c.query;
        EXPECT_EQ(last, 0);
    }
}

// The registry's answer names the registrar's server; the library hands it over and goes no further.
TEST_F(WhoisLibraryTest, ReferralIsNotFollowed)
{
    QS_REQUIRE_PEER(port, "QS_PEER_WHOIS_PORT");
    QS_REQUIRE_PEER(referPort, "QS_PEER_WHOIS_REFER_PORT");
    std::string answer = Search(port, "example.test");
    EXPECT_NE(answer.find("refer: 127.0.0.1:" + std::to_string(referPort) + "\n"), std::string::npos) << answer;
    EXPECT_EQ(answer.find("Registrant Name"), std::string::npos) << answer;
}

TEST_F(WhoisLibraryTest, SearchTypesReachTheServer)
{
    QS_REQUIRE_PEER(echo, "QS_PEER_ECHO_PORT");
    QS_REQUIRE_PEER(whois, "QS_PEER_WHOIS_PORT");
    struct Case {
        const char *keyword;
        std::int32_t type;
        const char *line;
    } cases[] = {
        {"EX1234", kWhoisSearchHandle, "!EX1234\r\n"},
        {"holder", kWhoisSearchMailbox, "@holder\r\n"},
        {"holder@example.test", kWhoisSearchMailbox, "holder@example.test\r\n"},
    };
    for (const Case &c : cases) {
        ClientHandle handle = WhoisConnect("127.0.0.1", echo, 5, 0, nullptr, 0);
        ASSERT_NE(handle, kNoHandle) << std::hex << GetErrorCode();
        ASSERT_EQ(WhoisSearch(handle, c.keyword, c.type), 0);
        std::string echoed;
        char buffer[64];
        while (echoed.size() < std::strlen(c.line)) {
            int n = WhoisRead(handle, buffer, sizeof buffer);
            ASSERT_GT(n, 0) << std::hex << GetErrorCode();
            echoed.append(buffer, static_cast<std::size_t>(n));
        }
        EXPECT_EQ(echoed, c.line);
        WhoisDisconnect(handle);
    }
    EXPECT_EQ(Search(whois, "Example Holder", kWhoisSearchName), "No match for \".Example Holder\".\n");

    ClientHandle handle = WhoisConnect("127.0.0.1", echo, 5, 0, nullptr, 0);
    ASSERT_NE(handle, kNoHandle);
    EXPECT_EQ(WhoisSearch(handle, "x", 7), -1);
    EXPECT_EQ(GetErrorCode(), 0x8004271Eu);
    EXPECT_EQ(WhoisGetStatus(handle), kStateIdle);
    WhoisDisconnect(handle);
}

TEST_F(WhoisLibraryTest, AsynchronousSearchRunsOnEvents)
{
    QS_REQUIRE_PEER(port, "QS_PEER_WHOIS_PORT");
    std::vector<std::uint32_t> events;
    std::string answer;
    ClientHandle handle = kNoHandle;
    HandlerWindow window([&](UINT message, WPARAM wParam, LPARAM lParam) {
        if (message != kControlEventMessage)
            return;
        EXPECT_EQ(static_cast<ClientHandle>(wParam), handle);
        EXPECT_EQ(HIWORD(static_cast<std::uintptr_t>(lParam)), 0);
        const std::uint32_t event = LOWORD(static_cast<std::uintptr_t>(lParam));
        events.push_back(event);
        if (event == kEventConnect) {
            EXPECT_EQ(WhoisSearch(handle, "example.test", kWhoisSearchAny), 0) << std::hex << GetErrorCode();
        } else if (event == kEventRead) {
            char buffer[64];
            int n = WhoisRead(handle, buffer, sizeof buffer);
            if (n > 0)
                answer.append(buffer, static_cast<std::size_t>(n));
        }
    });
    handle = WhoisConnect("127.0.0.1", port, 10, 0, window.hwnd(), kControlEventMessage);
    ASSERT_NE(handle, kNoHandle) << std::hex << GetErrorCode();
    auto closed = [&] { return !events.empty() && events.back() == kEventDisconnect; };
    ASSERT_TRUE(PumpUntil(closed));
    int lastRead = -1;
    answer += ReadToEnd(WhoisRead, handle, 512, 64u << 20, &lastRead);
    EXPECT_EQ(lastRead, 0) << std::hex << GetErrorCode();
    // Write notifications raise nothing: Connect, then reads, then the close.
    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(events.front(), kEventConnect);
    for (std::size_t i = 1; i + 1 < events.size(); ++i)
        EXPECT_EQ(events[i], kEventRead);
    EXPECT_EQ(answer, RawTcpExchange(port, "example.test\r\n", 1u << 20));
    WhoisDisconnect(handle);
}

TEST_F(WhoisLibraryTest, RefusedConnection)
{
    const int port = UnusedTcpPort();
    EXPECT_EQ(WhoisConnect("127.0.0.1", port, 5, 0, nullptr, 0), kNoHandle);
    EXPECT_EQ(GetErrorCode(), 0x8004274Du);

    // Asynchronously the refusal is the Connect event's error; the session stays for the caller to end.
    std::vector<LPARAM> events;
    HandlerWindow window([&](UINT message, WPARAM, LPARAM lParam) {
        if (message == kControlEventMessage)
            events.push_back(lParam);
    });
    ClientHandle handle = WhoisConnect("127.0.0.1", port, 5, 0, window.hwnd(), kControlEventMessage);
    ASSERT_NE(handle, kNoHandle) << std::hex << GetErrorCode();
    ASSERT_TRUE(PumpUntil([&] { return !events.empty(); }));
    EXPECT_EQ(events.front(), static_cast<LPARAM>((10061 << 16) | kEventConnect));
    EXPECT_EQ(GetErrorCode(), 0x8004274Du);
    EXPECT_EQ(WhoisGetStatus(handle), kStateConnecting);
    EXPECT_EQ(WhoisDisconnect(handle), 0);
}

TEST_F(WhoisLibraryTest, ConnectArgumentsAreChecked)
{
    HandlerWindow window;
    EXPECT_EQ(WhoisConnect("", 43, 5, 0, nullptr, 0), kNoHandle);
    EXPECT_EQ(GetErrorCode(), 0x80042AF9u);
    EXPECT_EQ(WhoisConnect("127.0.0.1", 43, 5, 0, reinterpret_cast<HWND>(0x7777), 2025), kNoHandle);
    EXPECT_EQ(GetErrorCode(), 0x8004271Eu);
    // The message is checked once the session is made; the failure leaves none behind.
    EXPECT_EQ(WhoisConnect("127.0.0.1", 43, 5, 0, window.hwnd(), 1023), kNoHandle);
    EXPECT_EQ(GetErrorCode(), 0x8004271Eu);
    EXPECT_EQ(WhoisGetStatus(HandleBase()), -1);
}

TEST_F(WhoisLibraryTest, SilentServerTimesOutWithoutEvents)
{
    QS_REQUIRE_PEER(port, "QS_PEER_DISCARD_PORT");
    ClientHandle handle = WhoisConnect("127.0.0.1", port, 2, 0, nullptr, 0);
    ASSERT_NE(handle, kNoHandle) << std::hex << GetErrorCode();
    std::vector<LPARAM> events;
    HandlerWindow window([&](UINT message, WPARAM, LPARAM lParam) {
        if (message == kControlEventMessage)
            events.push_back(lParam);
    });
    ASSERT_EQ(WhoisSetEventWindow(handle, window.hwnd(), kControlEventMessage, kEventTimeout | kEventCancel), 0);
    ASSERT_EQ(WhoisSearch(handle, "example.test", kWhoisSearchAny), 0);
    char buffer[16];
    EXPECT_EQ(WhoisRead(handle, buffer, sizeof buffer), -1);
    EXPECT_EQ(GetErrorCode(), 0x8004274Cu);
    EXPECT_EQ(WhoisGetStatus(handle), kStateIdle);
    EXPECT_TRUE(events.empty());

    // A negative time-out is kept, and ends the next wait at once.
    ASSERT_EQ(WhoisSetTimeout(handle, -1), 0);
    EXPECT_EQ(WhoisGetTimeout(handle), -1);
    EXPECT_EQ(WhoisRead(handle, buffer, sizeof buffer), -1);
    EXPECT_EQ(GetErrorCode(), 0x8004274Cu);
    EXPECT_EQ(WhoisSearch(handle, "x", kWhoisSearchAny), -1);   // even on a writable socket
    EXPECT_EQ(GetErrorCode(), 0x8004274Cu);
    EXPECT_EQ(WhoisGetStatus(handle), kStateIdle);
    ASSERT_EQ(WhoisSetTimeout(handle, 9999), 0);
    EXPECT_EQ(WhoisGetTimeout(handle), 600);
    WhoisDisconnect(handle);
}

TEST_F(WhoisLibraryTest, CancelFromAHandlerDuringABlockingRead)
{
    QS_REQUIRE_PEER(port, "QS_PEER_DISCARD_PORT");
    ClientHandle handle = WhoisConnect("127.0.0.1", port, 0, 0, nullptr, 0);
    ASSERT_NE(handle, kNoHandle) << std::hex << GetErrorCode();
    HandlerWindow window([&](UINT message, WPARAM, LPARAM) {
        if (message == WM_TIMER) {
            KillTimer(window.hwnd(), 1);
            EXPECT_EQ(WhoisIsBlocking(handle), 1);
            EXPECT_EQ(WhoisSearch(handle, "x", kWhoisSearchAny), -1);
            EXPECT_EQ(GetErrorCode(), 0x80042734u);
            EXPECT_EQ(WhoisCancel(handle), 0);
        }
    });
    SetTimer(window.hwnd(), 1, 100, nullptr);
    char buffer[16];
    EXPECT_EQ(WhoisRead(handle, buffer, sizeof buffer), -1);
    EXPECT_EQ(GetErrorCode(), 0x80042714u);
    EXPECT_EQ(WhoisSearch(handle, "x", kWhoisSearchAny), -1);
    EXPECT_EQ(GetErrorCode(), 0x80042714u);
    EXPECT_EQ(WhoisSearch(handle, "x", kWhoisSearchAny), 0);
    WhoisDisconnect(handle);
}

TEST_F(WhoisLibraryTest, HandleRules)
{
    QS_REQUIRE_PEER(port, "QS_PEER_WHOIS_PORT");
    ClientHandle handle = WhoisConnect("127.0.0.1", port, 5, 0, nullptr, 0);
    ASSERT_NE(handle, kNoHandle) << std::hex << GetErrorCode();
    std::thread([&] {
        EXPECT_EQ(WhoisSearch(handle, "example.test", kWhoisSearchAny), -1);
        EXPECT_EQ(GetErrorCode(), 0x80042711u);
        char buffer[8];
        EXPECT_EQ(WhoisRead(handle, buffer, sizeof buffer), -1);
        EXPECT_EQ(GetErrorCode(), 0x80042711u);
    }).join();
    EXPECT_EQ(WhoisDisconnect(handle), 0);
    EXPECT_EQ(WhoisSearch(handle, "example.test", kWhoisSearchAny), -1);
    EXPECT_EQ(GetErrorCode(), 0x80042736u);

    handle = WhoisConnect("127.0.0.1", port, 5, kOptionAnyThread, nullptr, 0);
    ASSERT_NE(handle, kNoHandle);
    std::string answer;
    std::thread([&] {
        EXPECT_EQ(WhoisSearch(handle, "AS64500", kWhoisSearchAny), 0);
        answer = ReadToEnd(WhoisRead, handle);
    }).join();
    EXPECT_NE(answer.find("aut-num:        AS64500"), std::string::npos) << answer;
    WhoisDisconnect(handle);
}

TEST_F(WhoisLibraryTest, EnormousBinaryAndEndlessAnswersArriveUnchanged)
{
    QS_REQUIRE_PEER(port, "QS_PEER_WHOIS_PORT");
    QS_REQUIRE_PEER(chargen, "QS_PEER_CHARGEN_PORT");
    int last = -1;
    std::string big = Search(port, "big.test", kWhoisSearchAny, &last, 65536);
    EXPECT_EQ(last, 0);
    EXPECT_TRUE(big == WhoisBigAnswer()) << big.size();
    std::string binary = Search(port, "binary.test", kWhoisSearchAny, &last, 1);
    EXPECT_EQ(last, 0);
    EXPECT_TRUE(binary == WhoisBinaryAnswer()) << binary.size();

    ClientHandle handle = WhoisConnect("127.0.0.1", chargen, 5, 0, nullptr, 0);
    ASSERT_NE(handle, kNoHandle) << std::hex << GetErrorCode();
    ASSERT_EQ(WhoisSearch(handle, "anything", kWhoisSearchAny), 0);
    std::string endless = ReadToEnd(WhoisRead, handle, 1000, 2u << 20, &last);
    EXPECT_GT(last, 0);
    EXPECT_TRUE(endless == RawTcpExchange(chargen, "anything\r\n", endless.size()));
    EXPECT_EQ(WhoisDisconnect(handle), 0);
}

}  // namespace
}  // namespace qs::test
