// The quill ssh-probe command end to end against the test sshd: what a user sees.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/control/quill_runner.h"

namespace {

// The probe uses no registry; the test's own is passed along all the same.
std::string RunQuill(const std::vector<std::string> &arguments, int &status)
{
    const char *registry = std::getenv("QS_REGISTRY");
    const qs::test::QuillOutcome run =
        qs::test::RunQuillProgram(registry != nullptr ? registry : "/tmp/qs-ssh-probe-registry", arguments);
    status = run.status;
    return run.output;
}

TEST(QuillSshProbeTest, PrintsTheSuiteFingerprintAndServiceReply)
{
    const char *port = std::getenv("QS_PEER_SSH_PORT");
    if (port == nullptr)
        GTEST_SKIP() << "QS_PEER_SSH_PORT is not set";
    int status = -1;
    const std::string out = RunQuill({"ssh-probe", "127.0.0.1", "--port", port, "--kex", "diffie-hellman-group14-sha1",
                                      "--cipher", "aes128-cbc", "--mac", "hmac-md5"},
                                     status);
    EXPECT_EQ(status, 0) << out;
    for (const char *line : {"kex          diffie-hellman-group14-sha1\n", "host-key     ssh-rsa\n",
                             "cipher-out   aes128-cbc\n", "cipher-in    aes128-cbc\n", "mac-out      hmac-md5\n",
                             "mac-in       hmac-md5\n", "compress-out none\n", "fingerprint  ssh-rsa ",
                             "service      SERVICE_ACCEPT ssh-userauth\n"})
        EXPECT_NE(out.find(line), std::string::npos) << line << "\n" << out;
}

// A login, then enough padding that our small data limit re-keys the logged-in connection; a command
// with its input and exit code; a refused password.
TEST(QuillSshProbeTest, LogsInAndRekeys)
{
    const char *port = std::getenv("QS_PEER_SSH_PORT");
    const char *user = std::getenv("QS_PEER_SSH_USER");
    const char *password = std::getenv("QS_PEER_SSH_PASSWORD");
    if (port == nullptr || user == nullptr || password == nullptr)
        GTEST_SKIP() << "the test sshd is not running";
    int status = -1;
    std::string out = RunQuill({"ssh-probe", "127.0.0.1", "--port", port, "--user", user, "--password", password, "--pad",
                                "40000", "--data-limit", "16384"},
                               status);
    EXPECT_EQ(status, 0) << out;
    EXPECT_NE(out.find("auth         USERAUTH_SUCCESS\n"), std::string::npos) << out;
    const std::size_t at = out.find("key-exchanges");
    ASSERT_NE(at, std::string::npos) << out;
    EXPECT_GE(std::atoi(out.c_str() + at + 13), 2) << out;

    out = RunQuill({"ssh-probe", "127.0.0.1", "--port", port, "--user", user, "--password", password, "--exec",
                    "echo quill | tr a-z A-Z; exit 2"},
                   status);
    EXPECT_EQ(status, 0) << out;
    EXPECT_NE(out.find("exit-code    2\nQUILL\n"), std::string::npos) << out;

    out = RunQuill({"ssh-probe", "127.0.0.1", "--port", port, "--user", user, "--password",
                    std::string("wrong-") + password},
                   status);
    EXPECT_EQ(status, 1) << out;
    EXPECT_NE(out.find("auth         DISCONNECT 13\n"), std::string::npos) << out;
    EXPECT_NE(out.find("error 12230: Unable to authenticate the specified user"), std::string::npos) << out;
}

TEST(QuillSshProbeTest, ReportsUsageAndConnectionErrors)
{
    int status = -1;
    std::string out = RunQuill({"ssh-probe"}, status);
    EXPECT_NE(status, 0);
    EXPECT_NE(out.find("ssh-probe HOST"), std::string::npos) << out;
    out = RunQuill({"ssh-probe", "127.0.0.1", "--proxy", "ftp://x:1"}, status);
    EXPECT_NE(status, 0);
    out = RunQuill({"ssh-probe", "127.0.0.1", "--port", "1"}, status);
    EXPECT_EQ(status, 1);
    EXPECT_NE(out.find("error 10061"), std::string::npos) << out;
}

}  // namespace
