// The finger library against netkit in.fingerd (tests/peers/start-fingerd.sh), the echo, discard and
// chargen services and the scripted whois peer, which answers any query line the way a finger server
// would: it sends the record and closes.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "core/error/last_error.h"
#include "finger/lib/finger_library.h"
#include "tests/core/handler_window.h"
#include "tests/core/loopback.h"
#include "tests/core/peer_answers.h"
#include "tests/core/peers.h"
#include "tests/core/raw_tcp.h"

namespace qs::test {
namespace {

class FingerLibraryTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(FingerLibrary().LibraryInitialize(nullptr, nullptr), 1); }
    void TearDown() override { FingerLibrary().LibraryUninitialize(); }

    // A blocking query: connect, send `user`, read to the end.
    static std::string Query(int port, const char *user, int *last = nullptr, int size = 512)
    {
        ClientHandle handle = FingerConnect("127.0.0.1", port, 10, 0, nullptr, 0);
        EXPECT_NE(handle, kNoHandle) << std::hex << GetErrorCode();
        if (handle == kNoHandle)
            return {};
        EXPECT_EQ(FingerSendQuery(handle, user), 0) << std::hex << GetErrorCode();
        std::string answer = ReadToEnd(FingerRead, handle, size, 64u << 20, last);
        EXPECT_EQ(FingerGetStatus(handle), kStateIdle);
        FingerDisconnect(handle);
        return answer;
    }
};

TEST_F(FingerLibraryTest, DaemonShowsTheUsersPlan)
{
    QS_REQUIRE_PEER(port, "QS_PEER_FINGER_PORT");
    int last = -1;
    std::string answer = Query(port, "fingertest", &last);
    EXPECT_EQ(last, 0);
    EXPECT_NE(answer.find("Login: fingertest"), std::string::npos) << answer;
    EXPECT_NE(answer.find("Name: Finger Test User"), std::string::npos) << answer;
    EXPECT_NE(answer.find("Project:\r\nQuillstream finger tests\r\n"), std::string::npos) << answer;
    EXPECT_NE(answer.find("Plan:\r\nTesting the finger clients.\r\nSecond line of the plan.\r\n"), std::string::npos)
        << answer;
}

TEST_F(FingerLibraryTest, EmptyQueryAsksForTheUsersLoggedOn)
{
    QS_REQUIRE_PEER(port, "QS_PEER_FINGER_PORT");
    int last = -1;
    std::string answer = Query(port, "", &last);
    EXPECT_EQ(last, 0);
    EXPECT_FALSE(answer.empty());
    EXPECT_EQ(answer.find("Login: fingertest"), std::string::npos) << answer;
}

// The echo service sends back exactly what went on the wire.
TEST_F(FingerLibraryTest, QueryLineIsTheTextAndALineBreak)
{
    QS_REQUIRE_PEER(port, "QS_PEER_ECHO_PORT");
    for (const char *user : {"alice", "", "alice@example.test", "/W alice", "Zo\xC3\xAB"}) {
        ClientHandle handle = FingerConnect("127.0.0.1", port, 5, 0, nullptr, 0);
        ASSERT_NE(handle, kNoHandle) << std::hex << GetErrorCode();
        ASSERT_EQ(FingerSendQuery(handle, user), 0) << user;
        const std::string expected = std::string(user) + "\r\n";
        std::string echoed;
        char buffer[64];
        while (echoed.size() < expected.size()) {
            int n = FingerRead(handle, buffer, sizeof buffer);
            ASSERT_GT(n, 0) << std::hex << GetErrorCode();
            echoed.append(buffer, static_cast<std::size_t>(n));
        }
        EXPECT_EQ(echoed, expected);
        EXPECT_EQ(FingerGetStatus(handle), kStateIdle);
        FingerDisconnect(handle);
    }
}

TEST_F(FingerLibraryTest, AsynchronousQueryRunsOnEvents)
{
    QS_REQUIRE_PEER(port, "QS_PEER_FINGER_PORT");
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
            EXPECT_EQ(FingerSendQuery(handle, "fingertest"), 0) << std::hex << GetErrorCode();
        } else if (event == kEventRead) {
            char buffer[256];
            int n = FingerRead(handle, buffer, sizeof buffer);
            if (n > 0)
                answer.append(buffer, static_cast<std::size_t>(n));
        }
    });
    handle = FingerConnect("127.0.0.1", port, 10, 0, window.hwnd(), kControlEventMessage);
    ASSERT_NE(handle, kNoHandle) << std::hex << GetErrorCode();
    auto closed = [&] {
        for (std::uint32_t event : events) {
            if (event == kEventDisconnect)
                return true;
        }
        return false;
    };
    ASSERT_TRUE(PumpUntil(closed));
    // The data still waiting when the close arrives.
    answer += ReadToEnd(FingerRead, handle);
    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(events.front(), kEventConnect);
    EXPECT_EQ(events.back(), kEventDisconnect);
    for (std::size_t i = 1; i + 1 < events.size(); ++i)
        EXPECT_TRUE(events[i] == kEventRead || events[i] == kEventWrite) << events[i];
    EXPECT_NE(answer.find("Plan:\r\nTesting the finger clients."), std::string::npos) << answer;
    FingerDisconnect(handle);
}

