// The session pattern against the local servers: echo (both modes), discard (never answers) and a port
// where nothing listens.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "core/error/last_error.h"
#include "core/host/host_address.h"
#include "core/library/core_state.h"
#include "tests/core/handler_window.h"
#include "tests/core/loopback.h"
#include "tests/core/peers.h"
#include "tests/core/test_library.h"

namespace qs::test {
namespace {

constexpr int kPumpRounds = 200;   // bound on 50 ms waits for an event

class SessionNetworkTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(TestLibrary().LibraryInitialize(nullptr, nullptr), 1); }
    void TearDown() override { TestLibrary().LibraryUninitialize(); }

    // Reads until `size` bytes came or the connection ended.
    static std::string ReadAll(ClientHandle handle, std::size_t size)
    {
        std::string data;
        char buffer[64];
        while (data.size() < size) {
            int n = TestLibrary().SessionRead(handle, buffer, sizeof buffer);
            if (n <= 0)
                break;
            data.append(buffer, static_cast<std::size_t>(n));
        }
        return data;
    }
};

// Pumps until `done` or the bound of rounds.
template <class Done>
bool PumpUntil(Done done)
{
    for (int round = 0; round < kPumpRounds && !done(); ++round) {
        QsWaitForMessages(nullptr, 0, 50);
        MSG msg;
        while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessage(&msg);
        }
    }
    return done();
}

TEST_F(SessionNetworkTest, BlockingEchoRoundTrip)
{
    QS_REQUIRE_PEER(port, "QS_PEER_ECHO_PORT");
    ClientHandle handle = TestLibrary().SessionConnect("127.0.0.1", port, 5, 0, nullptr, 0);
    ASSERT_NE(handle, kNoHandle) << std::hex << GetErrorCode();
    EXPECT_EQ(TestLibrary().SessionGetStatus(handle), kStateIdle);
    EXPECT_TRUE(TestLibrary().Lookup(handle)->connected);
    const std::string line = "hello, echo\r\n";
    EXPECT_EQ(TestLibrary().SessionWrite(handle, line.data(), static_cast<int>(line.size())),
              static_cast<int>(line.size()));
    DWORD waiting = 0;
    EXPECT_EQ(TestLibrary().SessionIsReadable(handle, 5, &waiting), 1);
    EXPECT_GT(waiting, 0u);
    EXPECT_EQ(ReadAll(handle, line.size()), line);

    std::uint32_t address = 0;
    int localPort = 0;
    EXPECT_EQ(GetLocalEndpoint(TestLibrary(), handle, &address, &localPort), 0);
    EXPECT_EQ(address, 0x0100007Fu);
    EXPECT_GT(localPort, 0);
    EXPECT_EQ(TestLibrary().SessionDisconnect(handle), 0);
    EXPECT_EQ(TestLibrary().SessionGetStatus(handle), -1);
}

TEST_F(SessionNetworkTest, AnyThreadSessionIsUsableElsewhere)
{
    QS_REQUIRE_PEER(port, "QS_PEER_ECHO_PORT");
    ClientHandle handle = TestLibrary().SessionConnect("localhost", port, 5, kOptionAnyThread, nullptr, 0);
    ASSERT_NE(handle, kNoHandle) << std::hex << GetErrorCode();
    std::string echoed;
    std::thread([&] {
        EXPECT_EQ(TestLibrary().SessionWrite(handle, "ab", 2), 2);
        echoed = ReadAll(handle, 2);
    }).join();
    EXPECT_EQ(echoed, "ab");
    TestLibrary().SessionDisconnect(handle);
}

