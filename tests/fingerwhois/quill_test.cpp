// The quill host with the finger and whois controls: `quill finger` (asynchronous, on events) against
// netkit in.fingerd, `quill whois` (blocking) against the scripted whois peer compared byte for byte with
// Debian's whois client, their failures, and `quill do` driving both ProgIDs.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/control/quill_runner.h"
#include "tests/core/loopback.h"
#include "tests/core/peer_answers.h"
#include "tests/core/peers.h"
#include "tests/core/raw_tcp.h"

namespace qs::test {
namespace {

class QuillFingerWhois : public ::testing::Test {
  protected:
    void SetUp() override
    {
        char dir[] = "/tmp/qs-quill-fw-XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        directory_ = dir;
    }
    void TearDown() override { std::filesystem::remove_all(directory_); }

    QuillOutcome Run(const std::vector<std::string> &args) { return RunQuillProgram(directory_ + "/registry", args); }

    std::string directory_;
};

TEST_F(QuillFingerWhois, FingerPrintsTheDaemonsAnswer)
{
    QS_REQUIRE_PEER(port, "QS_PEER_FINGER_PORT");
    struct Case {
        const char *target;
        const char *query;
    } cases[] = {{"fingertest@127.0.0.1", "fingertest\r\n"}, {"@127.0.0.1", "\r\n"}};
    for (const Case &c : cases) {
        const QuillOutcome run = Run({"finger", c.target, "--port", std::to_string(port)});
        EXPECT_EQ(run.status, 0) << run.output;
        EXPECT_EQ(run.output, RawTcpExchange(port, c.query, 1u << 20)) << c.target;
    }
    const QuillOutcome run = Run({"finger", "fingertest@127.0.0.1", "--port", std::to_string(port)});
    EXPECT_NE(run.output.find("Plan:\r\nTesting the finger clients.\r\nSecond line of the plan.\r\n"), std::string::npos)
        << run.output;
}

TEST_F(QuillFingerWhois, FailuresEndWithTheErrorAndStatusOne)
{
    QS_REQUIRE_PEER(discard, "QS_PEER_DISCARD_PORT");
    const std::string refused = std::to_string(UnusedTcpPort());
    struct Case {
        std::vector<std::string> args;
        std::string output;
        int status;
    } cases[] = {
        {{"finger", "x@127.0.0.1", "--port", refused}, "error 10061: The connection has been refused by the remote host\n", 1},
        {{"finger", "x@127.0.0.1", "--port", std::to_string(discard), "--timeout", "2"},
         "error 10060: The specified operation has timed out\n", 1},
        {{"finger", "x@"}, "error 11001: The specified hostname is invalid or could not be resolved\n", 1},
        {{"whois", "x", "--host", "127.0.0.1", "--port", refused},
         "error 10061: The connection has been refused by the remote host\n", 1},
        {{"whois", "x", "--host", "127.0.0.1", "--port", std::to_string(discard), "--timeout", "2"},
         "error 10060: The specified operation has timed out\n", 1},
        {{"whois", "x"}, "error 11001: The specified hostname is invalid or could not be resolved\n", 1},
        {{"finger", "nobody"}, "usage: quill finger [USER]@HOST [--port N] [--timeout S]\n", 2},
        {{"whois", "x", "--type", "4"},
         "usage: quill whois QUERY [--host H] [--port N] [--type any|handle|name|mailbox|0-3] [--timeout S]\n", 2},
    };
    for (const Case &c : cases) {
        const QuillOutcome run = Run(c.args);
        EXPECT_EQ(run.output, c.output) << c.args[1];
        EXPECT_EQ(run.status, c.status) << c.args[1];
    }
}

TEST_F(QuillFingerWhois, WhoisMatchesDebiansClientByteForByte)
{
    QS_REQUIRE_PEER(port, "QS_PEER_WHOIS_PORT");
    QS_REQUIRE_PEER(referPort, "QS_PEER_WHOIS_REFER_PORT");
    struct Case {
        int port;
        const char *query;
    } cases[] = {
        {port, "example.test"}, {port, "127.0.0.1"}, {port, "AS64500"}, {port, "no-such.test"}, {port, "big.test"},
        {referPort, "example.test"},
    };
    for (const Case &c : cases) {
        bool ran = false;
        const std::string debian =
            CommandOutput("whois -h 127.0.0.1 -p " + std::to_string(c.port) + " '" + c.query + "'", &ran);
        if (!ran)
            GTEST_SKIP() << "Debian's whois client is not installed";
        const QuillOutcome run = Run({"whois", c.query, "--host", "127.0.0.1", "--port", std::to_string(c.port)});
        EXPECT_EQ(run.status, 0);
        EXPECT_TRUE(run.output == debian) << c.query << "\n" << run.output.substr(0, 400);
    }
    // Bytes Debian's client would not print unchanged, and a search type.
    QuillOutcome run = Run({"whois", "binary.test", "--host", "127.0.0.1", "--port", std::to_string(port)});
    EXPECT_TRUE(run.output == WhoisBinaryAnswer());
    run = Run({"whois", "holder", "--type", "mailbox", "--host", "127.0.0.1", "--port", std::to_string(port)});
    EXPECT_EQ(run.output, "No match for \"@holder\".\n");
}

TEST_F(QuillFingerWhois, DoDrivesBothControlsByName)
{
    QS_REQUIRE_PEER(finger, "QS_PEER_FINGER_PORT");
    QS_REQUIRE_PEER(whois, "QS_PEER_WHOIS_PORT");
    QuillOutcome run = Run({"do", "Quillstream.WhoisClient.6", "Keyword=\"AS64500\"",
                            "Connect(\"127.0.0.1\", " + std::to_string(whois) + ")", "Connected", "Read(\"\", 300)",
                            "Read(\"\", 300)", "Disconnect()", "Read(\"\", 10)", "SearchType=7", "LastError"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.output,
              "Connect(\"127.0.0.1\", " + std::to_string(whois) + ") = 0\n"
              "Connected = true\n"
              "Read(\"\", 300) = 173\n"
              "  Buffer = \"% Scripted whois peer of the Quillstream tests\\n\\naut-num:        AS64500\\n"
              "as-name:        DOCUMENTATION-AS\\ndescr:          Autonomous system number reserved for documentation\\n\"\n"
              "Read(\"\", 300) = 0\n"
              "  Buffer = \"\"\n"
              "Disconnect() = 0\n"
              "event OnError(10057, \"No connection established with remote host\")\n"
              "Read(\"\", 10) = -1\n"
              "  Buffer = \"\"\n"
              "error 0x800A017C: Invalid property value\n"
              "LastError = 10057\n");

    // Asynchronously: the events print as they fire while `wait` pumps the messages.
    run = Run({"do", "Quillstream.FingerClient.6", "Blocking=false",
               "Connect(\"127.0.0.1\", " + std::to_string(finger) + ", \"fingertest\")", "wait(500)", "Connected"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output.rfind("Connect(\"127.0.0.1\", " + std::to_string(finger) + ", \"fingertest\") = 0\n"
                               "event OnConnect()\nevent OnRead()\n", 0), 0u)
        << run.output;
    EXPECT_NE(run.output.find("Connected = true\n"), std::string::npos) << run.output;
}

}  // namespace
}  // namespace qs::test
