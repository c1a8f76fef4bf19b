// quill demo against the running test servers: every component it drives shows its result, and none of
// its steps fails.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/control/quill_runner.h"

namespace qs::test {
namespace {

TEST(QuillDemoTest, EveryStepShowsItsResult)
{
    if (std::getenv("QS_PEER_TIME_PORT") == nullptr || std::getenv("QS_PEER_SSH_PORT") == nullptr)
        GTEST_SKIP() << "the local test servers are not running";
    char dir[] = "/tmp/qs-quill-demo-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const QuillOutcome run = RunQuillProgram(std::string(dir) + "/registry", {"demo"});
    std::filesystem::remove_all(dir);
    const std::string &out = run.output;
    EXPECT_EQ(run.status, 0) << out;
    const char *user = std::getenv("QS_PEER_SSH_USER");
    EXPECT_NE(out.find(std::string("exit-code    3\nhello from ") + (user ? user : "sshtest") + "\n"), std::string::npos)
        << out;
    for (const char *shown : {"LastError = 0\n", "10 first.example.test\n", "HostAddress = \"127.0.0.13\"\n",
                              "Name: Finger Test User", "Domain Name: EXAMPLE.TEST", "SERVICE_ACCEPT ssh-userauth\n",
                              "auth         USERAUTH_SUCCESS\n", "plain bold reverse\n"})
        EXPECT_NE(out.find(shown), std::string::npos) << shown << "\n" << out;
    EXPECT_EQ(out.find("(exit status"), std::string::npos) << out;
}

}  // namespace
}  // namespace qs::test
