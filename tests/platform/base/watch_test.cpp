// Descriptor watches, the wait over them, and driving a thread from another event loop.
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <future>
#include <thread>

#include "platform/base/thread.h"
#include "platform/base/window.h"
#include "tests/platform/base/window_thread.h"

namespace {

struct Pipe {
    int fds[2] = {-1, -1};
    Pipe() { EXPECT_EQ(pipe(fds), 0); }
    ~Pipe()
    {
        for (int fd : fds)
            if (fd >= 0)
                close(fd);
    }
    int reader() const { return fds[0]; }
    void Write() const { EXPECT_EQ(write(fds[1], "x", 1), 1); }
};

struct Seen {
    int calls = 0;
    short revents = 0;
    int depth = 0;
    int maxDepth = 0;
    bool removeSelf = false;
    bool pump = false;
    QsFdWatch *watch = nullptr;
};

// Reads one byte and posts a message, as a socket library's notification would.
void OnReadable(void *context, int fd, short revents)
{
    auto *seen = static_cast<Seen *>(context);
    ++seen->calls;
    seen->revents = revents;
    seen->maxDepth = std::max(seen->maxDepth, ++seen->depth);
    if (seen->pump) {
        MSG msg{};
        PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE);  // must not call this callback again
    }
    char byte;
    if ((revents & POLLIN) != 0)
        EXPECT_EQ(read(fd, &byte, 1), 1);
    PostMessage(nullptr, WM_USER + 7, static_cast<WPARAM>(fd), 0);
    if (seen->removeSelf)
        QsUnwatchFd(seen->watch);
    --seen->depth;
}

TEST(FdWatch, CallbackRunsInsideWaitsAndPeeks)
{
    Pipe p;
    Seen seen;
    seen.pump = true;
    seen.watch = QsWatchFd(GetCurrentThreadId(), p.reader(), POLLIN, OnReadable, &seen);
    ASSERT_NE(seen.watch, nullptr);

    EXPECT_EQ(QsWaitForMessages(nullptr, 0, 0), 0);
    EXPECT_EQ(seen.calls, 0);
    p.Write();
    EXPECT_EQ(QsWaitForMessages(nullptr, 0, -1), 0);
    EXPECT_EQ(seen.calls, 1);
    EXPECT_EQ(seen.revents, POLLIN);
    EXPECT_EQ(seen.maxDepth, 1);

    // A thread that only peeks still gets its notifications.
    p.Write();
    MSG msg{};
    ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_USER + 7u);  // from the first round
    ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(seen.calls, 2);

    // Switched off, the watch reports nothing; switched on again, it does.
    QsUpdateFdWatch(seen.watch, 0);
    p.Write();
    QsWaitForMessages(nullptr, 0, 0);
    EXPECT_EQ(seen.calls, 2);
    QsUpdateFdWatch(seen.watch, POLLIN);
    QsWaitForMessages(nullptr, 0, 0);
    EXPECT_EQ(seen.calls, 3);

    // A callback may remove its own watch.
    seen.removeSelf = true;
    p.Write();
    QsWaitForMessages(nullptr, 0, 0);
    p.Write();
    QsWaitForMessages(nullptr, 0, 0);
    EXPECT_EQ(seen.calls, 4);
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
}

TEST(FdWatch, CallerDescriptorsAreReported)
{
    Pipe p;
    pollfd extra{p.reader(), POLLIN, 0};
    EXPECT_EQ(QsWaitForMessages(&extra, 1, 0), 0);
    p.Write();
    EXPECT_EQ(QsWaitForMessages(&extra, 1, -1), 1);
    EXPECT_EQ(extra.revents, POLLIN);
}

TEST(FdWatch, ClosedDescriptorIsReportedOnce)
{
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    close(fds[1]);
    Seen seen;
    seen.watch = QsWatchFd(GetCurrentThreadId(), fds[0], POLLIN, OnReadable, &seen);
    close(fds[0]);
    for (int i = 0; i < 3; ++i)
        QsWaitForMessages(nullptr, 0, 0);
    EXPECT_EQ(seen.calls, 1);
    EXPECT_EQ(seen.revents, POLLNVAL);
    QsUnwatchFd(seen.watch);
    MSG msg{};
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
}

