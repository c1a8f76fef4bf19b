// Window and thread timers.
#include <gtest/gtest.h>

#include <vector>

#include "platform/base/thread.h"
#include "platform/base/window.h"

namespace {

LRESULT Ignore(HWND, UINT, WPARAM, LPARAM) { return 0; }

// Waits for the next WM_TIMER of `hwnd` (null: any), dispatching nothing else.
MSG NextTimer(HWND hwnd)
{
    MSG msg{};
    EXPECT_GT(GetMessage(&msg, hwnd, WM_TIMER, WM_TIMER), 0);
    return msg;
}

int CountWaiting(HWND hwnd, UINT_PTR id)
{
    int count = 0;
    MSG msg{};
    while (PeekMessage(&msg, hwnd, WM_TIMER, WM_TIMER, PM_REMOVE))
        if (msg.wParam == id)
            ++count;
    return count;
}

TEST(Timer, FiresRepeatedlyUntilKilled)
{
    HWND hwnd = CreateMessageWindow(Ignore, 0);
    ASSERT_EQ(SetTimer(hwnd, 5, 10, nullptr), 5u);
    for (int i = 0; i < 3; ++i) {
        MSG msg = NextTimer(hwnd);
        EXPECT_EQ(msg.hwnd, hwnd);
        EXPECT_EQ(msg.wParam, 5u);
    }
    ASSERT_TRUE(KillTimer(hwnd, 5));
    EXPECT_FALSE(KillTimer(hwnd, 5));
    Sleep(40);
    EXPECT_EQ(CountWaiting(hwnd, 5), 0);
    DestroyWindow(hwnd);
}

TEST(Timer, LateTimerYieldsOneMessage)
{
    HWND hwnd = CreateMessageWindow(Ignore, 0);
    SetTimer(hwnd, 1, 20, nullptr);
    Sleep(120);  // several periods pass without the thread looking
    EXPECT_EQ(CountWaiting(hwnd, 1), 1);
    DestroyWindow(hwnd);
}

TEST(Timer, DestroyedWindowTakesItsTimers)
{
    HWND hwnd = CreateMessageWindow(Ignore, 0);
    SetTimer(hwnd, 1, 10, nullptr);
    DestroyWindow(hwnd);
    Sleep(30);
    EXPECT_EQ(CountWaiting(nullptr, 1), 0);
}

std::vector<UINT_PTR> g_fired;

void RecordTimer(HWND, UINT msg, UINT_PTR id, DWORD)
{
    if (msg == WM_TIMER)
        g_fired.push_back(id);
}

void NeverCalled(HWND, UINT, UINT_PTR id, DWORD) { g_fired.push_back(id + 1000); }

TEST(Timer, TimerProcedureRunsThroughDispatch)
{
    g_fired.clear();
    UINT_PTR id = SetTimer(nullptr, 0, 10, RecordTimer);
    ASSERT_NE(id, 0u);
    MSG msg = NextTimer(nullptr);
    EXPECT_EQ(msg.wParam, id);
    EXPECT_EQ(msg.lParam, reinterpret_cast<LPARAM>(RecordTimer));
    DispatchMessage(&msg);
    EXPECT_EQ(g_fired, std::vector<UINT_PTR>{id});
    KillTimer(nullptr, id);

    // A WM_TIMER made up by someone else names a procedure of no timer: it is not called.
    g_fired.clear();
    MSG forged{nullptr, WM_TIMER, id, reinterpret_cast<LPARAM>(NeverCalled), 0};
    DispatchMessage(&forged);
    EXPECT_TRUE(g_fired.empty());
}

}  // namespace
