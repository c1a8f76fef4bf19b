// The handle table and the session operations that need no connection.
#include <gtest/gtest.h>

#include <set>
#include <thread>

#include "core/error/last_error.h"
#include "core/library/core_state.h"
#include "tests/core/fake_network.h"
#include "tests/core/handler_window.h"

namespace qs::test {
namespace {

using SessionsTest = FakeNetworkTest;

ErrorCode ErrorOnOtherThread(std::function<void()> action)
{
    ErrorCode code = 0;
    std::thread([&] {
        action();
        code = GetErrorCode();
    }).join();
    return code;
}

TEST_F(SessionsTest, FirstHandleIsTheBaseAndFreedHandlesAreReused)
{
    ClientHandle first = TestLibrary().NewSession();
    EXPECT_EQ(first, HandleBase());
    EXPECT_GE(first, 1024);
    EXPECT_LE(first, 1279);
    ClientHandle second = TestLibrary().NewSession();
    EXPECT_EQ(second, first + 1);
    TestLibrary().ReleaseSession(first);
    EXPECT_EQ(TestLibrary().NewSession(), first);
    EXPECT_EQ(TestLibrary().NewSession(), second + 1);
}

TEST_F(SessionsTest, TableGrowsPast256AndKeepsEveryHandle)
{
    std::vector<ClientHandle> handles;
    for (int i = 0; i < 257; ++i) {
        handles.push_back(TestLibrary().NewSession());
        TestLibrary().Lookup(handles.back())->note = std::to_string(i);
    }
    for (int i = 0; i < 257; ++i) {
        EXPECT_EQ(handles[i], HandleBase() + i);
        TestSession *session = TestLibrary().Lookup(handles[i]);
        ASSERT_NE(session, nullptr);
        EXPECT_EQ(session->note, std::to_string(i));
        EXPECT_EQ(session->timeout, 60);
        EXPECT_EQ(session->socket, ws::INVALID_SOCKET);
    }
}

TEST_F(SessionsTest, AnotherThreadIsRefusedUnlessAnyThread)
{
    ClientHandle handle = TestLibrary().NewSession();
    EXPECT_EQ(ErrorOnOtherThread([&] { EXPECT_EQ(TestLibrary().LookupSession(handle), nullptr); }), 0x80042711u);
    EXPECT_EQ(ErrorOnOtherThread([&] { EXPECT_EQ(TestLibrary().SessionSetTimeout(handle, 5), -1); }), 0x80042711u);
    // Status and cancellation may come from anywhere.
    ErrorOnOtherThread([&] {
        EXPECT_EQ(TestLibrary().SessionGetStatus(handle), kStateUnused);
        EXPECT_EQ(TestLibrary().SessionCancel(handle), 0);
    });
    EXPECT_TRUE(TestLibrary().Lookup(handle)->cancel);

    TestLibrary().Lookup(handle)->options = kOptionAnyThread;
    ErrorOnOtherThread([&] { EXPECT_EQ(TestLibrary().SessionSetTimeout(handle, 5), 0); });
    EXPECT_EQ(TestLibrary().SessionGetTimeout(handle), 5);
}

TEST_F(SessionsTest, ReleasingAStaleHandleKeepsTheThreadsError)
{
    ClientHandle handle = TestLibrary().NewSession();
    TestLibrary().ReleaseSession(handle);
    SetErrorCode(ws::WSAETIMEDOUT);
    TestLibrary().ReleaseSession(handle);
    TestLibrary().ReleaseSession(handle + 300);
    EXPECT_EQ(GetErrorCode(), 0x8004274Cu);
    EXPECT_EQ(TestLibrary().LookupSession(handle), nullptr);
    EXPECT_EQ(GetErrorCode(), 0x80042736u);
}

TEST_F(SessionsTest, NoSessionWithoutAStartedNetwork)
{
    TestLibrary().LibraryUninitialize();
    CoreStart(nullptr);
    EXPECT_EQ(TestLibrary().NewSession(), kNoHandle);
    EXPECT_EQ(GetErrorCode(), 0x8004276Du);
    CoreStop();
}

TEST_F(SessionsTest, TimeoutIsCappedAndNegativeKept)
{
    ClientHandle handle = TestLibrary().NewSession();
    EXPECT_EQ(TestLibrary().SessionSetTimeout(handle, 900), 0);
    EXPECT_EQ(TestLibrary().SessionGetTimeout(handle), 600);
    EXPECT_EQ(TestLibrary().SessionSetTimeout(handle, -1), 0);
    EXPECT_EQ(TestLibrary().SessionGetTimeout(handle), -1);
}

TEST_F(SessionsTest, CancelWithoutAWaitFails)
{
    EXPECT_EQ(TestLibrary().SessionCancel(kNoHandle), -1);
    EXPECT_EQ(GetErrorCode(), 0x80042EE9u);
    EXPECT_EQ(TestLibrary().SessionIsBlocking(kNoHandle), 0);
}

// A blocking read on a session whose socket the recording module owns.
class BlockingReadTest : public SessionsTest {
  protected:
    void SetUp() override
    {
        SessionsTest::SetUp();
        handle_ = TestLibrary().NewSession();
        TestLibrary().Lookup(handle_)->socket = 9;
    }
    int Read()
    {
        char buffer[16];
        return TestLibrary().SessionRead(handle_, buffer, sizeof buffer);
    }
    ClientHandle handle_ = kNoHandle;
};

TEST_F(BlockingReadTest, TimesOutAfterItsRounds)
{
    TestLibrary().SessionSetTimeout(handle_, 2);
    EXPECT_EQ(Read(), -1);
    EXPECT_EQ(GetErrorCode(), 0x8004274Cu);
    EXPECT_EQ(fake_->selects.size(), 2u);
    EXPECT_EQ(TestLibrary().SessionGetStatus(handle_), kStateIdle);
    EXPECT_FALSE(TestLibrary().Lookup(handle_)->blocking);
}

TEST_F(BlockingReadTest, NegativeTimeoutEndsAtOnce)
{
    TestLibrary().SessionSetTimeout(handle_, -1);
    EXPECT_EQ(Read(), -1);
    EXPECT_EQ(GetErrorCode(), 0x8004274Cu);
    EXPECT_TRUE(fake_->selects.empty());
}

TEST_F(BlockingReadTest, PendingCancelFailsOnceAndIsCleared)
{
    TestLibrary().SessionCancel(handle_);
    EXPECT_EQ(Read(), -1);
    EXPECT_EQ(GetErrorCode(), 0x80042714u);
    EXPECT_FALSE(TestLibrary().Lookup(handle_)->cancel);
    EXPECT_TRUE(fake_->selects.empty());
}

TEST_F(BlockingReadTest, OperationWhileAnotherWaitsIsRefused)
{
    TestLibrary().Lookup(handle_)->blocking = true;
    EXPECT_EQ(TestLibrary().SessionIsBlocking(handle_), 1);
    EXPECT_EQ(Read(), -1);
    EXPECT_EQ(GetErrorCode(), 0x80042734u);
}

TEST_F(BlockingReadTest, CancelFromAHandlerEndsTheWaitAndStaysPending)
{
    HandlerWindow window([&](UINT, WPARAM, LPARAM) { EXPECT_EQ(TestLibrary().SessionCancel(handle_), 0); });
    PostMessage(window.hwnd(), WM_USER, 0, 0);
    TestLibrary().SessionSetTimeout(handle_, 0);
    EXPECT_EQ(Read(), -1);
    EXPECT_EQ(GetErrorCode(), 0x80042714u);
    EXPECT_TRUE(TestLibrary().Lookup(handle_)->cancel);
}

TEST_F(BlockingReadTest, SessionReleasedByAHandlerFailsTheRead)
{
    HandlerWindow window([&](UINT, WPARAM, LPARAM) { TestLibrary().SessionDisconnect(handle_); });
    PostMessage(window.hwnd(), WM_USER, 0, 0);
    TestLibrary().SessionSetTimeout(handle_, 1);
    EXPECT_EQ(Read(), -1);
    EXPECT_EQ(GetErrorCode(), 0x80042736u);
}

}  // namespace
}  // namespace qs::test
