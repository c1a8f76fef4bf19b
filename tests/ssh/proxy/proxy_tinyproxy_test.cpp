// HTTP CONNECT through tinyproxy to an sshd in the tests' private network namespace (start-netns.sh,
// start-tinyproxy.sh): the sshd's address exists only inside the namespace, so it is not local to the
// client and the client cannot reach it except through the proxy. Skips when the namespace or the
// proxies are not there.
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "tests/ssh/proxy/proxy_fixture.h"

namespace qs::test {
namespace {

using ssh::ProxyType;

class TinyproxyTest : public ProxyNetworkTest {
protected:
    void SetUp() override
    {
        ProxyNetworkTest::SetUp();
        const char *dir = std::getenv("QS_PEERS_DIR");
        const char *address = std::getenv("QS_PEER_NETNS_ADDRESS");
        proxyPort_ = PeerPort("QS_PEER_HTTP_PROXY_PORT");
        authPort_ = PeerPort("QS_PEER_HTTP_PROXY_AUTH_PORT");
        sshPort_ = PeerPort("QS_PEER_SSH_PORT");
        if (dir == nullptr || address == nullptr || proxyPort_ == 0 || authPort_ == 0 || sshPort_ == 0)
            GTEST_SKIP() << "the local test servers are not running";
        if (!std::ifstream(std::string(dir) + "/netns.name"))
            GTEST_SKIP() << "the private network namespace could not be created";
        target_ = address;
        user_ = Env("QS_PEER_HTTP_PROXY_USER");
        password_ = Env("QS_PEER_HTTP_PROXY_PASSWORD");
    }

    static std::string Env(const char *name)
    {
        const char *value = std::getenv(name);
        return value != nullptr ? value : "";
    }

    int proxyPort_ = 0, authPort_ = 0, sshPort_ = 0;
    std::string target_, user_, password_;
};

TEST_F(TinyproxyTest, ConnectReachesSshdOnlyThroughTheProxy)
{
    struct Case {
        const char *name;
        bool authPort;
        std::string user, password;
        int targetPort;  // 0: the sshd's
        ErrorCode error;
    };
    const std::vector<Case> cases = {
        {"open proxy", false, "", "", 0, 0},
        {"with login", true, user_, password_, 0, 0},
        {"login missing", true, "", "", 0, MakeErrorCode(qsErrorProxyAuthenticationRequired)},
        {"wrong password", true, user_, password_ + "-wrong", 0, MakeErrorCode(qsErrorInvalidProxyLogin)},
        {"port not allowed", false, "", "", 22, MakeErrorCode(qsErrorUnexpectedServerResponse)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        owner_ = RecordingOwner();
        const ssh::ProxyConfig proxy = Proxy(ProxyType::Http, c.authPort ? authPort_ : proxyPort_, c.user, c.password);
        ASSERT_TRUE(Connect(target_.c_str(), c.targetPort != 0 ? c.targetPort : sshPort_, proxy))
            << std::hex << GetErrorCode();
        if (c.error == 0) {
            DriveUntilReceived("\n");
            EXPECT_EQ(FirstLine().rfind("SSH-2.0-OpenSSH", 0), 0u) << owner_.received;
            EXPECT_EQ(owner_.closings, 0);
        } else {
            DriveUntilClosed();
            EXPECT_EQ(owner_.received, "");
            EXPECT_EQ(owner_.error, c.error);
        }
        socket_.reset();
    }

    // Without the proxy the address cannot be reached at all: what came above came through the tunnel.
    owner_ = RecordingOwner();
    if (Connect(target_.c_str(), sshPort_, ssh::ProxyConfig{})) {
        DriveUntilClosed();
        EXPECT_NE(owner_.error, 0u);
        EXPECT_EQ(owner_.received, "");
    } else {
        EXPECT_NE(GetErrorCode(), 0u);
    }
}

}  // namespace
}  // namespace qs::test
