// A thread that owns one message window and runs a GetMessage loop until it gets WM_QUIT.
#pragma once
#include <future>
#include <thread>

#include "platform/base/thread.h"
#include "platform/base/window.h"

class WindowThread {
public:
    explicit WindowThread(WNDPROC proc, LONG_PTR userData = 0)
    {
        std::promise<void> ready;
        auto started = ready.get_future();
        thread_ = std::thread([this, proc, userData, &ready] {
            threadId_ = GetCurrentThreadId();
            hwnd_ = CreateMessageWindow(proc, userData);
            ready.set_value();
            MSG msg{};
            while (GetMessage(&msg, nullptr, 0, 0) > 0)
                DispatchMessage(&msg);
        });
        started.wait();
    }
    ~WindowThread() { Stop(); }

    // Ends the loop and waits for the thread; its window goes with it.
    void Stop()
    {
        if (!thread_.joinable())
            return;
        PostThreadMessage(threadId_, WM_QUIT, 0, 0);
        thread_.join();
    }

    HWND hwnd() const { return hwnd_; }
    DWORD threadId() const { return threadId_; }

private:
    std::thread thread_;
    HWND hwnd_ = nullptr;
    DWORD threadId_ = 0;
};