TEST_F(FingerLibraryTest, RefusedConnection)
{
    const int port = UnusedTcpPort();
    EXPECT_EQ(FingerConnect("127.0.0.1", port, 5, 0, nullptr, 0), kNoHandle);
    EXPECT_EQ(GetErrorCode(), 0x8004274Du);

    // Asynchronously the refusal is the Connect event's error, and the library releases the session.
    std::vector<LPARAM> events;
    HandlerWindow window([&](UINT message, WPARAM, LPARAM lParam) {
        if (message == kControlEventMessage) {
            events.push_back(lParam);
            EXPECT_EQ(GetErrorCode(), 0x8004274Du);
        }
    });
    ClientHandle handle = FingerConnect("127.0.0.1", port, 5, 0, window.hwnd(), kControlEventMessage);
    ASSERT_NE(handle, kNoHandle) << std::hex << GetErrorCode();
    ASSERT_TRUE(PumpUntil([&] { return !events.empty(); }));
    EXPECT_EQ(events.front(), static_cast<LPARAM>((10061 << 16) | kEventConnect));
    EXPECT_EQ(FingerGetStatus(handle), -1);
}

TEST_F(FingerLibraryTest, ConnectArgumentsAreChecked)
{
    HandlerWindow window;
    struct Case {
        const char *host;
        HWND window;
        UINT message;
        std::uint32_t error;
    } cases[] = {
        {"", nullptr, 0, 0x80042AF9u},
        {nullptr, nullptr, 0, 0x80042AF9u},
        {"no-such-host.invalid", nullptr, 0, 0x80042AF9u},
        {"127.0.0.1", window.hwnd(), 1023, 0x8004271Eu},
        {"127.0.0.1", reinterpret_cast<HWND>(0x7777), kControlEventMessage, 0x8004271Eu},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(FingerConnect(c.host, 79, 5, 0, c.window, c.message), kNoHandle);
        EXPECT_EQ(GetErrorCode(), c.error) << (c.host != nullptr ? c.host : "(null)");
    }
}

TEST_F(FingerLibraryTest, SilentServerTimesOutAndRaisesTheTimeoutEvent)
{
    QS_REQUIRE_PEER(port, "QS_PEER_DISCARD_PORT");
    ClientHandle handle = FingerConnect("127.0.0.1", port, 2, 0, nullptr, 0);
    ASSERT_NE(handle, kNoHandle) << std::hex << GetErrorCode();
    ASSERT_EQ(FingerSendQuery(handle, "fingertest"), 0);
    char buffer[16];
    EXPECT_EQ(FingerRead(handle, buffer, sizeof buffer), -1);
    EXPECT_EQ(GetErrorCode(), 0x8004274Cu);
    EXPECT_EQ(FingerGetStatus(handle), kStateIdle);
    EXPECT_EQ(FingerIsBlocking(handle), 0);
    FingerDisconnect(handle);

    // A session given an event window afterwards sees the event the next time-out raises.
    handle = FingerConnect("127.0.0.1", port, 1, 0, nullptr, 0);
    ASSERT_NE(handle, kNoHandle);
    std::vector<LPARAM> events;
    HandlerWindow window([&](UINT message, WPARAM, LPARAM lParam) {
        if (message == kControlEventMessage)
            events.push_back(lParam);
    });
    ASSERT_EQ(FingerSetEventWindow(handle, window.hwnd(), kControlEventMessage, kEventTimeout | kEventCancel), 0);
    EXPECT_EQ(FingerRead(handle, buffer, sizeof buffer), -1);
    EXPECT_EQ(GetErrorCode(), 0x8004274Cu);
    EXPECT_EQ(events, std::vector<LPARAM>{kEventTimeout});
    FingerDisconnect(handle);
}

