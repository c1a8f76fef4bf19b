// Window procedures, their replacement, user data and destruction.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/base/errors.h"
#include "platform/base/thread.h"
#include "platform/base/window.h"
#include "tests/platform/base/window_thread.h"

namespace {

std::vector<std::string> g_log;
WNDPROC g_previous = nullptr;
bool g_restoreOnDestroy = false;

std::string Name(UINT msg)
{
    switch (msg) {
    case WM_CREATE:
        return "CREATE";
    case WM_DESTROY:
        return "DESTROY";
    case WM_NCDESTROY:
        return "NCDESTROY";
    default:
        return std::to_string(msg);
    }
}

LRESULT Original(HWND, UINT msg, WPARAM, LPARAM)
{
    g_log.push_back("original " + Name(msg));
    return 1;
}

// A replacement as a library installs it: it handles what it wants and passes everything on.
LRESULT Replacement(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    g_log.push_back("replacement " + Name(msg));
    if (msg == WM_DESTROY && g_restoreOnDestroy)
        SetWindowLongPtr(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_previous));
    return CallWindowProc(g_previous, hwnd, msg, wParam, lParam) + 1;
}

TEST(Window, ProcedureReplacementAndRestore)
{
    g_log.clear();
    HWND hwnd = CreateMessageWindow(Original, 1234);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(g_log, (std::vector<std::string>{"original CREATE"}));
    EXPECT_EQ(GetWindowLongPtr(hwnd, GWLP_USERDATA), 1234);
    EXPECT_EQ(SetWindowLongPtr(hwnd, GWLP_USERDATA, 99), 1234);
    EXPECT_EQ(GetWindowLongPtr(hwnd, GWLP_USERDATA), 99);

    g_previous = reinterpret_cast<WNDPROC>(SetWindowLongPtr(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Replacement)));
    EXPECT_EQ(g_previous, Original);
    g_log.clear();
    EXPECT_EQ(SendMessage(hwnd, WM_USER, 0, 0), 2);
    PostMessage(hwnd, WM_USER + 1, 0, 0);
    MSG msg{};
    ASSERT_TRUE(PeekMessage(&msg, hwnd, 0, 0, PM_REMOVE));
    EXPECT_EQ(DispatchMessage(&msg), 2);
    EXPECT_EQ(g_log, (std::vector<std::string>{"replacement 1024", "original 1024", "replacement 1025", "original 1025"}));

    EXPECT_EQ(SetWindowLongPtr(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_previous)),
              reinterpret_cast<LONG_PTR>(Replacement));
    g_log.clear();
    EXPECT_EQ(SendMessage(hwnd, WM_USER, 0, 0), 1);
    EXPECT_EQ(g_log, (std::vector<std::string>{"original 1024"}));

    SetLastError(0);
    EXPECT_EQ(GetWindowLongPtr(hwnd, 12345), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_INDEX));
    DestroyWindow(hwnd);
}

TEST(Window, DestroyDeliversBothMessagesToTheCurrentProcedure)
{
    struct Case {
        bool restoreOnDestroy;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {false,
         {"replacement DESTROY", "original DESTROY", "replacement NCDESTROY", "original NCDESTROY"}},
        // Restored while handling WM_DESTROY: the final message goes to the window's own procedure.
        {true, {"replacement DESTROY", "original DESTROY", "original NCDESTROY"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.restoreOnDestroy ? "restored in WM_DESTROY" : "still replaced");
        HWND hwnd = CreateMessageWindow(Original, 0);
        g_previous = reinterpret_cast<WNDPROC>(SetWindowLongPtr(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Replacement)));
        g_restoreOnDestroy = c.restoreOnDestroy;
        PostMessage(hwnd, WM_USER, 0, 0);
        g_log.clear();
        ASSERT_TRUE(DestroyWindow(hwnd));
        EXPECT_EQ(g_log, c.expected);

        EXPECT_FALSE(IsWindow(hwnd));
        MSG msg{};
        EXPECT_FALSE(PeekMessage(&msg, nullptr, WM_USER, WM_USER, PM_REMOVE)) << "posted message survived";
        SetLastError(0);
        EXPECT_EQ(GetWindowLongPtr(hwnd, GWLP_WNDPROC), 0);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
        EXPECT_FALSE(DestroyWindow(hwnd));
        // A later window never takes the old handle.
        HWND next = CreateMessageWindow(nullptr, 0);
        EXPECT_NE(next, hwnd);
        DestroyWindow(next);
    }
    g_restoreOnDestroy = false;
}

LRESULT RefuseCreate(HWND, UINT msg, WPARAM, LPARAM) { return msg == WM_CREATE ? -1 : 0; }

TEST(Window, ProcedureCanRefuseCreation)
{
    EXPECT_EQ(CreateMessageWindow(RefuseCreate, 0), nullptr);
}

TEST(Window, OwnerThreadRulesAndEndOfThread)
{
    HWND hwnd = nullptr;
    DWORD ownerId = 0;
    {
        WindowThread owner(nullptr);
        hwnd = owner.hwnd();
        ownerId = owner.threadId();
        DWORD pid = 0;
        EXPECT_EQ(GetWindowThreadProcessId(hwnd, &pid), ownerId);
        EXPECT_EQ(pid, GetCurrentProcessId());
        // Only the owner may destroy it or run timers on it.
        EXPECT_FALSE(DestroyWindow(hwnd));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
        EXPECT_EQ(SetTimer(hwnd, 1, 10, nullptr), 0u);
        EXPECT_TRUE(IsWindow(hwnd));
    }
    // The thread ended without destroying its window: the handle is gone with it.
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_FALSE(PostMessage(hwnd, WM_USER, 0, 0));
    EXPECT_EQ(SendMessage(hwnd, WM_USER, 0, 0), 0);
    EXPECT_EQ(GetWindowThreadProcessId(hwnd, nullptr), 0u);
}

}  // namespace
