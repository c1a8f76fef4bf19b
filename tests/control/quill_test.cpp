// The quill host driving the time control by name: its output compared line by line. Each case runs
// the quill program with a registry of its own, so the first `do` registers the lib folder's modules.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "tests/control/quill_runner.h"
#include "tests/core/peers.h"

namespace qs::test {
namespace {

using Outcome = QuillOutcome;

class Quill : public ::testing::Test {
  protected:
    void SetUp() override
    {
        char dir[] = "/tmp/qs-quill-XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        directory_ = dir;
    }
    void TearDown() override { std::filesystem::remove_all(directory_); }

    Outcome RunQuill(const std::vector<std::string> &args, const std::string &environment = "")
    {
        return RunQuillProgram(directory_ + "/registry", args, environment);
    }

    std::string directory_;
};

// The frame's members by name: results, raised errors with their texts, events, the About box, bad
// operations; the run goes on after each failure and ends with status 1.
TEST_F(Quill, DoDrivesTheFrameByName)
{
    const Outcome run = RunQuill({"do", "Quillstream.TimeClient.6", "Cancel()", "Initialize()", "Cancel()", "ThrowError=true",
                           "Cancel()", "Interval=65535", "Interval=65534", "Interval", "State", "Handle",
                           "LastError=10004", "LastErrorString", "LastError=0", "LastErrorString", "Version",
                           "Enabled", "RemotePort=abc", "RemoteService=37", "RemotePort", "RemoteService",
                           "HostName=10.0.0.1", "HostAddress", "HostName", "Timeout=", "Timeout=\"2", "GetTime(,\"x\")",
                           "GetTime(\"\")", "LastError", "SetTime()", "About()", "NoSuchMember", "Interval(",
                           "wait(20)", "Reset()", "ThrowError", "Interval"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.output,
              "Cancel() = 0\n"
              "Initialize() = 0\n"
              "event OnError(12009, \"No blocking operation in progress on this socket\")\n"
              "Cancel() = 12009\n"
              "event OnError(12009, \"No blocking operation in progress on this socket\")\n"
              "error 0x800A2EE9: No blocking operation in progress on this socket\n"
              "error 0x800A017C: Invalid property value\n"
              "Interval = 65534\n"
              "State = 0\n"
              "Handle = -1\n"
              "LastErrorString = \"The blocking operation has been canceled\"\n"
              "LastErrorString = \"\"\n"
              "Version = \"6.0.6010.1\"\n"
              "Enabled = true\n"
              "error 0x80020005: Type mismatch\n"
              "RemotePort = 37\n"
              "RemoteService = \"time\"\n"
              "HostAddress = \"10.0.0.1\"\n"
              "HostName = \"\"\n"
              "error 0x80020005: Type mismatch\n"
              "error: cannot read the value \"2\n"
              "error 0x80020005: Type mismatch\n"
              "GetTime(\"\") = \"\"\n"
              "LastError = 11001\n"
              "SetTime() = false\n"
              "About Quillstream\n"
              "  Quillstream Time Protocol Control 6.0\n"
              "  Version 6.0 Build 6010\n"
              "  Embeddable network components for Linux\n"
              "  [OK]\n"
              "error 0x80020006: Unknown name\n"
              "error: cannot read the operation Interval(\n"
              "ThrowError = false\n"
              "Interval = 0\n")
        << run.output;
}

TEST_F(Quill, DoAsksTheLocalTimeServer)
{
    QS_REQUIRE_PEER(port, "QS_PEER_TIME_PORT");
    const Outcome run = RunQuill({"do", "Quillstream.TimeClient.6", "RemotePort=" + std::to_string(port), "Timeout=2",
                           "GetTime(127.0.0.1)", "LastError", "SystemDate"});
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_TRUE(std::regex_match(run.output,
                                 std::regex("GetTime\\(127\\.0\\.0\\.1\\) = \"(\\d{4}-\\d\\d-\\d\\d) \\d\\d:\\d\\d:\\d\\d\"\n"
                                            "LastError = 0\n"
                                            "SystemDate = \"\\1\"\n")))
        << run.output;
    const Outcome time = RunQuill({"time", "127.0.0.1", "--port", std::to_string(port), "--local"}, "TZ=QST-3");
    EXPECT_EQ(time.status, 0);
    EXPECT_TRUE(std::regex_match(time.output, std::regex("\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d local\n")))
        << time.output;
}

TEST_F(Quill, DoWaitsOutASilentServer)
{
    QS_REQUIRE_PEER(port, "QS_PEER_DISCARD_PORT");
    const Outcome run = RunQuill({"do", "Quillstream.TimeClient.6", "RemotePort=" + std::to_string(port), "Timeout=2",
                           "GetTime(127.0.0.1)", "LastError", "SystemDate"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, "event OnTimeout()\nGetTime(127.0.0.1) = \"\"\nLastError = 10060\nSystemDate = \"\"\n");
    const Outcome time = RunQuill({"time", "127.0.0.1", "--port", std::to_string(port), "--timeout", "1"});
    EXPECT_EQ(time.status, 1);
    EXPECT_EQ(time.output, "error 10060: The specified operation has timed out\n");
}

TEST_F(Quill, RegisterUnregisterAndMembers)
{
    Outcome run = RunQuill({"unregister", "timeclient6"});
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(std::regex_match(run.output, std::regex("unregistered /.*/libtimeclient6\\.so\n"))) << run.output;
    run = RunQuill({"register", "timeclient6", "no-such-module"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(std::regex_match(run.output, std::regex("registered /.*/libtimeclient6\\.so\n"
                                                        "error 0x8007007E: .*\\(no-such-module\\)\n")))
        << run.output;

    run = RunQuill({"members", "Quillstream.TimeClient"});
    EXPECT_EQ(run.status, 0);
    for (const char *line : {"ITimeClient {15D4F046-9720-451E-B410-93E6D9518387}\n",
                             "  -552  About            method\n",
                             "    29  GetTime          method   variant   [RemoteHost], [RemotePort], [Timeout], "
                             "[Localize]\n",
                             "     5  Interval         get/put  long\n",
                             "_ITimeClientEvents {58C93225-9C0C-464F-933C-A3F983337898}\n",
                             "     2  OnError    method             ErrorCode: long, Description: string\n"}) {
        EXPECT_NE(run.output.find(line), std::string::npos) << line << run.output;
    }
    run = RunQuill({"members", "Quillstream.NoSuchControl"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.output, "error 0x800401F3: Invalid class string (Quillstream.NoSuchControl)\n");
}

// Indexed properties and in/out arguments, on the component runtime's sample control (registered by
// hand: it carries no version note, so quill does not register it by itself).
TEST_F(Quill, DoShowsIndexedPropertiesAndOutArguments)
{
    ASSERT_EQ(RunQuill({"register", QS_SAMPLE_MODULE}).status, 0);
    const Outcome run = RunQuill({"do", "Quillstream.Sample.1", "Item(1)=\"one, \\\"two\\\"\"", "Item(1)",
                                  "Item(7)", "Swap(1, \"b\")", "Swap(, 2)", "Describe()", "Describe(0x10)",
                                  "Fill(\"\", 3)", "Notify(5)", "wait(x)"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.output,
              "Item(1) = \"one, \\\"two\\\"\"\n"
              "error 0x800A017D: Invalid property array index\n"
              "Swap(1, \"b\")\n"
              "  A = \"b\"\n"
              "  B = 1\n"
              "Swap(, 2)\n"
              "  B = error 0x80020004\n"
              "Describe() = \"missing\"\n"
              "Describe(0x10) = \"16\"\n"
              "Fill(\"\", 3) = 3\n"
              "  Buffer = \"xxx\"\n"
              "event OnChange(\"\")\n"
              "event OnCount(5)\n"
              "Notify(5) = 5\n"
              "error: wait takes milliseconds, 0 to 86400000\n")
        << run.output;
}

}  // namespace
}  // namespace qs::test
