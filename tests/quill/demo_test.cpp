// quill demo against the running test servers: every component it drives shows its result, and none of
// its steps fails.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

TEST(QuillDemoTest, EveryStepShowsItsResult)
{
    if (std::getenv("QS_PEER_TIME_PORT") == nullptr || std::getenv("QS_PEER_SSH_PORT") == nullptr)
        GTEST_SKIP() << "the local test servers are not running";
    std::string out;
    std::FILE *pipe = popen((std::string(QS_QUILL_PROGRAM) + " demo 2>&1").c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.append(buffer, n);
    const int status = pclose(pipe);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << out;
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
