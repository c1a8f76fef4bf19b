// The quill host and DNS: `quill do Quillstream.DnsClient.6 ...` driving the control by ProgID, its
// output compared line by line, and `quill dns` compared with what dig says. Every run reads a
// resolver configuration that does not exist and names 127.0.0.1 as its only name server.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/control/quill_runner.h"
#include "tests/core/loopback.h"
#include "tests/core/peers.h"
#include "tests/dns/dig.h"
#include "tests/dns/resolver_fixture.h"

namespace qs::test {
namespace {

class QuillDns : public ::testing::Test {
  protected:
    void SetUp() override
    {
        char dir[] = "/tmp/qs-quill-dns-XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        directory_ = dir;
    }
    void TearDown() override { std::filesystem::remove_all(directory_); }

    QuillOutcome Run(const std::vector<std::string> &args)
    {
        return RunQuillProgram(directory_ + "/registry", args, std::string("QS_RESOLV_CONF=") + kNoResolverConfig);
    }
    // `quill do` on the DNS control with slot 0 set to 127.0.0.1 on `port`, then `operations`.
    QuillOutcome Do(int port, std::vector<std::string> operations)
    {
        std::vector<std::string> args = {"do", "Quillstream.DnsClient.6", "RemotePort=" + std::to_string(port),
                                         "NameServer(0)=127.0.0.1"};
        args.insert(args.end(), operations.begin(), operations.end());
        return Run(args);
    }

    std::string directory_;
};

std::string Lines(const std::vector<std::string> &lines, const std::string &prefix = "")
{
    std::string out;
    for (const std::string &line : lines)
        out += prefix + line + "\n";
    return out;
}

TEST_F(QuillDns, DoDrivesTheControlByName)
{
    QS_REQUIRE_PEER(port, "QS_PEER_DNS_PORT");
    const QuillOutcome run =
        Do(port, {"NameServer(0)", "NameServer(1)", "Timeout=5", "HostName=alias.example.test", "HostAliases",
                  "HostAlias(0)", "HostAlias(3)", "HostAlias(4)", "HostAddress", "HostName=example.test",
                  "MailExchanges", "MailExchange(0)", "MailExchange(2)", "HostInfo", "Query(example.test, 6, \"\")",
                  "Query(txt.example.test, 16, \"\")", "Query(example.test, 0, \"\")",
                  "Query(nosuch.example.test, 1, \"\")",
                  "LastError", "Resolve(first.example.test, \"\")", "Resolve(nosuch.example.test, \"\")",
                  "MatchHost(127.0.0.10, \"*.test\")", "MatchHost(127.0.0.10, \"*.test\", false)", "Retry=20", "Retry",
                  "ServerAddress", "ThrowError=true", "Query(example.test, 28, \"\")", "RemotePort=0", "NameServer(4)",
                  "HostAddress=bad", "Reset()", "NameServer(0)", "Retry"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.output,
              "NameServer(0) = \"127.0.0.1\"\n"
              "NameServer(1) = \"\"\n"
              "HostAliases = 3\n"
              "HostAlias(0) = \"example.test\"\n"
              "HostAlias(3) = \"\"\n"
              "error 0x800A017D: Invalid property array index\n"
              "HostAddress = \"" + Dig(port, "example.test", "A").at(0) + "\"\n"
              "MailExchanges = 3\n"
              "MailExchange(0) = \"first.example.test\"\n"
              "MailExchange(2) = \"mx20.example.test\"\n"
              "HostInfo = \"x86-64 Linux\"\n"
              "Query(example.test, 6, \"\") = 0\n"
              "  RecordData = \"ns1.example.test\"\n"
              "Query(txt.example.test, 16, \"\") = 0\n"
              "  RecordData = \"\\x05hello\"\n"
              "Query(example.test, 0, \"\") = 0\n"
              "  RecordData = \"\"\n"
              "event OnError(11002, \"The specified hostname could not be found\")\n"
              "Query(nosuch.example.test, 1, \"\") = 11002\n"
              "  RecordData = \"\"\n"
              "LastError = 11002\n"
              "Resolve(first.example.test, \"\") = 0\n"
              "  HostAddress = \"127.0.0.13\"\n"
              "Resolve(nosuch.example.test, \"\") = 11002\n"
              "  HostAddress = \"\"\n"
              "MatchHost(127.0.0.10, \"*.test\") = true\n"
              "MatchHost(127.0.0.10, \"*.test\", false) = false\n"
              "Retry = 8\n"
              "ServerAddress = \"127.0.0.1\"\n"
              "event OnError(12252, \"Invalid record type specified\")\n"
              "error 0x800A2FDC: Invalid record type specified\n"
              "error 0x800A017C: Invalid property value\n"
              "error 0x800A017D: Invalid property array index\n"
              "error 0x800A2EE5: Invalid host address specified\n"
              "NameServer(0) = \"\"\n"
              "Retry = 4\n")
        << run.output;
}

// A name server that never answers: OnTimeout comes before OnError from a method, alone from a property.
TEST_F(QuillDns, DoShowsATimeOut)
{
    ScriptedUdpPeer silent({});
    const QuillOutcome run = Do(silent.port(), {"Timeout=1", "Retry=1", "Query(example.test, 1, \"\")", "LastError",
                                                "HostName=example.test"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.output,
              "event OnTimeout()\n"
              "event OnError(10060, \"The specified operation has timed out\")\n"
              "Query(example.test, 1, \"\") = 10060\n"
              "  RecordData = \"\"\n"
              "LastError = 10060\n"
              "event OnTimeout()\n"
              "error 0x800A274C: The specified operation has timed out\n")
        << run.output;
}

// `quill dns` shows what dig shows: the first record of a type, a host entry, the mail exchangers in
// ascending preference; a failure is the error on standard error and status 1.
TEST_F(QuillDns, DnsCommandAgreesWithDig)
{
    QS_REQUIRE_PEER(port, "QS_PEER_DNS_PORT");
    const std::vector<std::string> server = {"--server", "127.0.0.1", "--port", std::to_string(port)};
    auto dns = [&](std::vector<std::string> args) {
        args.insert(args.begin(), "dns");
        args.insert(args.end(), server.begin(), server.end());
        return Run(args);
    };
    struct Case {
        const char *type, *name, *digName, *digType;
    } cases[] = {
        {"A", "example.test", "example.test", "A"},
        {"MX", "example.test", "example.test", "MX"},
        {"TXT", "multi.example.test", "multi.example.test", "TXT"},
        {"TXT", "www.example.test", "example.test", "TXT"},
        {"PTR", "127.0.0.13", "13.0.0.127.in-addr.arpa", "PTR"},
        {"UID", "uid.example.test", nullptr, nullptr},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.type << " " << c.name);
        const QuillOutcome run = dns({c.type, c.name});
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.output, (c.digName != nullptr ? Dig(port, c.digName, c.digType).at(0) : "1000") + "\n");
    }

    QuillOutcome run = dns({"host", "alias.example.test"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, "name example.test\nalias alias.example.test\nalias www.example.test\n" +
                              Lines(Dig(port, "example.test", "A"), "address "));
    run = dns({"mx", "example.test"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, "10 first.example.test\n10 second.example.test\n20 mx20.example.test\n");
    run = dns({"A", "nosuch.example.test"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.output, "error 11002: The specified hostname could not be found\n");
}

}  // namespace
}  // namespace qs::test