TEST_F(FingerLibraryTest, CancelFromAHandlerStaysPendingForOneMoreOperation)
{
    QS_REQUIRE_PEER(port, "QS_PEER_DISCARD_PORT");
    ClientHandle handle = FingerConnect("127.0.0.1", port, 0, 0, nullptr, 0);
    ASSERT_NE(handle, kNoHandle) << std::hex << GetErrorCode();
    ASSERT_EQ(FingerSetTimeout(handle, 0), 0);   // no limit: only the cancel ends the wait
    HandlerWindow window([&](UINT message, WPARAM, LPARAM) {
        if (message == WM_TIMER) {
            KillTimer(window.hwnd(), 1);
            EXPECT_EQ(FingerIsBlocking(handle), 1);
            EXPECT_EQ(FingerGetStatus(handle), kStateReading);
            // A second operation of the session inside the wait.
            EXPECT_EQ(FingerSendQuery(handle, "x"), -1);
            EXPECT_EQ(GetErrorCode(), 0x80042734u);
            EXPECT_EQ(FingerCancel(handle), 0);
        }
    });
    SetTimer(window.hwnd(), 1, 100, nullptr);
    char buffer[16];
    EXPECT_EQ(FingerRead(handle, buffer, sizeof buffer), -1);
    EXPECT_EQ(GetErrorCode(), 0x80042714u);
    // Still pending: the next operation fails at once and clears it; the one after that runs.
    EXPECT_EQ(FingerRead(handle, buffer, sizeof buffer), -1);
    EXPECT_EQ(GetErrorCode(), 0x80042714u);
    EXPECT_EQ(FingerSendQuery(handle, "after"), 0) << std::hex << GetErrorCode();
    ASSERT_EQ(FingerSetTimeout(handle, 1), 0);
    EXPECT_EQ(FingerRead(handle, buffer, sizeof buffer), -1);
    EXPECT_EQ(GetErrorCode(), 0x8004274Cu);
    FingerDisconnect(handle);
}

TEST_F(FingerLibraryTest, HandleRulesAndTimeoutLimits)
{
    QS_REQUIRE_PEER(port, "QS_PEER_DISCARD_PORT");
    ClientHandle handle = FingerConnect("127.0.0.1", port, 5, 0, nullptr, 0);
    ASSERT_NE(handle, kNoHandle) << std::hex << GetErrorCode();
    for (auto [given, stored] : {std::pair{-5, 0}, {700, 600}, {600, 600}, {3, 3}}) {
        EXPECT_EQ(FingerSetTimeout(handle, given), 0);
        EXPECT_EQ(FingerGetTimeout(handle), stored) << given;
    }
    char buffer[8];
    std::thread([&] {
        EXPECT_EQ(FingerRead(handle, buffer, sizeof buffer), -1);
        EXPECT_EQ(GetErrorCode(), 0x80042711u);
        EXPECT_EQ(FingerSendQuery(handle, "x"), -1);
        EXPECT_EQ(GetErrorCode(), 0x80042711u);
        // Status and cancellation are open to every thread.
        EXPECT_EQ(FingerGetStatus(handle), kStateIdle);
    }).join();
    EXPECT_EQ(FingerDisconnect(handle), 0);
    EXPECT_EQ(FingerRead(handle, buffer, sizeof buffer), -1);
    EXPECT_EQ(GetErrorCode(), 0x80042736u);
    EXPECT_EQ(FingerSendQuery(handle, "x"), -1);
    EXPECT_EQ(GetErrorCode(), 0x80042736u);
    EXPECT_EQ(FingerDisconnect(handle), -1);
}

TEST_F(FingerLibraryTest, AnyThreadSessionWorksElsewhere)
{
    QS_REQUIRE_PEER(port, "QS_PEER_FINGER_PORT");
    ClientHandle handle = FingerConnect("127.0.0.1", port, 10, kOptionAnyThread, nullptr, 0);
    ASSERT_NE(handle, kNoHandle) << std::hex << GetErrorCode();
    std::string answer;
    std::thread([&] {
        EXPECT_EQ(FingerSendQuery(handle, "fingertest"), 0);
        answer = ReadToEnd(FingerRead, handle);
    }).join();
    EXPECT_NE(answer.find("Finger Test User"), std::string::npos);
    FingerDisconnect(handle);
}

// Whatever a server sends reaches the caller as it came, however long or binary; an answer that never
// ends still returns with every read.
TEST_F(FingerLibraryTest, EnormousBinaryAndEndlessAnswersArriveUnchanged)
{
    QS_REQUIRE_PEER(whois, "QS_PEER_WHOIS_PORT");
    QS_REQUIRE_PEER(chargen, "QS_PEER_CHARGEN_PORT");
    int last = -1;
    std::string big = Query(whois, "big.test", &last, 4096);
    EXPECT_EQ(last, 0);
    EXPECT_TRUE(big == WhoisBigAnswer()) << big.size();
    std::string binary = Query(whois, "binary.test", &last, 7);
    EXPECT_EQ(last, 0);
    EXPECT_TRUE(binary == WhoisBinaryAnswer()) << binary.size();

    ClientHandle handle = FingerConnect("127.0.0.1", chargen, 5, 0, nullptr, 0);
    ASSERT_NE(handle, kNoHandle) << std::hex << GetErrorCode();
    ASSERT_EQ(FingerSendQuery(handle, ""), 0);
    std::string endless = ReadToEnd(FingerRead, handle, 1000, 2u << 20, &last);
    EXPECT_GT(last, 0);
    EXPECT_TRUE(endless == RawTcpExchange(chargen, "\r\n", endless.size())) << endless.substr(0, 200);
    EXPECT_EQ(FingerDisconnect(handle), 0);
}

}  // namespace
}  // namespace qs::test
