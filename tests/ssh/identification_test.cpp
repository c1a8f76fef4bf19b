// The identification-line reader and the protocol choice.
#include <gtest/gtest.h>

#include <string>

#include "core/error/last_error.h"
#include "ssh/engine/identification.h"
#include "tests/ssh/test_bytes.h"

namespace qs::ssh {
namespace {

using test::FromText;

struct LineCase {
    const char *name;
    std::string input;
    IdentificationReader::Status status;
    std::string line;      // when Done
    std::size_t consumed;  // when Done
};

class IdentificationTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(IdentificationTest, ReadsOrRefusesTheLine)
{
    const LineCase &c = GetParam();
    IdentificationReader reader;
    const test::Bytes bytes = FromText(c.input);
    std::size_t consumed = 0;
    // Byte by byte: the reader keeps its place between chunks.
    IdentificationReader::Status status = IdentificationReader::Status::NeedMore;
    for (std::size_t i = 0; i < bytes.size() && status == IdentificationReader::Status::NeedMore; ++i)
        status = reader.Feed(ByteView(&bytes[i], 1), consumed);
    ASSERT_EQ(status, c.status);
    if (status == IdentificationReader::Status::Done) {
        EXPECT_EQ(reader.Line(), c.line);
        EXPECT_EQ(consumed, c.consumed);
    }
    if (status == IdentificationReader::Status::Failed)
        EXPECT_EQ(GetErrorCode(), MakeErrorCode(qsErrorInvalidProtocolVersion));
}

const std::string kLongest = "SSH-2.0-" + std::string(245, 'x');  // 253 bytes + CR LF = 255

const LineCase kLines[] = {
    {"plain", "SSH-2.0-OpenSSH_9.2\r\nAAAA", IdentificationReader::Status::Done, "SSH-2.0-OpenSSH_9.2", 21},
    {"lf_only", "SSH-1.99-x\n", IdentificationReader::Status::Done, "SSH-1.99-x", 11},
    {"lines_before", "hello\r\nSS no\r\n\r\nSSH-2.0-s c\r\n", IdentificationReader::Status::Done, "SSH-2.0-s c",
     29},
    {"longest", kLongest + "\r\n", IdentificationReader::Status::Done, kLongest, 255},
    {"too_long", "SSH-2.0-" + std::string(246, 'x') + "\r\n", IdentificationReader::Status::Failed, "", 0},
    {"endless_line", "SSH-2.0-" + std::string(5000, 'x'), IdentificationReader::Status::Failed, "", 0},
    {"endless_preamble", std::string(5000, 'x'), IdentificationReader::Status::Failed, "", 0},
    {"too_many_lines", std::string(65, '\n') + "SSH-2.0-x\r\n", IdentificationReader::Status::Failed, "", 0},
    {"cr_inside", "SSH-2.0-a\rb\r\n", IdentificationReader::Status::Failed, "", 0},
    {"incomplete", "SSH-2.0-x", IdentificationReader::Status::NeedMore, "", 0},
};

INSTANTIATE_TEST_SUITE_P(Lines, IdentificationTest, ::testing::ValuesIn(kLines),
                         [](const ::testing::TestParamInfo<LineCase> &info) { return std::string(info.param.name); });

TEST(IdentificationTest, ProtocolVersionAndClientLine)
{
    IdentificationReader reader;
    const test::Bytes bytes = FromText("SSH-1.99-OpenSSH-x\r\n");
    std::size_t consumed = 0;
    ASSERT_EQ(reader.Feed(bytes, consumed), IdentificationReader::Status::Done);
    EXPECT_EQ(reader.ProtocolVersion(), "1.99");
    EXPECT_EQ(ClientIdentification(), "SSH-2.0-Quillstream_6.0");
}

TEST(IdentificationTest, ChoosesProtocolFromServerVersionAndPreference)
{
    struct Case {
        const char *version;
        int preference;
        ProtocolChoice choice;
    };
    const Case cases[] = {
        {"2.0", 2, ProtocolChoice::Ssh2},  {"2.0", 3, ProtocolChoice::Ssh2}, {"2.0", 0, ProtocolChoice::None},
        {"1.99", 2, ProtocolChoice::Ssh2}, {"1.99", 3, ProtocolChoice::Ssh2}, {"1.99", 0, ProtocolChoice::Ssh1},
        {"1.5", 2, ProtocolChoice::Ssh1},  {"1.3", 0, ProtocolChoice::Ssh1}, {"1.5", 3, ProtocolChoice::None},
        {"3.1", 2, ProtocolChoice::Ssh2},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ChooseProtocol(c.version, c.preference), c.choice) << c.version << " / " << c.preference;
}

}  // namespace
}  // namespace qs::ssh