std::atomic<int> g_posts{0};
std::atomic<int> g_timers{0};

LRESULT CountPosts(HWND, UINT msg, WPARAM, LPARAM)
{
    if (msg == WM_USER + 7)
        ++g_posts;
    if (msg == WM_TIMER)
        ++g_timers;
    return 0;
}

// Posts to the window whose handle is the context.
void PostToWindow(void *context, int fd, short)
{
    char byte;
    EXPECT_EQ(read(fd, &byte, 1), 1);
    PostMessage(static_cast<HWND>(context), WM_USER + 7, 0, 0);
}

TEST(FdWatch, WatchAddedFromAnotherThreadWakesItsOwner)
{
    g_posts = 0;
    Pipe p;
    WindowThread owner(CountPosts);  // blocked in GetMessage from here on
    QsFdWatch *watch = QsWatchFd(owner.threadId(), p.reader(), POLLIN, PostToWindow, owner.hwnd());
    ASSERT_NE(watch, nullptr);
    p.Write();
    while (g_posts.load() == 0)
        Sleep(1);
    QsUnwatchFd(watch);
    owner.Stop();
    EXPECT_EQ(g_posts.load(), 1);
}

struct Slow {
    std::promise<void> entered;
    std::atomic<bool> finished{false};
};

void SlowCallback(void *context, int fd, short)
{
    auto *slow = static_cast<Slow *>(context);
    char byte;
    EXPECT_EQ(read(fd, &byte, 1), 1);
    slow->entered.set_value();
    Sleep(50);
    slow->finished = true;
}

TEST(FdWatch, UnwatchFromAnotherThreadWaitsForARunningCallback)
{
    Pipe p;
    auto *slow = new Slow;
    WindowThread owner(nullptr);
    QsFdWatch *watch = QsWatchFd(owner.threadId(), p.reader(), POLLIN, SlowCallback, slow);
    p.Write();
    slow->entered.get_future().wait();
    QsUnwatchFd(watch);
    // Once unwatched, the context may be freed: the callback must be over.
    EXPECT_TRUE(slow->finished.load());
    delete slow;
}

TEST(QueueFd, ForeignLoopDrivesTheThread)
{
    g_posts = 0;
    HWND hwnd = CreateMessageWindow(CountPosts, 0);
    int fd = QsGetQueueFd();
    ASSERT_GE(fd, 0);
    EXPECT_EQ(QsGetQueueFd(), fd);
    pollfd entry{fd, POLLIN, 0};
    QsPumpMessages();
    EXPECT_EQ(poll(&entry, 1, 0), 0);

    // Quit messages, however they were posted, are left for the application's own loop and do not
    // keep the descriptor readable.
    PostMessage(hwnd, WM_USER + 7, 0, 0);
    PostMessage(nullptr, WM_QUIT, 4, 0);
    PostQuitMessage(3);
    ASSERT_EQ(poll(&entry, 1, 5000), 1);
    QsPumpMessages();
    EXPECT_EQ(g_posts.load(), 1);
    EXPECT_EQ(poll(&entry, 1, 0), 0);
    MSG msg{};
    for (WPARAM code : {4, 3}) {
        ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
        EXPECT_EQ(msg.message, WM_QUIT);
        EXPECT_EQ(msg.wParam, code);
    }

    // Watched descriptors and timers make it readable too.
    Pipe p;
    QsFdWatch *watch = QsWatchFd(GetCurrentThreadId(), p.reader(), POLLIN, PostToWindow, hwnd);
    p.Write();
    ASSERT_EQ(poll(&entry, 1, 5000), 1);
    QsPumpMessages();  // runs the watch, then dispatches what it posted
    EXPECT_EQ(g_posts.load(), 2);
    QsUnwatchFd(watch);

    g_timers = 0;
    SetTimer(hwnd, 9, 10, nullptr);
    ASSERT_EQ(poll(&entry, 1, 5000), 1);
    QsPumpMessages();
    EXPECT_EQ(g_timers.load(), 1);
    KillTimer(hwnd, 9);
    DestroyWindow(hwnd);
}

}  // namespace
