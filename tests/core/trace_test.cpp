// Tracing with the recording trace module found on this test's module path.
#include <gtest/gtest.h>

#include <string>

#include "core/net/socket_api.h"
#include "core/trace/trace_library.h"
#include "tests/core/fake_network.h"
#include "tests/core/fake_trace/fake_trace.h"

namespace qs::test {
namespace {

class TraceTest : public FakeNetworkTest {
  protected:
    void SetUp() override
    {
        FakeNetworkTest::SetUp();
        ASSERT_NE(EnableTrace("calls.log", kTraceHexDump | kTraceError), 0);
        HMODULE module = LoadLibraryA("qstrace6");
        ASSERT_NE(module, nullptr);
        trace_ = reinterpret_cast<FakeTrace_fn>(GetProcAddress(module, "FakeTrace"))();
        ASSERT_NE(trace_, nullptr);
        trace_->lines.clear();
        trace_->hooks.clear();
    }
    void TearDown() override
    {
        EXPECT_EQ(DisableTrace(), 1);
        EXPECT_EQ(DisableTrace(), 0);   // nothing left on
        FakeNetworkTest::TearDown();
    }
    FakeTraceState *trace_ = nullptr;
};

TEST_F(TraceTest, EnablingHandsOverFileFlagsAndTheLastErrorCalls)
{
    EXPECT_EQ(trace_->file, "calls.log");
    EXPECT_EQ(trace_->flags, kTraceHexDump | kTraceError);
    EXPECT_TRUE(trace_->setupGotLastError);
}

TEST_F(TraceTest, HooksSeeResultsAndArgumentsAndDecideTheResult)
{
    EXPECT_EQ(sock::shutdown(9, ws::SD_SEND), 42);   // the hook's answer, not the module's
    const ws::timeval poll{0, 0};
    ws::fd_set set{};
    EXPECT_EQ(BlockingSelect(0, &set, nullptr, nullptr, &poll), 0);
    EXPECT_EQ(sock::closesocket(9), 0);
    EXPECT_EQ(trace_->hooks, (std::vector<std::string>{"TX_shutdown 0 9 1", "TX_select 0", "TX_shutdown 0 9 1",
                                                       "TX_closesocket 0 9"}));
}

TEST_F(TraceTest, LinesAreCappedAndLoseTheDumpFlagDataKeepsIt)
{
    EXPECT_EQ(TraceWrite(kTraceHexDump | kTraceWarning, "%s=%d", "count", 3), 1);
    EXPECT_EQ(TraceWrite(kTraceInfo, "%s", std::string(3000, 'x').c_str()), 1);
    EXPECT_EQ(TraceWrite(kTraceInfo, ""), 0);
    const unsigned char data[5] = {1, 2, 3, 4, 5};
    EXPECT_EQ(TraceData(kTraceHexDump, data, sizeof data), 1);
    EXPECT_EQ(TraceData(kTraceHexDump, data, 0), 0);
    ASSERT_EQ(trace_->lines.size(), 3u);
    EXPECT_EQ(trace_->lines[0], "2:count=3");
    EXPECT_EQ(trace_->lines[1], "0:" + std::string(kTraceLineCap - 1, 'x'));
    EXPECT_EQ(trace_->lines[2], "4:#5");
}

}  // namespace
}  // namespace qs::test
