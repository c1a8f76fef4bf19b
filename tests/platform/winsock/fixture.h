// A started socket library per test, and the pumping the asynchronous tests need.
#pragma once
#include "tests/platform/winsock/ws_api.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/base/window.h"

namespace wstest {

class WinsockTest : public ::testing::Test {
protected:
    void SetUp() override;
    // The last clean-up also closes every socket a test left open.
    void TearDown() override;

public:  // the helpers are also used from tables of cases
    const WsApi &ws = Ws();

    ws::SOCKET Tcp();
    ws::SOCKET Udp();
    // A blocking TCP connection to 127.0.0.1:port.
    ws::SOCKET ConnectTo(int port);
    int LastError() const { return ws.WSAGetLastError(); }
    int SetNonBlocking(ws::SOCKET s, bool on);
    // Waits up to `seconds` for `s` to become readable.
    bool WaitReadable(ws::SOCKET s, int seconds);
    std::string Recv(ws::SOCKET s, int max);
};

// One posted message as a window received it.
struct Posted {
    WPARAM wParam;
    WORD low;
    WORD high;
};

// A message window of the calling thread that records every message `message` it receives.
class RecordingWindow {
public:
    explicit RecordingWindow(UINT message);
    ~RecordingWindow();
    HWND hwnd() const { return hwnd_; }
    const std::vector<Posted> &posted() const { return posted_; }
    // How many recorded messages carry `low` (an event, or a reply size) for `wParam`.
    int Count(WPARAM wParam, WORD low) const;
    void Clear() { posted_.clear(); }

private:
    static LRESULT Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    UINT message_;
    HWND hwnd_;
    std::vector<Posted> posted_;
};

// Dispatches the thread's messages until `done` holds, for at most five seconds; false on giving up.
bool PumpUntil(const std::function<bool()> &done);
// Dispatches the thread's messages for `ms` milliseconds (to show that nothing more arrives).
void PumpFor(int ms);

}  // namespace wstest
