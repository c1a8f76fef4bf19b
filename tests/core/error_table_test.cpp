// The error space: the message table, the per-thread code and the text lookup.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <thread>

#include "core/error/last_error.h"
#include "core/library/core_state.h"

namespace qs {
namespace {

class ErrorTest : public ::testing::Test {
  protected:
    void SetUp() override { CoreStart(nullptr); }
    void TearDown() override { CoreStop(); }
};

std::string Text(ErrorCode code, int size = 512)
{
    std::string buffer(static_cast<std::size_t>(size), '?');
    int length = GetErrorText(code, buffer.data(), size);
    EXPECT_EQ(static_cast<std::size_t>(length), std::strlen(buffer.c_str()));
    return buffer.c_str();
}

TEST_F(ErrorTest, TableIsOrderedInItsBandsAndEveryRowHasItsText)
{
    std::size_t count = 0;
    const MessageRow *rows = MessageTable(&count);
    ASSERT_GT(count, 0u);
    EXPECT_EQ(rows[0].number, 10000u);
    EXPECT_EQ(rows[count - 1].number, 12351u);
    for (std::size_t i = 0; i < count; ++i) {
        const MessageRow &row = rows[i];
        if (i > 0)
            EXPECT_LT(rows[i - 1].number, row.number);
        const bool inBand = (row.number >= 10000 && row.number <= 10101) ||
                            (row.number >= 11001 && row.number <= 11004) ||
                            (row.number >= 12003 && row.number <= 12009) ||
                            (row.number >= 12101 && row.number <= 12106) ||
                            (row.number >= 12201 && row.number <= 12351);
        EXPECT_TRUE(inBand) << row.number;
        ASSERT_NE(row.text, nullptr);
        EXPECT_EQ(FindMessage(row.number), row.text);
        // Stored texts carry no line break; the lookup gives them back whole.
        std::size_t length = std::strlen(row.text);
        ASSERT_GT(length, 0u);
        EXPECT_NE(row.text[length - 1], '\n');
        EXPECT_EQ(Text(MakeErrorCode(row.number)), row.text) << row.number;
        // Constants exist for every number but 10000 and 12331-12351.
        EXPECT_EQ(row.constant == nullptr, row.number == 10000 || row.number >= 12331) << row.number;
        if (row.constant != nullptr)
            EXPECT_EQ(std::strncmp(row.constant, "qsError", 7), 0) << row.constant;
    }
}

TEST_F(ErrorTest, SpotRowsAndTheirConstants)
{
    struct Row {
        std::uint32_t number;
        std::uint32_t constant;
        const char *text;
    };
    const Row rows[] = {
        {10001, qsErrorNotHandleOwner, "Handle not owned by the current thread"},
        {10060, qsErrorOperationTimeout, "The specified operation has timed out"},
        {10061, qsErrorConnectionRefused, "The connection has been refused by the remote host"},
        {10093, qsErrorNetworkNotInitialized, "The networking subsystem has not been initialized"},
        {11001, qsErrorInvalidHostName, "The specified hostname is invalid or could not be resolved"},
        {12009, qsErrorOperationNotBlocking, "No blocking operation in progress on this socket"},
        {12266, qsErrorStorageallocation, "File exceeded storage allocation on server"},
        {12306, qsErrorEndofMessageData, "No more message data available to be read"},
        {12307, qsErrorInvalidmessageSize, "The specified message size is invalid"},
    };
    for (const Row &row : rows) {
        EXPECT_EQ(row.constant, row.number);
        EXPECT_STREQ(FindMessage(row.number), row.text);
    }
    EXPECT_STREQ(FindMessage(12351), "The local and remote file sizes do not match");
    // Two pairs share one text.
    EXPECT_STREQ(FindMessage(10005), FindMessage(10006));
    EXPECT_STREQ(FindMessage(12327), FindMessage(12328));
    EXPECT_STREQ(FindMessage(12327), "Posting is not permitted on this server");
    EXPECT_EQ(FindMessage(10025), nullptr);
    EXPECT_EQ(FindMessage(12352), nullptr);
}

TEST_F(ErrorTest, StoringMakesAnErrorCodeOfABareNumberOnly)
{
    struct Case {
        std::uint32_t stored, read;
    };
    for (Case c : {Case{10060, 0x8004274C}, Case{0x8004274C, 0x8004274C}, Case{0, 0}, Case{0x00012345, 0x00012345}}) {
        SetErrorCode(c.stored);
        EXPECT_EQ(GetErrorCode(), c.read) << std::hex << c.stored;
    }
}

TEST_F(ErrorTest, TextLookup)
{
    char buffer[512];
    std::memset(buffer, '?', sizeof buffer);
    EXPECT_EQ(GetErrorText(0x8004274C, buffer, sizeof buffer), 37);
    EXPECT_STREQ(buffer, "The specified operation has timed out");
    // Code 0: the thread's current code.
    SetErrorCode(10061);
    EXPECT_EQ(Text(0), "The connection has been refused by the remote host");
    SetErrorCode(0);
    std::memset(buffer, '?', sizeof buffer);
    EXPECT_EQ(GetErrorText(0, buffer, sizeof buffer), 0);
    EXPECT_EQ(buffer[0], '\0');
    // Unknown codes, and texts that do not fit, give nothing.
    EXPECT_EQ(GetErrorText(MakeErrorCode(10025), buffer, sizeof buffer), 0);
    EXPECT_EQ(GetErrorText(0x00012345, buffer, sizeof buffer), 0);
    EXPECT_EQ(GetErrorText(0x8004274C, buffer, 10), 0);
    // Without a buffer only the length comes back.
    EXPECT_EQ(GetErrorText(0x8004274C, nullptr, 0), 37);
}

TEST_F(ErrorTest, EachThreadReadsItsOwnCode)
{
    SetErrorCode(10060);
    ErrorCode other = 0;
    std::thread([&] {
        EXPECT_EQ(GetErrorCode(), 0u);
        SetErrorCode(10061);
        other = GetErrorCode();
    }).join();
    EXPECT_EQ(other, 0x8004274Du);
    EXPECT_EQ(GetErrorCode(), 0x8004274Cu);
}

}  // namespace
}  // namespace qs
