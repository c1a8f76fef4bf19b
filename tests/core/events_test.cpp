// Asynchronous events: the window-procedure replacement, socket notifications turned into session
// events, and events held back while a handler runs.
#include <gtest/gtest.h>

#include "core/error/last_error.h"
#include "core/net/socket_api.h"
#include "tests/core/fake_network.h"
#include "tests/core/handler_window.h"

namespace qs::test {
namespace {

constexpr UINT kEvent = kControlEventMessage;

WNDPROC ProcOf(HWND window) { return reinterpret_cast<WNDPROC>(GetWindowLongPtr(window, GWLP_WNDPROC)); }

void Pump()
{
    MSG msg;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessage(&msg);
    }
}

class EventsTest : public FakeNetworkTest {
  protected:
    // A session on socket `socket` bound to the notification window, its events to the event window.
    ClientHandle Bound(ws::SOCKET socket, SessionLibrary &library = TestLibrary(), UINT message = kEvent)
    {
        ClientHandle handle = library.NewSession();
        library.LookupSession(handle)->socket = socket;
        EXPECT_EQ(library.BindNotificationWindow(handle, notifications_.hwnd(), kSocketMessage), 0);
        EXPECT_EQ(library.SetEventWindow(handle, events_.hwnd(), message, kEventsCommon), 0);
        return handle;
    }
    void Notify(ws::SOCKET socket, std::uint32_t bits, std::uint32_t error = 0)
    {
        PostMessage(notifications_.hwnd(), kSocketMessage, socket, static_cast<LPARAM>((error << 16) | bits));
    }
    // (wParam, lParam) of the events received, and the notifications the window's own procedure saw.
    std::vector<std::pair<WPARAM, LPARAM>> Events() const
    {
        std::vector<std::pair<WPARAM, LPARAM>> events;
        for (const Received &r : events_.received())
            events.emplace_back(r.wParam, r.lParam);
        return events;
    }
    std::vector<LPARAM> PassedOn() const
    {
        std::vector<LPARAM> bits;
        for (const Received &r : notifications_.received())
            if (r.message == kSocketMessage)
                bits.push_back(r.lParam);
        return bits;
    }

