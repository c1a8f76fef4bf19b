// Fixture: the test library started on the recording socket module (tests/core/fake_ws2).
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>

#include "core/library/library_info.h"
#include "platform/base/module.h"
#include "platform/base/window.h"
#include "tests/core/fake_ws2/fake_ws2.h"
#include "tests/core/test_library.h"

namespace qs::test {

inline FakeWs2State *FakeSockets()
{
    HMODULE module = LoadLibraryA(QS_FAKE_WS2_PATH);
    if (module == nullptr)
        return nullptr;
    auto state = reinterpret_cast<FakeWs2_fn>(GetProcAddress(module, "FakeWs2"));
    return state != nullptr ? state() : nullptr;
}

// Drops whatever a test left in the calling thread's queue.
inline void DrainQueue()
{
    MSG msg;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
}

class FakeNetworkTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        // Where this binary's trace module (a recording one, or one that does not load) is found.
        setenv("QS_MODULE_PATH", QS_TRACE_MODULE_DIR, 1);
        fake_ = FakeSockets();
        ASSERT_NE(fake_, nullptr);
        fake_->Reset();
        info_.size = sizeof info_;
        info_.options = kOptionStartNetwork;
        ASSERT_EQ(TestLibrary().LibraryInitialize(QS_FAKE_WS2_PATH, &info_), 1);
        fake_->calls.clear();
    }

    void TearDown() override
    {
        while (TestLibrary().NetworkStartCount() > 0)
            TestLibrary().LibraryUninitialize();
        DrainQueue();
    }

    FakeWs2State *fake_ = nullptr;
    LibraryInfo info_{};
};

}  // namespace qs::test
