// The probe against the real sshd of tests/peers, once per algorithm forced on our side, so every key
// exchange, host key, cipher and MAC is proven against an independent server in both directions; the
// password login and re-keying after it (sshd's and ours); and against lshd for what sshd no longer has
// (Blowfish, immediate zlib) and for re-keying before authentication, which sshd refuses.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "core/error/last_error.h"
#include "core/session/session_library.h"
#include "ssh/engine/probe.h"
#include "tests/ssh/corrupting_relay.h"
#include "tests/ssh/proxy/scripted_peer.h"

namespace qs::ssh {
namespace {

SessionLibraryOf<ClientSession> &NetworkLibrary()
{
    static constexpr SessionProfile kProfile{.description = "Quillstream SSH Probe Test Library"};
    static SessionLibraryOf<ClientSession> library(kProfile);
    return library;
}

int PeerPort(const char *variable)
{
    const char *value = std::getenv(variable);
    return value != nullptr ? std::atoi(value) : 0;
}

int SshdPort()
{
    return PeerPort("QS_PEER_SSH_PORT");
}

struct ProbeCase {
    const char *name;
    std::vector<std::string> kex, hostKeys, ciphers, macs;
    const char *expectFingerprintPrefix;
};

void PrintTo(const ProbeCase &c, std::ostream *os)
{
    *os << c.name;
}

class ProbeSshdTest : public ::testing::TestWithParam<ProbeCase> {
protected:
    void SetUp() override
    {
        if (SshdPort() == 0)
            GTEST_SKIP() << "QS_PEER_SSH_PORT is not set";
        ASSERT_EQ(NetworkLibrary().LibraryInitialize(nullptr, nullptr), 1);
    }
    void TearDown() override
    {
        if (SshdPort() != 0)
            NetworkLibrary().LibraryUninitialize();
    }

