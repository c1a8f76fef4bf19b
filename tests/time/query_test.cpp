// The time query against the local time server, a silent one and scripted peers, and the clock.
#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "core/error/last_error.h"
#include "platform/base/window.h"
#include "tests/core/handler_window.h"
#include "tests/core/loopback.h"
#include "tests/core/peers.h"
#include "time/lib/time_library.h"

namespace qs {
namespace {

NetworkTime LocalNow() { return static_cast<NetworkTime>(std::time(nullptr)) + kEpochOffset; }

class QueryTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(TimeLibrary().LibraryInitialize(nullptr, nullptr), 1); }
    void TearDown() override { TimeLibrary().LibraryUninitialize(); }
};

// What `rdate -p -o PORT 127.0.0.1` says, as a network time; 0 when rdate is not there.
NetworkTime AskRdate(int port)
{
    std::string command = "TZ=UTC rdate -p -o " + std::to_string(port) + " 127.0.0.1 2>/dev/null";
    std::FILE *pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return 0;
    char line[128] = {};
    bool read = std::fgets(line, sizeof line, pipe) != nullptr;
    pclose(pipe);
    std::tm fields{};
    if (!read || strptime(line, "%a %b %d %H:%M:%S UTC %Y", &fields) == nullptr)
        return 0;
    return static_cast<NetworkTime>(timegm(&fields)) + kEpochOffset;
}

TEST_F(QueryTest, AnswersWithTheServersClock)
{
    QS_REQUIRE_PEER(port, "QS_PEER_TIME_PORT");
    NetworkTime before = LocalNow();
    NetworkTime time = GetNetworkTime("127.0.0.1", port, 5);
    ASSERT_NE(time, 0u) << std::hex << GetErrorCode();
    EXPECT_GE(time + 2, before);
    EXPECT_LE(time, LocalNow() + 2);
    EXPECT_NE(GetNetworkTime("localhost", port, 5), 0u);
    NetworkTime rdate = AskRdate(port);
    if (rdate == 0)
        GTEST_SKIP() << "rdate is not installed";
    // The same server clock; the two asks may straddle a second.
    EXPECT_LE(rdate - time, 2u);
}

TEST_F(QueryTest, SilentServerTimesOut)
{
    QS_REQUIRE_PEER(port, "QS_PEER_DISCARD_PORT");
    EXPECT_EQ(GetNetworkTime("127.0.0.1", port, 2), 0u);
    EXPECT_EQ(GetErrorCode(), 0x8004274Cu);
}

TEST_F(QueryTest, UnknownHostFails)
{
    EXPECT_EQ(GetNetworkTime("no-such-host.invalid", 37, 2), 0u);
    EXPECT_EQ(GetErrorCode(), 0x80042AF9u);
    EXPECT_EQ(GetNetworkTime("", 37, 2), 0u);
    EXPECT_EQ(GetErrorCode(), 0x80042AF9u);
}

const std::string kAnswer("\xD2\x3F\x4E\x80", 4);

TEST_F(QueryTest, ShortDatagramDoesNotEndTheWait)
{
    NetworkTime time = 0;
    std::string query;
    {
        test::ScriptedUdpPeer peer({std::string("\x01\x02", 2), kAnswer});
        time = GetNetworkTime("127.0.0.1", peer.port(), 5);
        query = peer.query();
    }
    EXPECT_EQ(time, 3527364224u);
    EXPECT_EQ(query, std::string(4, '\0'));
}

TEST_F(QueryTest, LongDatagramFailsWithItsError)
{
    test::ScriptedUdpPeer peer({kAnswer + "x"});
    EXPECT_EQ(GetNetworkTime("127.0.0.1", peer.port(), 5), 0u);
    EXPECT_EQ(GetErrorCode(), 0x80042738u);
}

TEST_F(QueryTest, MessagesAreDispatchedWhileWaiting)
{
    std::atomic<bool> handled{false};
    test::HandlerWindow window([&](UINT, WPARAM, LPARAM) { handled = true; });
    test::ScriptedUdpPeer peer({kAnswer}, &handled);
    PostMessage(window.hwnd(), WM_USER + 1, 0, 0);
    EXPECT_EQ(GetNetworkTime("127.0.0.1", peer.port(), 5), 3527364224u);
    EXPECT_TRUE(handled);
}

// The query pumps the application's messages; a quit request taken there must reach the application's
// own loop afterwards, or the program could never end.
TEST_F(QueryTest, QuitMessageIsNotSwallowedByTheWait)
{
    std::atomic<bool> handled{false};
    test::HandlerWindow window([&](UINT, WPARAM, LPARAM) { handled = true; });
    PostQuitMessage(7);
    PostMessage(window.hwnd(), WM_USER + 1, 0, 0);
    test::ScriptedUdpPeer peer({kAnswer});
    EXPECT_EQ(GetNetworkTime("127.0.0.1", peer.port(), 5), 3527364224u);
    MSG msg{};
    int quits = 0;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            ++quits;
            EXPECT_EQ(msg.wParam, 7u);
        } else {
            DispatchMessage(&msg);
        }
    }
    EXPECT_EQ(quits, 1);
}

TEST(SystemClockTest, SetsTheClockThroughTheRecordingClock)
{
    const std::filesystem::path record =
        std::filesystem::temp_directory_path() / ("qs-clock-" + std::to_string(getpid()));
    std::filesystem::remove(record);
    setenv("QS_CLOCK_RECORD", record.c_str(), 1);
    if (!EnablePrivilege("SeSystemtimePrivilege", SE_PRIVILEGE_ENABLED))
        GTEST_SKIP() << "this process may not set the clock";
    EnablePrivilege("SeSystemtimePrivilege", 0);
    EXPECT_EQ(SetSystemClock(3527364224u), 1);
    unsetenv("QS_CLOCK_RECORD");
    std::ifstream in(record);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "2011-10-11 23:23:44.000");
    std::filesystem::remove(record);
}

TEST(SystemClockTest, UnknownPrivilegeIsRefused) { EXPECT_EQ(EnablePrivilege("SeNoSuchPrivilege", 2), 0); }

}  // namespace
}  // namespace qs
