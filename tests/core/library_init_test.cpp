// Library start and teardown on the recording socket module.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <thread>

#include "core/error/last_error.h"
#include "core/library/core_state.h"
#include "tests/core/fake_network.h"

namespace qs::test {
namespace {

using LibraryInitTest = FakeNetworkTest;

TEST_F(LibraryInitTest, FillsTheRecordAndStartsTheNetwork)
{
    EXPECT_EQ(info_.size, sizeof(LibraryInfo));
    EXPECT_EQ(info_.majorVersion, 6u);
    EXPECT_EQ(info_.minorVersion, 0u);
    EXPECT_EQ(info_.build, 6010u);
    EXPECT_EQ(info_.options, 0u);
    EXPECT_STREQ(info_.description, "Quillstream Test Protocol Library");
    ASSERT_EQ(info_.socketData, &TestLibrary().StartupData());
    EXPECT_STREQ(info_.socketData->szDescription, "Fake sockets");
    EXPECT_EQ(info_.socketData->wVersion, 0x0202);
    EXPECT_EQ(fake_->startups, 1);
    EXPECT_EQ(GetErrorCode(), 0u);
}

TEST_F(LibraryInitTest, RecordOfAnotherSizeIsRefusedAndStartsNothing)
{
    LibraryInfo wrong{};
    wrong.size = 160;
    EXPECT_EQ(TestLibrary().LibraryInitialize(QS_FAKE_WS2_PATH, &wrong), 0);
    EXPECT_EQ(GetErrorCode(), 0x8004271Eu);
    EXPECT_EQ(wrong.majorVersion, 0u);
    EXPECT_EQ(fake_->startups, 1);
    EXPECT_EQ(TestLibrary().NetworkStartCount(), 1);
}

TEST_F(LibraryInitTest, FailingStartUpReportsItsNumber)
{
    fake_->startupResult = ws::WSAEPROCLIM;
    LibraryInfo info{};
    info.size = sizeof info;
    EXPECT_EQ(TestLibrary().LibraryInitialize(QS_FAKE_WS2_PATH, &info), 0);
    EXPECT_EQ(GetErrorCode(), 0x80042753u);
    EXPECT_EQ(TestLibrary().NetworkStartCount(), 1);
    // A refused start-up holds no reference: the last teardown cleans up once, for the one start.
    TestLibrary().LibraryUninitialize();
    EXPECT_EQ(fake_->cleanups, 1);
}

TEST_F(LibraryInitTest, OptionsWithoutStartNetworkFillOnly)
{
    LibraryInfo info{};
    info.size = sizeof info;
    info.options = 1;
    EXPECT_EQ(TestLibrary().LibraryInitialize(QS_FAKE_WS2_PATH, &info), 1);
    EXPECT_EQ(info.socketData, nullptr);
    EXPECT_EQ(info.build, 6010u);
    EXPECT_EQ(fake_->startups, 1);
    EXPECT_EQ(TestLibrary().NetworkStartCount(), 1);
    // Both calls started the core; the teardowns share the one network start.
    TestLibrary().LibraryUninitialize();
    TestLibrary().LibraryUninitialize();
    EXPECT_EQ(fake_->cleanups, 1);
    EXPECT_FALSE(CoreRunning());
}

TEST_F(LibraryInitTest, OldPlatformIsRefused)
{
    setenv("QS_OSVERSION", "4.0", 1);
    EXPECT_EQ(TestLibrary().LibraryInitialize(QS_FAKE_WS2_PATH, nullptr), 0);
    unsetenv("QS_OSVERSION");
    EXPECT_EQ(GetErrorCode(), 0x8004276Cu);
    EXPECT_EQ(TestLibrary().NetworkStartCount(), 1);
}

TEST_F(LibraryInitTest, TwoStartsShareTheNetworkUntilTheLastTeardown)
{
    ASSERT_EQ(TestLibrary().LibraryInitialize(QS_FAKE_WS2_PATH, nullptr), 1);
    ClientHandle mine = TestLibrary().NewSession();
    ClientHandle theirs = kNoHandle;
    std::thread([&] { theirs = TestLibrary().NewSession(); }).join();
    ASSERT_NE(mine, kNoHandle);
    ASSERT_NE(theirs, kNoHandle);

    TestLibrary().LibraryUninitialize();
    EXPECT_NE(TestLibrary().LookupSession(mine), nullptr);
    EXPECT_EQ(fake_->cleanups, 0);

    TestLibrary().LibraryUninitialize();
    EXPECT_EQ(fake_->cleanups, 1);
    EXPECT_EQ(fake_->startups, 2);
    // Every session went with the last teardown, the other thread's too.
    EXPECT_EQ(TestLibrary().LookupSessionUnchecked(mine, false), nullptr);
    EXPECT_EQ(GetErrorCode(), 0x80042736u);
    EXPECT_EQ(TestLibrary().LookupSessionUnchecked(theirs, false), nullptr);
    EXPECT_FALSE(CoreRunning());
    // A teardown without a matching start changes nothing.
    TestLibrary().LibraryUninitialize();
    EXPECT_EQ(fake_->cleanups, 1);
}

}  // namespace
}  // namespace qs::test