TEST_F(SessionNetworkTest, AsynchronousEchoThroughEvents)
{
    QS_REQUIRE_PEER(port, "QS_PEER_ECHO_PORT");
    std::string echoed;
    bool closed = false;
    ClientHandle handle = kNoHandle;
    HandlerWindow window([&](UINT message, WPARAM wParam, LPARAM lParam) {
        if (message != kControlEventMessage)
            return;
        EXPECT_EQ(static_cast<ClientHandle>(wParam), handle);
        EXPECT_EQ(HIWORD(static_cast<std::uintptr_t>(lParam)), 0);
        switch (LOWORD(static_cast<std::uintptr_t>(lParam))) {
        case kEventConnect:
            EXPECT_EQ(TestLibrary().SessionWrite(handle, "ping", 4), 4);
            break;
        case kEventRead: {
            char buffer[16];
            int n = TestLibrary().SessionRead(handle, buffer, sizeof buffer);
            if (n > 0)
                echoed.append(buffer, static_cast<std::size_t>(n));
            break;
        }
        case kEventDisconnect:
            closed = true;
            break;
        }
    });
    handle = TestLibrary().SessionConnect("127.0.0.1", port, 5, 0, window.hwnd(), kControlEventMessage);
    ASSERT_NE(handle, kNoHandle) << std::hex << GetErrorCode();
    EXPECT_NE(reinterpret_cast<WNDPROC>(GetWindowLongPtr(window.hwnd(), GWLP_WNDPROC)), HandlerWindow::OwnProc());
    ASSERT_TRUE(PumpUntil([&] { return echoed.size() >= 4; }));
    EXPECT_EQ(echoed, "ping");
    EXPECT_TRUE(TestLibrary().Lookup(handle)->connected);
    EXPECT_FALSE(closed);
    TestLibrary().SessionDisconnect(handle);
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtr(window.hwnd(), GWLP_WNDPROC)), HandlerWindow::OwnProc());
}

TEST_F(SessionNetworkTest, SilentServerTimesOut)
{
    QS_REQUIRE_PEER(port, "QS_PEER_DISCARD_PORT");
    ClientHandle handle = TestLibrary().SessionConnect("127.0.0.1", port, 2, 0, nullptr, 0);
    ASSERT_NE(handle, kNoHandle) << std::hex << GetErrorCode();
    char buffer[8];
    EXPECT_EQ(TestLibrary().SessionRead(handle, buffer, sizeof buffer), -1);
    EXPECT_EQ(GetErrorCode(), 0x8004274Cu);
    EXPECT_EQ(TestLibrary().SessionGetStatus(handle), kStateIdle);
    TestLibrary().SessionDisconnect(handle);
}

TEST_F(SessionNetworkTest, TimerHandlerCancelsAWaitingRead)
{
    QS_REQUIRE_PEER(port, "QS_PEER_DISCARD_PORT");
    ClientHandle handle = TestLibrary().SessionConnect("127.0.0.1", port, 0, 0, nullptr, 0);
    ASSERT_NE(handle, kNoHandle) << std::hex << GetErrorCode();
    EXPECT_EQ(TestLibrary().SessionGetTimeout(handle), 60);
    TestLibrary().SessionSetTimeout(handle, 0);   // no limit: only the cancel ends the wait
    HandlerWindow window([&](UINT message, WPARAM, LPARAM) {
        if (message == WM_TIMER) {
            KillTimer(window.hwnd(), 1);
            EXPECT_EQ(TestLibrary().SessionIsBlocking(handle), 1);
            EXPECT_EQ(TestLibrary().SessionCancel(handle), 0);
        }
    });
    SetTimer(window.hwnd(), 1, 100, nullptr);
    char buffer[8];
    EXPECT_EQ(TestLibrary().SessionRead(handle, buffer, sizeof buffer), -1);
    EXPECT_EQ(GetErrorCode(), 0x80042714u);
    TestLibrary().SessionDisconnect(handle);
}

TEST_F(SessionNetworkTest, RefusedAndUnknownHostsLeaveNoSession)
{
    ClientHandle handle = TestLibrary().SessionConnect("127.0.0.1", UnusedTcpPort(), 5, 0, nullptr, 0);
    EXPECT_EQ(handle, kNoHandle);
    EXPECT_EQ(GetErrorCode(), 0x8004274Du);
    EXPECT_EQ(TestLibrary().SessionConnect("no-such-host.invalid", 7, 5, 0, nullptr, 0), kNoHandle);
    EXPECT_EQ(GetErrorCode(), 0x80042AF9u);
    EXPECT_EQ(TestLibrary().SessionConnect("", 7, 5, 0, nullptr, 0), kNoHandle);
    EXPECT_EQ(GetErrorCode(), 0x80042AF9u);
    // The table holds nothing: the next session takes the first handle.
    ClientHandle first = TestLibrary().NewSession();
    EXPECT_EQ(first, HandleBase());
    TestLibrary().ReleaseSession(first);
}

}  // namespace
}  // namespace qs::test
