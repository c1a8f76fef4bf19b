#include "tests/platform/winsock/fixture.h"

#include "platform/base/thread.h"

namespace wstest {
namespace {

constexpr DWORD kPumpLimitMs = 5000;
constexpr int kPumpSliceMs = 20;

void DispatchWaiting()
{
    MSG msg{};
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessage(&msg);
    }
}

}  // namespace

void WinsockTest::SetUp()
{
    ASSERT_NE(ws.module, nullptr) << "libws2_32.so not found on QS_MODULE_PATH";
    ws::WSADATA data{};
    ASSERT_EQ(ws.WSAStartup(0x0202, &data), 0);
}

void WinsockTest::TearDown()
{
    if (ws.module != nullptr) {
        ws.WSACleanup();
    }
}

ws::SOCKET WinsockTest::Tcp()
{
    ws::SOCKET s = ws.socket(wsc::kAfInet, ws::SOCK_STREAM, 0);
    EXPECT_NE(s, ws::INVALID_SOCKET);
    return s;
}

ws::SOCKET WinsockTest::Udp()
{
    ws::SOCKET s = ws.socket(wsc::kAfInet, ws::SOCK_DGRAM, 0);
    EXPECT_NE(s, ws::INVALID_SOCKET);
    return s;
}

ws::SOCKET WinsockTest::ConnectTo(int port)
{
    ws::SOCKET s = Tcp();
    ws::sockaddr_in to = Loopback(port);
    EXPECT_EQ(ws.connect(s, reinterpret_cast<ws::sockaddr *>(&to), sizeof(to)), 0) << LastError();
    return s;
}

int WinsockTest::SetNonBlocking(ws::SOCKET s, bool on)
{
    ws::u_long value = on ? 1 : 0;
    return ws.ioctlsocket(s, wsc::kFionbio, &value);
}

bool WinsockTest::WaitReadable(ws::SOCKET s, int seconds)
{
    ws::fd_set set{};
    set.fd_count = 1;
    set.fd_array[0] = s;
    ws::timeval limit{seconds, 0};
    return ws.select(0, &set, nullptr, nullptr, &limit) == 1 && set.fd_count == 1;
}

std::string WinsockTest::Recv(ws::SOCKET s, int max)
{
    std::string out(static_cast<std::size_t>(max), '\0');
    int n = ws.recv(s, out.data(), max, 0);
    out.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return out;
}

RecordingWindow::RecordingWindow(UINT message)
    : message_(message), hwnd_(CreateMessageWindow(&RecordingWindow::Proc, reinterpret_cast<LONG_PTR>(this)))
{
}

RecordingWindow::~RecordingWindow()
{
    DestroyWindow(hwnd_);
}

int RecordingWindow::Count(WPARAM wParam, WORD low) const
{
    int n = 0;
    for (const Posted &p : posted_) {
        n += p.wParam == wParam && p.low == low ? 1 : 0;
    }
    return n;
}

LRESULT RecordingWindow::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    auto *self = reinterpret_cast<RecordingWindow *>(GetWindowLongPtr(hwnd, GWLP_USERDATA));
    if (self != nullptr && msg == self->message_) {
        self->posted_.push_back({wParam, LOWORD(static_cast<std::uintptr_t>(lParam)),
                                 HIWORD(static_cast<std::uintptr_t>(lParam))});
    }
    return 0;
}

bool PumpUntil(const std::function<bool()> &done)
{
    DWORD start = GetTickCount();
    for (;;) {
        DispatchWaiting();
        if (done()) {
            return true;
        }
        if (GetTickCount() - start > kPumpLimitMs) {
            return false;
        }
        QsWaitForMessages(nullptr, 0, kPumpSliceMs);
    }
}

void PumpFor(int ms)
{
    DWORD start = GetTickCount();
    while (GetTickCount() - start < static_cast<DWORD>(ms)) {
        QsWaitForMessages(nullptr, 0, kPumpSliceMs);
        DispatchWaiting();
    }
}

}  // namespace wstest
