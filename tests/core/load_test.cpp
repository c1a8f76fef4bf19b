// Binding the socket library by name: a name that loads nothing, then the platform's own library.
#include <gtest/gtest.h>

#include "core/error/last_error.h"
#include "core/net/network_library.h"
#include "tests/core/test_library.h"

namespace qs::test {
namespace {

TEST(LoadTest, ModuleThatDoesNotLoadFailsAndADefaultRetrySucceeds)
{
    ASSERT_EQ(GetNetworkLibraryModule(), nullptr) << "the socket library is loaded once per process";
    LibraryInfo info{};
    info.size = sizeof info;
    info.options = kOptionStartNetwork;
    EXPECT_EQ(TestLibrary().LibraryInitialize("no-such-socket-module", &info), 0);
    EXPECT_EQ(GetErrorCode(), 0x8004276Bu);
    EXPECT_EQ(TestLibrary().NetworkStartCount(), 0);
    EXPECT_EQ(GetNetworkLibraryModule(), nullptr);

    ASSERT_EQ(TestLibrary().LibraryInitialize(nullptr, &info), 1);
    EXPECT_NE(GetNetworkLibraryModule(), nullptr);
    ASSERT_NE(info.socketData, nullptr);
    EXPECT_EQ(info.socketData->wVersion, 0x0202);
    EXPECT_NE(info.socketData->szDescription[0], '\0');
    EXPECT_EQ(TestLibrary().NetworkStartCount(), 1);
    TestLibrary().LibraryUninitialize();
    EXPECT_EQ(UnbindNetworkLibrary(), -1);
}

}  // namespace
}  // namespace qs::test
