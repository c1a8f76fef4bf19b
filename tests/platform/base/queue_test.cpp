// Posting, retrieval order, filters and messages between threads.
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>
#include <vector>

#include "platform/base/errors.h"
#include "platform/base/thread.h"
#include "platform/base/window.h"
#include "tests/platform/base/window_thread.h"

namespace {

LRESULT Ignore(HWND, UINT, WPARAM, LPARAM) { return 0; }

// Drops whatever an earlier test of the same process left in this thread's queue.
void DrainQueue()
{
    MSG msg{};
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
}

TEST(MessageQueue, PostedMessagesKeepTheirOrderAndQuitComesLast)
{
    DrainQueue();
    HWND hwnd = CreateMessageWindow(Ignore, 0);
    ASSERT_TRUE(PostMessage(hwnd, WM_USER + 1, 10, 0));
    ASSERT_TRUE(PostMessage(nullptr, WM_USER + 2, 20, 0));
    PostQuitMessage(7);
    ASSERT_TRUE(PostMessage(hwnd, WM_USER + 3, 30, 0));

    // The quit message waits until every other posted message has been taken.
    std::vector<UINT> order;
    MSG msg{};
    BOOL got;
    while ((got = GetMessage(&msg, nullptr, 0, 0)) > 0)
        order.push_back(msg.message);
    EXPECT_EQ(got, 0);
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(msg.wParam, 7u);
    EXPECT_EQ(order, (std::vector<UINT>{WM_USER + 1, WM_USER + 2, WM_USER + 3}));
    EXPECT_FALSE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
    DestroyWindow(hwnd);
}

TEST(MessageQueue, PeekMessageFilters)
{
    DrainQueue();
    HWND first = CreateMessageWindow(Ignore, 0);
    HWND second = CreateMessageWindow(Ignore, 0);
    struct Case {
        const char *what;
        HWND hwnd;
        UINT min, max;
        UINT expected;  // 0: nothing retrieved
    };
    const Case cases[] = {
        {"any", nullptr, 0, 0, WM_USER + 1},
        {"second window", second, 0, 0, WM_USER + 2},
        {"range holding only the thread message", nullptr, WM_USER + 3, WM_USER + 3, WM_USER + 3},
        {"range holding nothing", nullptr, WM_USER + 10, WM_USER + 20, 0},
        {"window filter never yields the quit message", first, WM_QUIT, WM_QUIT, 0},
        {"quit message only once nothing else matches", nullptr, WM_QUIT, WM_QUIT, WM_QUIT},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        DrainQueue();
        PostMessage(first, WM_USER + 1, 0, 0);
        PostMessage(second, WM_USER + 2, 0, 0);
        PostMessage(nullptr, WM_USER + 3, 0, 0);
        PostQuitMessage(0);
        MSG msg{};
        BOOL found = PeekMessage(&msg, c.hwnd, c.min, c.max, PM_NOREMOVE);
        EXPECT_EQ(found != 0, c.expected != 0);
        if (c.expected != 0) {
            EXPECT_EQ(msg.message, c.expected);
            // PM_NOREMOVE left it in place for the next removing peek.
            MSG again{};
            ASSERT_TRUE(PeekMessage(&again, c.hwnd, c.min, c.max, PM_REMOVE));
            EXPECT_EQ(again.message, c.expected);
        }
    }
    DrainQueue();
    DestroyWindow(first);
    DestroyWindow(second);
}

TEST(MessageQueue, PostingToNothingFails)
{
    HWND hwnd = CreateMessageWindow(Ignore, 0);
    ASSERT_TRUE(DestroyWindow(hwnd));
    SetLastError(0);
    EXPECT_FALSE(PostMessage(hwnd, WM_USER, 0, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    // A thread that had a queue and ended.
    std::promise<DWORD> id;
    std::thread gone([&] {
        PostMessage(nullptr, WM_USER, 0, 0);
        id.set_value(GetCurrentThreadId());
    });
    DWORD goneId = id.get_future().get();
    gone.join();
    EXPECT_FALSE(PostThreadMessage(goneId, WM_USER, 0, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_THREAD_ID));
}

std::atomic<int> g_received{0};
std::atomic<DWORD> g_handlerThread{0};
std::vector<WPARAM> g_order;  // touched by the window thread only until it is stopped

LRESULT Recorder(HWND, UINT msg, WPARAM wParam, LPARAM)
{
    if (msg == WM_USER) {
        g_order.push_back(wParam);
        ++g_received;
    }
    return 0;
}

TEST(MessageQueue, PostsFromAnotherThreadArriveInOrder)
{
    g_order.clear();
    g_received = 0;
    WindowThread owner(Recorder);
    constexpr WPARAM kCount = 500;
    for (WPARAM i = 0; i < kCount; ++i)
        ASSERT_TRUE(PostMessage(owner.hwnd(), WM_USER, i, 0));
    owner.Stop();
    ASSERT_EQ(g_order.size(), kCount);
    for (WPARAM i = 0; i < kCount; ++i)
        EXPECT_EQ(g_order[i], i);
}

LRESULT Doubler(HWND, UINT msg, WPARAM wParam, LPARAM)
{
    g_handlerThread = GetCurrentThreadId();
    return msg == WM_USER ? static_cast<LRESULT>(wParam * 2) : 0;
}

TEST(MessageQueue, SendToAnotherThreadRunsThereAndWaitsForTheResult)
{
    WindowThread owner(Doubler);
    EXPECT_EQ(SendMessage(owner.hwnd(), WM_USER, 21, 0), 42);
    EXPECT_EQ(g_handlerThread.load(), owner.threadId());
    EXPECT_NE(owner.threadId(), GetCurrentThreadId());
}

// The main thread's window answers 5; the worker's window, while handling a send from the main
// thread, sends to the main thread's window and adds one: the main thread must answer that send
// while it waits for its own.
HWND g_mainWindow = nullptr;

LRESULT MainAnswer(HWND, UINT msg, WPARAM, LPARAM) { return msg == WM_USER + 1 ? 5 : 0; }

LRESULT SendsBack(HWND, UINT msg, WPARAM, LPARAM)
{
    return msg == WM_USER ? SendMessage(g_mainWindow, WM_USER + 1, 0, 0) + 1 : 0;
}

TEST(MessageQueue, SendsBetweenTwoThreadsDoNotDeadlock)
{
    g_mainWindow = CreateMessageWindow(MainAnswer, 0);
    WindowThread worker(SendsBack);
    EXPECT_EQ(SendMessage(worker.hwnd(), WM_USER, 0, 0), 6);
    worker.Stop();
    DestroyWindow(g_mainWindow);
}

TEST(MessageQueue, SendToAThreadThatEndsWithoutPumpingGetsZero)
{
    std::promise<HWND> created;
    std::promise<void> leave;
    std::thread owner([&] {
        created.set_value(CreateMessageWindow(Doubler, 0));
        leave.get_future().wait();  // never pumps
    });
    HWND hwnd = created.get_future().get();
    std::promise<LRESULT> answer;
    std::thread sender([&] { answer.set_value(SendMessage(hwnd, WM_USER, 21, 0)); });
    Sleep(20);  // lets the send reach the owner's queue first (either order must end with 0)
    leave.set_value();
    owner.join();
    EXPECT_EQ(answer.get_future().get(), 0);
    sender.join();
}

LRESULT CountUser(HWND, UINT msg, WPARAM, LPARAM)
{
    if (msg == WM_USER)
        ++g_received;
    return 0;
}

TEST(MessageQueue, BroadcastReachesWindowsOfEveryThread)
{
    g_received = 0;
    HWND own = CreateMessageWindow(CountUser, 0);
    WindowThread other(CountUser);
    BroadcastMessage(WM_USER, 0, 0);
    EXPECT_EQ(g_received.load(), 2);
    DestroyWindow(own);
}

}  // namespace