    HandlerWindow notifications_;
    HandlerWindow events_;
};

using EventList = std::vector<std::pair<WPARAM, LPARAM>>;

TEST_F(EventsTest, WindowIsReplacedOncePerWindowAndRestoredByItsLastUser)
{
    HWND window = notifications_.hwnd();
    ClientHandle first = TestLibrary().NewSession();
    ClientHandle second = TestLibrary().NewSession();
    EXPECT_EQ(TestLibrary().SubclassWindow(first, window), 1);
    WNDPROC replaced = ProcOf(window);
    EXPECT_EQ(replaced, TestLibrary().ReplacementProc());
    EXPECT_EQ(TestLibrary().SubclassWindow(second, window), 1);
    EXPECT_EQ(ProcOf(window), replaced);
    EXPECT_EQ(TestLibrary().Lookup(second)->previousProc, HandlerWindow::OwnProc());

    EXPECT_EQ(TestLibrary().SubclassWindow(first, nullptr), 1);
    EXPECT_EQ(ProcOf(window), replaced);
    EXPECT_EQ(TestLibrary().SubclassWindow(second, nullptr), 1);
    EXPECT_EQ(ProcOf(window), HandlerWindow::OwnProc());
    EXPECT_EQ(TestLibrary().Lookup(second)->previousProc, nullptr);
}

TEST_F(EventsTest, TeardownRestoresEveryReplacedWindow)
{
    TestLibrary().SubclassWindow(TestLibrary().NewSession(), notifications_.hwnd());
    TestLibrary().SubclassWindow(TestLibrary().NewSession(), events_.hwnd());
    TestLibrary().LibraryUninitialize();
    EXPECT_EQ(ProcOf(notifications_.hwnd()), HandlerWindow::OwnProc());
    EXPECT_EQ(ProcOf(events_.hwnd()), HandlerWindow::OwnProc());
}

TEST_F(EventsTest, DestroyingTheWindowUnbindsItsSessions)
{
    HandlerWindow doomed;
    ClientHandle first = TestLibrary().NewSession();
    ClientHandle second = TestLibrary().NewSession();
    TestLibrary().SubclassWindow(first, doomed.hwnd());
    TestLibrary().SubclassWindow(second, doomed.hwnd());
    EXPECT_EQ(TestLibrary().FindSessionByWindow(doomed.hwnd()), first);
    HWND gone = doomed.hwnd();
    DestroyWindow(gone);
    EXPECT_EQ(TestLibrary().FindSessionByWindow(gone), kNoHandle);
    EXPECT_EQ(TestLibrary().Lookup(first)->previousProc, nullptr);
    EXPECT_EQ(TestLibrary().Lookup(second)->notificationWindow, nullptr);
}

TEST_F(EventsTest, WindowsThatCannotBeUsedAreRefused)
{
    ClientHandle handle = TestLibrary().NewSession();
    HWND gone = CreateMessageWindow(nullptr, 0);
    DestroyWindow(gone);
    EXPECT_EQ(TestLibrary().SubclassWindow(handle, gone), 0);
    EXPECT_EQ(GetErrorCode(), 0x8004271Eu);
    EXPECT_EQ(TestLibrary().SetEventWindow(handle, events_.hwnd(), WM_USER - 1, kEventsCommon), -1);
    EXPECT_EQ(GetErrorCode(), 0x8004271Eu);
    TestSession *session = TestLibrary().Lookup(handle);
    session->options = kOptionAnyThread;
    session->ownerThread += 1;
    EXPECT_EQ(TestLibrary().SubclassWindow(handle, notifications_.hwnd()), 0);
    EXPECT_EQ(GetErrorCode(), 0x80042711u);
}

TEST_F(EventsTest, NotificationsBecomeEventsAndGoOnToTheWindow)
{
    ClientHandle handle = TestLibrary().NewSession();
    TestLibrary().LookupSession(handle)->socket = 77;
    ASSERT_EQ(TestLibrary().BindNotificationWindow(handle, notifications_.hwnd(), kSocketMessage), 0);
    ASSERT_EQ(TestLibrary().SetEventWindow(handle, events_.hwnd(), kEvent, kEventsCommon), 0);
    EXPECT_EQ(fake_->calls, (std::vector<std::string>{"WSAAsyncSelect 77 9215 51"}));

    Notify(77, ws::FD_CONNECT);
    Notify(77, ws::FD_READ);
    Notify(77, ws::FD_WRITE);
    Notify(77, ws::FD_OOB);
    Notify(77, ws::FD_CLOSE);
    Notify(1234, ws::FD_READ);   // no session has this socket
    Pump();
    const auto h = static_cast<WPARAM>(handle);
    EXPECT_EQ(Events(), (EventList{{h, 1}, {h, 4}, {h, 8}, {h, 2}}));
    EXPECT_EQ(PassedOn(), (std::vector<LPARAM>{ws::FD_CONNECT, ws::FD_READ, ws::FD_WRITE, ws::FD_OOB,
                                               ws::FD_CLOSE, ws::FD_READ}));
    EXPECT_TRUE(TestLibrary().Lookup(handle)->connected);
    EXPECT_EQ(TestLibrary().SessionGetStatus(handle), kStateIdle);
}

TEST_F(EventsTest, ConnectNotificationWithAnErrorCarriesIt)
{
    ClientHandle handle = Bound(77);
    ErrorCode seen = 0;
    events_.SetHandler([&](UINT, WPARAM, LPARAM) { seen = GetErrorCode(); });
    Notify(77, ws::FD_CONNECT, ws::WSAECONNREFUSED);
    Pump();
    EXPECT_EQ(Events(), (EventList{{static_cast<WPARAM>(handle), (10061 << 16) | 1}}));
    EXPECT_EQ(seen, 0x8004274Du);
    EXPECT_EQ(GetErrorCode(), 0x8004274Du);
    EXPECT_FALSE(TestLibrary().Lookup(handle)->connected);
}

TEST_F(EventsTest, HeldNotificationsArePostedAgainInTheirOrder)
{
    ClientHandle handle = Bound(77);
    ASSERT_EQ(TestLibrary().SuspendEvents(handle, true), 0);
    for (std::uint32_t bits : {ws::FD_READ, ws::FD_OOB, ws::FD_CLOSE, ws::FD_WRITE, ws::FD_ACCEPT, ws::FD_CONNECT})
        Notify(77, bits);
    Pump();
    EXPECT_TRUE(Events().empty());
    EXPECT_EQ(TestLibrary().Lookup(handle)->pendingEvents, 0x3Fu);

    ASSERT_EQ(TestLibrary().SuspendEvents(handle, false), 0);
    Pump();
    const std::vector<LPARAM> passedOn = PassedOn();
    ASSERT_EQ(passedOn.size(), 12u);
    std::vector<LPARAM> reposted(passedOn.begin() + 6, passedOn.end());
    EXPECT_EQ(reposted, (std::vector<LPARAM>{ws::FD_ACCEPT, ws::FD_CONNECT, ws::FD_CLOSE, ws::FD_READ,
                                             ws::FD_WRITE, ws::FD_OOB}));
    const auto h = static_cast<WPARAM>(handle);
    EXPECT_EQ(Events(), (EventList{{h, 1}, {h, 2}, {h, 4}, {h, 8}}));
}

TEST_F(EventsTest, NotificationDuringAHandlerIsDeliveredAfterIt)
{
    ClientHandle handle = Bound(77);
    bool inHandler = false;
    std::vector<bool> deliveredInside;
    events_.SetHandler([&](UINT, WPARAM, LPARAM lParam) {
        deliveredInside.push_back(inHandler);
        if (lParam != kEventRead)
            return;
        inHandler = true;
        Notify(77, ws::FD_WRITE);
        Pump();   // as a blocking wait inside the handler would
        EXPECT_EQ(TestLibrary().BindNotificationWindow(handle, nullptr, 0), -1);
        EXPECT_EQ(GetErrorCode(), 0x80042734u);
        inHandler = false;
    });
    Notify(77, ws::FD_READ);
    Pump();
    const auto h = static_cast<WPARAM>(handle);
    EXPECT_EQ(Events(), (EventList{{h, 4}, {h, 8}}));
    EXPECT_EQ(deliveredInside, (std::vector<bool>{false, false}));
}

// Two libraries in one process replacing one window: each notification reaches its own library, and
// the chain unwinds in the reverse order.
TEST_F(EventsTest, TwoLibrariesShareAWindow)
{
    constexpr SessionProfile kOther{.description = "other", .releaseOnFailedConnect = true,
                                    .ignoreWriteNotifications = true};
    SessionLibraryOf<ClientSession> other(kOther);
    ASSERT_EQ(other.LibraryInitialize(QS_FAKE_WS2_PATH, nullptr), 1);
    ClientHandle mine = Bound(77);
    ClientHandle theirs = Bound(88, other, kEvent + 1);
    ASSERT_NE(other.ReplacementProc(), TestLibrary().ReplacementProc());

    EXPECT_EQ(ProcOf(notifications_.hwnd()), other.ReplacementProc());
    Notify(88, ws::FD_WRITE);   // ignored by that library
    Notify(88, ws::FD_READ);
    Notify(77, ws::FD_READ);
    Notify(88, ws::FD_CONNECT, ws::WSAECONNREFUSED);   // that library releases the session
    Pump();
    std::vector<std::pair<UINT, LPARAM>> seen;
    for (const Received &r : events_.received())
        seen.emplace_back(r.message, r.lParam);
    EXPECT_EQ(seen, (std::vector<std::pair<UINT, LPARAM>>{
                        {kEvent + 1, 4}, {kEvent, 4}, {kEvent + 1, (10061 << 16) | 1}}));
    EXPECT_EQ(other.LookupSessionUnchecked(theirs, false), nullptr);
    // The outer replacement went with its last user; the inner one goes with this library's.
    EXPECT_EQ(ProcOf(notifications_.hwnd()), TestLibrary().ReplacementProc());
    TestLibrary().SubclassWindow(mine, nullptr);
    EXPECT_EQ(ProcOf(notifications_.hwnd()), HandlerWindow::OwnProc());
    other.LibraryUninitialize();
}

}  // namespace
}  // namespace qs::test
