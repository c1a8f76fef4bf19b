// A message window of the calling thread whose procedure runs a test's handler and records what it got.
#pragma once
#include <functional>
#include <vector>

#include "platform/base/window.h"

namespace qs::test {

struct Received {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

class HandlerWindow {
  public:
    using Handler = std::function<void(UINT, WPARAM, LPARAM)>;

    explicit HandlerWindow(Handler handler = {}) : handler_(std::move(handler))
    {
        hwnd_ = CreateMessageWindow(&Proc, reinterpret_cast<LONG_PTR>(this));
    }
    ~HandlerWindow()
    {
        if (IsWindow(hwnd_))
            DestroyWindow(hwnd_);
    }
    HandlerWindow(const HandlerWindow &) = delete;
    HandlerWindow &operator=(const HandlerWindow &) = delete;

    HWND hwnd() const { return hwnd_; }
    void SetHandler(Handler handler) { handler_ = std::move(handler); }
    // Messages of WM_USER and above, and WM_TIMER, in arrival order.
    const std::vector<Received> &received() const { return received_; }
    static WNDPROC OwnProc() { return &Proc; }

  private:
    static LRESULT Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto *self = reinterpret_cast<HandlerWindow *>(GetWindowLongPtr(hwnd, GWLP_USERDATA));
        if (self != nullptr && (message >= WM_USER || message == WM_TIMER)) {
            self->received_.push_back({message, wParam, lParam});
            if (self->handler_)
                self->handler_(message, wParam, lParam);
        }
        return 0;
    }

    HWND hwnd_ = nullptr;
    Handler handler_;
    std::vector<Received> received_;
};

}  // namespace qs::test