    static ProbeOptions Options(int port = SshdPort())
    {
        ProbeOptions options;
        options.host = "127.0.0.1";
        options.port = port;
        options.timeoutMs = 20000;
        return options;
    }
};

TEST_P(ProbeSshdTest, NegotiatesForcedAlgorithmAndGetsServiceAccept)
{
    const ProbeCase &c = GetParam();
    ProbeOptions options = Options();
    options.transport.kex = c.kex;
    options.transport.hostKeys = c.hostKeys;
    options.transport.ciphers = c.ciphers;
    options.transport.macs = c.macs;
    ProbeReport report;
    ASSERT_TRUE(RunProbe(options, report)) << ErrorNumber(GetErrorCode());
    EXPECT_EQ(report.serviceReply, "SERVICE_ACCEPT ssh-userauth");
    if (!c.kex.empty())
        EXPECT_EQ(report.kex, c.kex[0]);
    if (!c.hostKeys.empty())
        EXPECT_EQ(report.hostKey, c.hostKeys[0]);
    if (!c.ciphers.empty()) {
        EXPECT_EQ(report.cipherOut, c.ciphers[0]);
        EXPECT_EQ(report.cipherIn, c.ciphers[0]);
    }
    if (!c.macs.empty()) {
        EXPECT_EQ(report.macOut, c.macs[0]);
        EXPECT_EQ(report.macIn, c.macs[0]);
    }
    EXPECT_EQ(report.fingerprint.rfind(c.expectFingerprintPrefix, 0), 0u) << report.fingerprint;
    // "ssh-xxx BITS " and 16 colon-separated lowercase hex pairs.
    const std::string hex = report.fingerprint.substr(report.fingerprint.rfind(' ') + 1);
    EXPECT_EQ(hex.size(), 47u) << report.fingerprint;
    EXPECT_EQ(hex.find_first_not_of("0123456789abcdef:"), std::string::npos) << report.fingerprint;
}

const ProbeCase kCases[] = {
    {"defaults", {}, {}, {}, {}, "ssh-rsa "},
    {"kex_gex_sha256", {"diffie-hellman-group-exchange-sha256"}, {}, {}, {}, "ssh-rsa "},
    {"kex_gex_sha1", {"diffie-hellman-group-exchange-sha1"}, {}, {}, {}, "ssh-rsa "},
    {"kex_group14", {"diffie-hellman-group14-sha1"}, {}, {}, {}, "ssh-rsa "},
    {"kex_group1", {"diffie-hellman-group1-sha1"}, {}, {}, {}, "ssh-rsa "},
    {"hostkey_rsa", {}, {"ssh-rsa"}, {}, {}, "ssh-rsa "},
    {"hostkey_dss", {}, {"ssh-dss"}, {}, {}, "ssh-dss 1024 "},
    {"cipher_aes256_ctr", {}, {}, {"aes256-ctr"}, {}, "ssh-rsa "},
    {"cipher_aes192_ctr", {}, {}, {"aes192-ctr"}, {}, "ssh-rsa "},
    {"cipher_aes128_ctr", {}, {}, {"aes128-ctr"}, {}, "ssh-rsa "},
    {"cipher_aes256_cbc", {}, {}, {"aes256-cbc"}, {}, "ssh-rsa "},
    {"cipher_aes192_cbc", {}, {}, {"aes192-cbc"}, {}, "ssh-rsa "},
    {"cipher_aes128_cbc", {}, {}, {"aes128-cbc"}, {}, "ssh-rsa "},
    {"cipher_3des_cbc", {}, {}, {"3des-cbc"}, {}, "ssh-rsa "},
    {"mac_hmac_sha1", {}, {}, {}, {"hmac-sha1"}, "ssh-rsa "},
    {"mac_hmac_sha1_96", {}, {}, {}, {"hmac-sha1-96"}, "ssh-rsa "},
    {"mac_hmac_md5", {}, {}, {}, {"hmac-md5"}, "ssh-rsa "},
    {"all_legacy_at_once",
     {"diffie-hellman-group1-sha1"}, {"ssh-dss"}, {"3des-cbc"}, {"hmac-md5"}, "ssh-dss 1024 "},
    {"gex_sha256_3des", {"diffie-hellman-group-exchange-sha256"}, {}, {"3des-cbc"}, {"hmac-sha1-96"}, "ssh-rsa "},
};

INSTANTIATE_TEST_SUITE_P(Algorithms, ProbeSshdTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<ProbeCase> &info) { return std::string(info.param.name); });

TEST_F(ProbeSshdTest, NothingInCommonFailsWithAnError)
{
    ProbeOptions options = Options();
    options.transport.ciphers = {"3des-ctr"};  // compiled out of this sshd
    ProbeReport report;
    EXPECT_FALSE(RunProbe(options, report));
    EXPECT_EQ(GetErrorCode(), MakeErrorCode(qsErrorProtocolNotSupported));
    EXPECT_EQ(report.serverVersion.rfind("SSH-2.0-OpenSSH", 0), 0u);
    EXPECT_TRUE(report.serviceReply.empty());
}

TEST_F(ProbeSshdTest, UnknownAlgorithmNameIsRefusedBeforeConnecting)
{
    ProbeOptions options = Options();
    options.transport.macs = {"hmac-sha2-256"};
    ProbeReport report;
    EXPECT_FALSE(RunProbe(options, report));
    EXPECT_EQ(GetErrorCode(), MakeErrorCode(qsErrorInvalidParameter));
    EXPECT_TRUE(report.serverVersion.empty());
}

TEST_F(ProbeSshdTest, ServerRefusingToRekeyFailsTheConnection)
{
    ProbeOptions options = Options();
    options.transport.dataLimit = 16384;  // sshd does not re-key before authentication
    options.padBytes = 32768;
    ProbeReport report;
    EXPECT_FALSE(RunProbe(options, report));
    EXPECT_EQ(GetErrorCode(), MakeErrorCode(qsErrorOperationNotSupported));
    EXPECT_EQ(report.serviceReply, "SERVICE_ACCEPT ssh-userauth");
}

// One bit flipped in the server's first encrypted packet: the MAC check ends the connection with its
// error (and a DISCONNECT), instead of resynchronising on the changed data or waiting for a time-out.
TEST_F(ProbeSshdTest, ChangedByteInFlightEndsTheConnectionWithTheMacError)
{
    // Offset 20 is inside the first encrypted packet but past its first cipher block.
    test::CorruptingRelay relay(SshdPort(), 20);
    ProbeOptions options = Options(relay.port());
    options.transport.ciphers = {"aes128-ctr"};
    options.transport.macs = {"hmac-sha1"};
    ProbeReport report;
    EXPECT_FALSE(RunProbe(options, report));
    EXPECT_TRUE(relay.flipped());
    EXPECT_EQ(GetErrorCode(), MakeErrorCode(qsErrorSecurityDecryption));
    EXPECT_TRUE(report.serviceReply.empty());
}

// The fingerprint is the one ssh-keygen shows for the server's key file.
TEST_F(ProbeSshdTest, FingerprintMatchesSshKeygen)
{
    const char *dir = std::getenv("QS_PEERS_DIR");
    if (dir == nullptr)
        GTEST_SKIP() << "QS_PEERS_DIR is not set";
    for (const char *type : {"rsa", "dsa"}) {
        const std::string command =
            std::string("ssh-keygen -l -E md5 -f ") + dir + "/sshd/ssh_host_" + type + "_key.pub 2>/dev/null";
        std::FILE *pipe = popen(command.c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        char line[512] = "";
        const bool read = std::fgets(line, sizeof line, pipe) != nullptr;
        pclose(pipe);
        ASSERT_TRUE(read) << command;
        // "BITS MD5:xx:...:xx comment (TYPE)"
        const std::string text = line;
        const std::string bits = text.substr(0, text.find(' '));
        const std::size_t md5 = text.find("MD5:") + 4;
        const std::string hex = text.substr(md5, text.find(' ', md5) - md5);

        ProbeOptions options = Options();
        options.transport.hostKeys = {std::string(type) == "rsa" ? "ssh-rsa" : "ssh-dss"};
        ProbeReport report;
        ASSERT_TRUE(RunProbe(options, report)) << ErrorNumber(GetErrorCode());
        EXPECT_EQ(report.fingerprint, options.transport.hostKeys[0] + " " + bits + " " + hex);
    }
}

class ProbeLshdTest : public ProbeSshdTest {
protected:
    void SetUp() override
    {
        if (PeerPort("QS_PEER_LSH_PORT") == 0)
            GTEST_SKIP() << "QS_PEER_LSH_PORT is not set";
        ASSERT_EQ(NetworkLibrary().LibraryInitialize(nullptr, nullptr), 1);
    }
    void TearDown() override
    {
        if (PeerPort("QS_PEER_LSH_PORT") != 0)
            NetworkLibrary().LibraryUninitialize();
    }
    static ProbeOptions LshOptions() { return Options(PeerPort("QS_PEER_LSH_PORT")); }
};

TEST_F(ProbeLshdTest, LegacyCiphersMacsAndGroups)
{
    struct Case {
        const char *kex, *cipher, *mac;
    };
    const Case cases[] = {
        {"diffie-hellman-group14-sha1", "blowfish-cbc", "hmac-md5"},
        {"diffie-hellman-group1-sha1", "aes256-cbc", "hmac-sha1"},
        {"diffie-hellman-group1-sha1", "3des-cbc", "hmac-md5"},
    };
    for (const Case &c : cases) {
        ProbeOptions options = LshOptions();
        options.transport.kex = {c.kex};
        options.transport.ciphers = {c.cipher};
        options.transport.macs = {c.mac};
        ProbeReport report;
        ASSERT_TRUE(RunProbe(options, report)) << c.cipher << " " << ErrorNumber(GetErrorCode());
        EXPECT_EQ(report.kex, c.kex);
        EXPECT_EQ(report.cipherIn, c.cipher);
        EXPECT_EQ(report.cipherOut, c.cipher);
        EXPECT_EQ(report.macIn, c.mac);
        EXPECT_EQ(report.hostKey, "ssh-dss");
        EXPECT_EQ(report.serviceReply, "SERVICE_ACCEPT ssh-userauth");
    }
}

TEST_F(ProbeLshdTest, ZlibCompressionBothWays)
{
    ProbeOptions options = LshOptions();
    options.transport.compression = true;
    options.padBytes = 65536;  // compressible IGNORE messages through both compressors
    ProbeReport report;
    ASSERT_TRUE(RunProbe(options, report)) << ErrorNumber(GetErrorCode());
    EXPECT_EQ(report.compressionOut, "zlib");
    EXPECT_EQ(report.compressionIn, "zlib");
}

TEST_F(ProbeLshdTest, RekeysOnTheDataLimitAndKeepsTheConnection)
{
    for (const char *cipher : {"aes256-ctr", "3des-cbc"}) {
        ProbeOptions options = LshOptions();
        options.transport.ciphers = {cipher};
        options.transport.dataLimit = 16384;
        options.padBytes = 100000;
        ProbeReport report;
        ASSERT_TRUE(RunProbe(options, report)) << cipher << " " << ErrorNumber(GetErrorCode());
        EXPECT_GE(report.keyExchanges, 2) << cipher;
    }
}

TEST_F(ProbeLshdTest, NoRekeyWorkaroundResetsTheCountersInstead)
{
    ProbeOptions options = LshOptions();
    options.transport.dataLimit = 16384;
    options.transport.bugs = kBugNoRekey;
    options.padBytes = 100000;
    ProbeReport report;
    ASSERT_TRUE(RunProbe(options, report)) << ErrorNumber(GetErrorCode());
    EXPECT_EQ(report.keyExchanges, 1);
}

// Through tinyproxy to the sshd of the private namespace, which the client cannot reach directly.
TEST_F(ProbeSshdTest, ThroughHttpProxyWithAndWithoutLogin)
{
    const char *dir = std::getenv("QS_PEERS_DIR");
    const char *address = std::getenv("QS_PEER_NETNS_ADDRESS");
    const int open = PeerPort("QS_PEER_HTTP_PROXY_PORT"), withLogin = PeerPort("QS_PEER_HTTP_PROXY_AUTH_PORT");
    if (dir == nullptr || address == nullptr || open == 0 || withLogin == 0)
        GTEST_SKIP() << "the proxies are not running";
    if (!std::ifstream(std::string(dir) + "/netns.name"))
        GTEST_SKIP() << "the private network namespace could not be created";
    const std::string user = std::getenv("QS_PEER_HTTP_PROXY_USER") ? std::getenv("QS_PEER_HTTP_PROXY_USER") : "";
    const std::string password =
        std::getenv("QS_PEER_HTTP_PROXY_PASSWORD") ? std::getenv("QS_PEER_HTTP_PROXY_PASSWORD") : "";
    struct Case {
        int port;
        std::string user, password;
        ErrorCode error;
    };
    const Case cases[] = {
        {open, "", "", 0},
        {withLogin, user, password, 0},
        {withLogin, user, password + "-wrong", MakeErrorCode(qsErrorInvalidProxyLogin)},
    };
    for (const Case &c : cases) {
        ProbeOptions options = Options();
        options.host = address;
        options.proxy = ProxyConfig{ProxyType::Http, "127.0.0.1", c.port, c.user, c.password};
        ProbeReport report;
        const bool ok = RunProbe(options, report);
        EXPECT_EQ(ok, c.error == 0) << c.port << " " << c.password;
        if (ok)
            EXPECT_EQ(report.serviceReply, "SERVICE_ACCEPT ssh-userauth");
        else
            EXPECT_EQ(GetErrorCode(), c.error);
    }
}

std::string Env(const char *name)
{
    const char *value = std::getenv(name);
    return value != nullptr ? value : "";
}

// Lines of the test sshd's log holding `text`; -1 when the log is not there.
int SshdLogCount(const std::string &text)
{
    const std::string dir = Env("QS_PEERS_DIR");
    std::ifstream log(dir + "/sshd/sshd.log");
    if (dir.empty() || !log)
        return -1;
    int count = 0;
    for (std::string line; std::getline(log, line);)
        count += line.find(text) != std::string::npos ? 1 : 0;
    return count;
}

class ProbeLoginTest : public ProbeSshdTest {
protected:
    void SetUp() override
    {
        ProbeSshdTest::SetUp();
        if (IsSkipped())
            return;
        user_ = Env("QS_PEER_SSH_USER");
        password_ = Env("QS_PEER_SSH_PASSWORD");
        if (user_.empty() || password_.empty())
            GTEST_SKIP() << "QS_PEER_SSH_USER and QS_PEER_SSH_PASSWORD are not set";
    }
    ProbeOptions LoginOptions(const std::string &user, const std::string &password, int port = SshdPort())
    {
        ProbeOptions options = Options(port);
        options.user = user;
        options.password = password;
        return options;
    }
    std::string user_, password_;
};

// The banner sshd sends before the methods answer does not disturb the login.
TEST_F(ProbeLoginTest, LogsInWithThePasswordPastTheBanner)
{
    for (const char *cipher : {"aes128-ctr", "aes256-cbc", "3des-cbc"}) {
        ProbeOptions options = LoginOptions(user_, password_);
        options.transport.ciphers = {cipher};
        ProbeReport report;
        ASSERT_TRUE(RunProbe(options, report)) << cipher << " " << ErrorNumber(GetErrorCode());
        EXPECT_EQ(report.serviceReply, "SERVICE_ACCEPT ssh-userauth");
        EXPECT_EQ(report.authentication, "USERAUTH_SUCCESS");
    }
}

TEST_F(ProbeLoginTest, LoginFailuresDisconnectWithTheirReason)
{
    struct Case {
        const char *name;
        std::string user, password;
        const char *authentication;
        const char *sshdLogLine;  // logged once per password sshd checked
    };
    const Case cases[] = {
        {"wrong password is tried once", user_, password_ + "-wrong", "DISCONNECT 13", "Failed password for "},
        {"no password method", Env("QS_PEER_SSH_KEYONLY_USER"), password_, "DISCONNECT 14", "Failed password for "},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const int checkedBefore = SshdLogCount(c.sshdLogLine);
        ProbeReport report;
        EXPECT_FALSE(RunProbe(LoginOptions(c.user, c.password), report));
        EXPECT_EQ(GetErrorCode(), MakeErrorCode(qsErrorAuthenticationFailed));
        EXPECT_EQ(report.authentication, c.authentication);
        if (checkedBefore >= 0) {
            const int expected = std::string(c.authentication) == "DISCONNECT 13" ? 1 : 0;
            EXPECT_EQ(SshdLogCount(c.sshdLogLine) - checkedBefore, expected) << "password requests sshd saw";
        }
    }
}

// After the login sshd re-keys on its RekeyLimit (64K in tests/peers), and accepts ours on our limit;
// the padding flows on under each new set of keys (what we send while keys change is held, then goes
// out under the new ones).
TEST_F(ProbeLoginTest, RekeysAfterLoginOnEitherSidesDataLimit)
{
    struct Case {
        const char *name;
        std::uint64_t ourLimit;
        std::size_t pad;
        int atLeast;
    };
    const Case cases[] = {
        {"sshd's limit", 0, 300000, 2},
        {"our limit", 16384, 40000, 2},  // below sshd's limit: each re-keying is ours
    };
    for (const Case &c : cases) {
        for (const char *cipher : {"aes128-ctr", "3des-cbc"}) {
            SCOPED_TRACE(std::string(c.name) + " " + cipher);
            ProbeOptions options = LoginOptions(user_, password_);
            options.transport.ciphers = {cipher};
            options.transport.dataLimit = c.ourLimit;
            options.padBytes = c.pad;
            ProbeReport report;
            ASSERT_TRUE(RunProbe(options, report)) << ErrorNumber(GetErrorCode());
            EXPECT_EQ(report.authentication, "USERAUTH_SUCCESS");
            EXPECT_GE(report.keyExchanges, c.atLeast);
            EXPECT_TRUE(report.serverDisconnect.empty()) << report.serverDisconnect;
        }
    }
}

// A scripted telnet proxy (Debian has none to run) takes the connect command, then relays to the test
// sshd: the key exchange and the login run through it.
TEST_F(ProbeLoginTest, ThroughTelnetProxy)
{
    const int sshPort = SshdPort();
    test::ScriptedPeer proxy([sshPort](test::PeerConnection &connection) {
        connection.Record(connection.ReadUntil("\n"));
        connection.RelayTo(sshPort);
    });
    ProbeOptions options = LoginOptions(user_, password_);
    options.host = "ssh.example.test";
    options.port = 22;
    options.proxy = ProxyConfig{ProxyType::Telnet, "127.0.0.1", proxy.port(), "", ""};
    ProbeReport report;
    ASSERT_TRUE(RunProbe(options, report)) << ErrorNumber(GetErrorCode());
    EXPECT_EQ(report.authentication, "USERAUTH_SUCCESS");
    EXPECT_EQ(proxy.recorded(), "connect ssh.example.test 22\n");
}

// Sessions on the real sshd: commands with their output, input and exit codes, a shell on a terminal,
// and bulk data both ways through the windows and sshd's re-keying.
TEST_F(ProbeLoginTest, SessionRunsCommandsAndReportsTheirExit)
{
    struct Case {
        const char *name;
        std::string command;  // empty: a shell on a terminal
        std::string input;
        std::string output;   // expected whole, or (with `contains`) somewhere in it
        bool contains;
        int exitCode;
    };
    const Case cases[] = {
        {"output and status", "echo hello; exit 3", "", "hello\n", false, 3},
        {"input then end of file", "tr a-z A-Z", "quill\nstream\n", "QUILL\nSTREAM\n", false, 0},
        {"standard error in order", "printf out; sleep 0.2; printf err >&2", "", "outerr", false, 0},
        {"killed by a signal", "kill -TERM $$", "", "", false, 143},
        {"shell on a terminal", "", "echo $((6*7)); exit 5\n", "42", true, 5},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ProbeOptions options = LoginOptions(user_, password_);
        options.session = SessionSetup{};
        options.session->command = c.command;
        options.input = c.input;
        ProbeReport report;
        ASSERT_TRUE(RunProbe(options, report)) << ErrorNumber(GetErrorCode());
        if (c.contains)
            EXPECT_NE(report.output.find(c.output), std::string::npos) << report.output;
        else
            EXPECT_EQ(report.output, c.output);
        EXPECT_EQ(report.exitCode, c.exitCode);
    }
}

TEST_F(ProbeLoginTest, BulkDataBothWaysSurvivesWindowsAndRekeying)
{
    // 300 KB through cat: our writes wait for sshd's window, its output for ours, and sshd re-keys
    // every 64K on the way.
    std::string input;
    for (int i = 0; input.size() < 300000; ++i)
        input += "line " + std::to_string(i) + "\n";
    ProbeOptions options = LoginOptions(user_, password_);
    options.session = SessionSetup{};
    options.session->command = "cat";
    options.input = input;
    options.transport.ciphers = {"aes128-ctr"};
    ProbeReport report;
    ASSERT_TRUE(RunProbe(options, report)) << ErrorNumber(GetErrorCode());
    EXPECT_TRUE(report.output == input) << report.output.size() << " of " << input.size() << " bytes back";
    EXPECT_EQ(report.exitCode, 0);
    EXPECT_GE(report.keyExchanges, 3);
}

}  // namespace
}  // namespace qs::ssh
