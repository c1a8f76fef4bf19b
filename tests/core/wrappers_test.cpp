// Wrappers over a socket module that lacks exports, and tracing without a loadable trace module.
#include <gtest/gtest.h>

#include "core/net/socket_api.h"
#include "core/trace/trace_library.h"
#include "tests/core/fake_network.h"

namespace qs::test {
namespace {

using WrappersTest = FakeNetworkTest;

TEST_F(WrappersTest, MissingByteOrderAndFormattingExportsFallBackToLocalCode)
{
    EXPECT_EQ(sock::htonl(0x01020304u), 0x04030201u);
    EXPECT_EQ(sock::ntohl(0x04030201u), 0x01020304u);
    EXPECT_EQ(sock::htons(0x0102), 0x0201);
    EXPECT_EQ(sock::ntohs(0x0201), 0x0102);
    ws::in_addr address{0x0100007Fu};
    EXPECT_STREQ(sock::inet_ntoa(address), "127.0.0.1");
}

TEST_F(WrappersTest, MissingExportsFailWithTheirFailureValue)
{
    EXPECT_EQ(sock::socket(ws::AF_INET, ws::SOCK_STREAM, 0), ws::INVALID_SOCKET);
    EXPECT_EQ(sock::connect(9, nullptr, 0), -1);
    EXPECT_EQ(sock::gethostbyname("localhost"), nullptr);
    EXPECT_EQ(sock::WSAAsyncGetHostByName(nullptr, 0, "localhost", nullptr, 0), nullptr);
}

// The trace module on this test's module path cannot be loaded (tests/core/CMakeLists.txt).
TEST_F(WrappersTest, WithoutATraceModuleTracingStaysOffAndNothingChanges)
{
    EXPECT_EQ(EnableTrace("trace.log", kTraceHexDump), 0);
    EXPECT_EQ(TraceWrite(kTraceInfo, "line %d", 1), 0);
    const char data[] = "abc";
    EXPECT_EQ(TraceData(kTraceHexDump, data, 3), 0);
    EXPECT_EQ(DisableTrace(), 0);
    EXPECT_EQ(sock::shutdown(9, ws::SD_SEND), 0);
    EXPECT_EQ(fake_->calls, (std::vector<std::string>{"shutdown 9 1"}));
}

}  // namespace
}  // namespace qs::test
