// The blocking wait: its one-second rounds and remainder, message pumping, quit and thread messages,
// cancellation from inside the wait, nesting, and sets it must refuse.
#include <gtest/gtest.h>

#include "core/net/blocking_flags.h"
#include "core/net/fd_set.h"
#include "core/net/socket_api.h"
#include "tests/core/fake_network.h"
#include "tests/core/handler_window.h"

namespace qs::test {
namespace {

constexpr ws::SOCKET kSocket = 9;
constexpr UINT kPoke = WM_USER + 7;

class BlockingSelectTest : public FakeNetworkTest {
  protected:
    void SetUp() override
    {
        FakeNetworkTest::SetUp();
        FdZero(&read_);
        FdAdd(kSocket, &read_);
    }

    // The time-outs of the selects the socket module saw, as {seconds, microseconds}.
    std::vector<std::pair<int, int>> Slices() const
    {
        std::vector<std::pair<int, int>> slices;
        for (const FakeSelectCall &call : fake_->selects)
            slices.emplace_back(call.seconds, call.micros);
        return slices;
    }

    ws::fd_set read_{};
};

using SliceList = std::vector<std::pair<int, int>>;

TEST_F(BlockingSelectTest, WaitsInOneSecondRoundsThenTheRemainder)
{
    const ws::timeval timeout{2, 500000};
    EXPECT_EQ(BlockingSelect(0, &read_, nullptr, nullptr, &timeout), 0);
    EXPECT_EQ(Slices(), (SliceList{{1, 0}, {1, 0}, {0, 500000}}));
    EXPECT_EQ(fake_->selects[0].readCount, 1u);
    EXPECT_EQ(IsBlockingCall(), 0);
}

TEST_F(BlockingSelectTest, ReadySocketEndsTheWaitAndKeepsTheSet)
{
    fake_->selectResult = 1;
    const ws::timeval timeout{5, 0};
    EXPECT_EQ(BlockingSelect(0, &read_, nullptr, nullptr, &timeout), 1);
    EXPECT_EQ(Slices(), (SliceList{{1, 0}}));
    EXPECT_TRUE(FdIsSet(kSocket, &read_));
}

TEST_F(BlockingSelectTest, ZeroTimeoutIsOnePoll)
{
    const ws::timeval poll{0, 0};
    EXPECT_EQ(BlockingSelect(0, &read_, nullptr, nullptr, &poll), 0);
    EXPECT_EQ(Slices(), (SliceList{{0, 0}}));
}

TEST_F(BlockingSelectTest, SelectErrorSurvivesTheWait)
{
    fake_->selectResult = -1;
    fake_->selectError = ws::WSAENOTSOCK;
    const ws::timeval timeout{3, 0};
    EXPECT_EQ(BlockingSelect(0, &read_, nullptr, nullptr, &timeout), -1);
    EXPECT_EQ(sock::WSAGetLastError(), ws::WSAENOTSOCK);
    EXPECT_EQ(fake_->selects.size(), 1u);
}

TEST_F(BlockingSelectTest, QuitMessageEndsTheWaitAfterTheCurrentRoundAndStaysQueued)
{
    PostQuitMessage(3);
    const ws::timeval timeout{2, 500000};
    EXPECT_EQ(BlockingSelect(0, &read_, nullptr, nullptr, &timeout), 0);
    EXPECT_EQ(Slices(), (SliceList{{1, 0}}));
    MSG msg;
    ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(msg.wParam, 3u);
}

TEST_F(BlockingSelectTest, WindowMessagesAreDispatchedThreadMessagesLeftQueued)
{
    HandlerWindow window;
    PostMessage(window.hwnd(), kPoke, 1, 2);
    PostMessage(nullptr, kPoke, 3, 4);
    const ws::timeval timeout{2, 0};
    EXPECT_EQ(BlockingSelect(0, &read_, nullptr, nullptr, &timeout), 0);
    ASSERT_EQ(window.received().size(), 1u);
    EXPECT_EQ(window.received()[0].wParam, 1u);
    EXPECT_EQ(fake_->selects.size(), 2u);
    MSG msg;
    ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, nullptr);
    EXPECT_EQ(msg.wParam, 3u);
}

// Ways a handler running inside the wait ends it: each leaves -1, 10004 and emptied caller sets.
struct CancelCase {
    const char *name;
    void (*arm)(HWND window);            // makes the handler run soon
    void (*handler)();                   // what the handler does
};

const CancelCase kCancelCases[] = {
    {"PostedMessageCancels", [](HWND w) { PostMessage(w, kPoke, 0, 0); }, [] { EXPECT_EQ(CancelBlockingCall(), 0); }},
    {"TimerCancels", [](HWND w) { SetTimer(w, 1, 1, nullptr); }, [] { EXPECT_EQ(CancelBlockingCall(), 0); }},
    {"ClosingTheSocketCancels", [](HWND w) { PostMessage(w, kPoke, 0, 0); }, [] { sock::closesocket(kSocket); }},
};

class CancelInsideWait : public BlockingSelectTest, public ::testing::WithParamInterface<CancelCase> {};

TEST_P(CancelInsideWait, EndsWithCanceledAndEmptySets)
{
    int handled = 0;
    HandlerWindow window([&](UINT, WPARAM, LPARAM) {
        if (handled++ == 0)
            GetParam().handler();
    });
    GetParam().arm(window.hwnd());
    ws::fd_set write;
    FdZero(&write);
    FdAdd(kSocket, &write);
    EXPECT_EQ(BlockingSelect(0, &read_, &write, nullptr, nullptr), -1);
    EXPECT_EQ(sock::WSAGetLastError(), ws::WSAEINTR);
    EXPECT_EQ(read_.fd_count, 0u);
    EXPECT_EQ(write.fd_count, 0u);
    EXPECT_EQ(IsBlockingCall(), 0);
    KillTimer(window.hwnd(), 1);
}

INSTANTIATE_TEST_SUITE_P(Handlers, CancelInsideWait, ::testing::ValuesIn(kCancelCases),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(BlockingSelectTest, ClosingShutsSendingDownFirst)
{
    HandlerWindow window([](UINT, WPARAM, LPARAM) { sock::closesocket(kSocket); });
    PostMessage(window.hwnd(), kPoke, 0, 0);
    EXPECT_EQ(BlockingSelect(0, &read_, nullptr, nullptr, nullptr), -1);
    EXPECT_EQ(fake_->calls,
              (std::vector<std::string>{"getsockopt 9 2", "shutdown 9 1", "closesocket 9"}));
}

TEST_F(BlockingSelectTest, SecondWaitInsideAHandlerFailsWithInProgress)
{
    int nested = 0, nestedError = 0;
    HandlerWindow window([&](UINT, WPARAM, LPARAM) {
        ws::fd_set set;
        FdZero(&set);
        const ws::timeval timeout{1, 0};
        nested = BlockingSelect(0, &set, nullptr, nullptr, &timeout);
        nestedError = sock::WSAGetLastError();
        EXPECT_EQ(IsBlockingCall(), 1);
    });
    PostMessage(window.hwnd(), kPoke, 0, 0);
    const ws::timeval timeout{1, 0};
    EXPECT_EQ(BlockingSelect(0, &read_, nullptr, nullptr, &timeout), 0);
    EXPECT_EQ(nested, -1);
    EXPECT_EQ(nestedError, ws::WSAEINPROGRESS);
    EXPECT_EQ(fake_->selects.size(), 1u);
}

TEST_F(BlockingSelectTest, CancelWithoutAWaitFails)
{
    EXPECT_EQ(CancelBlockingCall(), -1);
    EXPECT_EQ(sock::WSAGetLastError(), ws::WSAEINVAL);
}

TEST_F(BlockingSelectTest, SetsBeyondTheirCapacityAreRefused)
{
    ws::fd_set oversized{};
    oversized.fd_count = kFdSetCapacity + 1;
    const ws::timeval timeout{1, 0};
    EXPECT_EQ(BlockingSelect(0, nullptr, &oversized, nullptr, &timeout), -1);
    EXPECT_EQ(sock::WSAGetLastError(), ws::WSAEINVAL);
    EXPECT_TRUE(fake_->selects.empty());
    EXPECT_EQ(oversized.fd_count, kFdSetCapacity + 1u);
}

TEST_F(BlockingSelectTest, ThreadWithoutPumpingWaitsInOnePlainSelect)
{
    HandlerWindow window;
    PostMessage(window.hwnd(), kPoke, 0, 0);
    SetBlockingPumpDisabled(true);
    const ws::timeval timeout{2, 500000};
    EXPECT_EQ(BlockingSelect(0, &read_, nullptr, nullptr, &timeout), 0);
    SetBlockingPumpDisabled(false);
    EXPECT_EQ(Slices(), (SliceList{{2, 500000}}));
    EXPECT_TRUE(window.received().empty());
}

}  // namespace
}  // namespace qs::test
