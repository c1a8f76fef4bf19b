// The trace module as the core drives it: loaded by name, handed the socket library's last-error
// calls, then one hook after each socket call.
#include "tests/platform/winsock/fixture.h"

#include <unistd.h>

#include <fstream>
#include <sstream>

#include "platform/trace/qstrace.h"
#include "tests/platform/winsock/peer.h"

#define QS_TRACE_HOOKS(X)                                                                                 \
    X(accept) X(bind) X(closesocket) X(connect) X(ioctlsocket) X(getpeername) X(getsockname) X(getsockopt) \
    X(listen) X(recv) X(recvfrom) X(select) X(send) X(sendto) X(setsockopt) X(shutdown) X(socket)           \
    X(gethostbyaddr) X(gethostbyname) X(gethostname) X(getservbyport) X(getservbyname) X(getprotobynumber)  \
    X(getprotobyname) X(WSAAsyncGetServByName) X(WSAAsyncGetServByPort) X(WSAAsyncGetProtoByName)           \
    X(WSAAsyncGetProtoByNumber) X(WSAAsyncGetHostByName) X(WSAAsyncGetHostByAddr) X(WSACancelAsyncRequest)  \
    X(WSAAsyncSelect) X(WSAEventSelect) X(WSAEnumNetworkEvents) X(WSAIoctl)

namespace wstest {
namespace {

struct TraceApi {
    HMODULE module = nullptr;
    qstrace::WSXSetupTrace_fn WSXSetupTrace = nullptr;
    qstrace::WSXEnableTrace_fn WSXEnableTrace = nullptr;
    qstrace::WSXDisableTrace_fn WSXDisableTrace = nullptr;
    qstrace::WSXGetTraceUsage_fn WSXGetTraceUsage = nullptr;
    qstrace::WSXSetTraceFile_fn WSXSetTraceFile = nullptr;
    qstrace::WSXGetTraceFile_fn WSXGetTraceFile = nullptr;
    qstrace::WSXSetTraceFlags_fn WSXSetTraceFlags = nullptr;
    qstrace::WSAGetTraceFlags_fn WSAGetTraceFlags = nullptr;
    qstrace::WSXTraceWrite_fn WSXTraceWrite = nullptr;
#define QS_TX_MEMBER(name) qstrace::TX_##name##_fn name = nullptr;
    QS_TRACE_HOOKS(QS_TX_MEMBER)
#undef QS_TX_MEMBER
};

const TraceApi &Trace()
{
    static const TraceApi api = [] {
        TraceApi t;
        t.module = LoadLibraryA("qstrace6");
        if (t.module == nullptr) {
            return t;
        }
        auto bind = [&](auto &slot, const char *name) {
            slot = reinterpret_cast<std::remove_reference_t<decltype(slot)>>(GetProcAddress(t.module, name));
        };
        bind(t.WSXSetupTrace, "WSXSetupTrace");
        bind(t.WSXEnableTrace, "WSXEnableTrace");
        bind(t.WSXDisableTrace, "WSXDisableTrace");
        bind(t.WSXGetTraceUsage, "WSXGetTraceUsage");
        bind(t.WSXSetTraceFile, "WSXSetTraceFile");
        bind(t.WSXGetTraceFile, "WSXGetTraceFile");
        bind(t.WSXSetTraceFlags, "WSXSetTraceFlags");
        bind(t.WSAGetTraceFlags, "WSAGetTraceFlags");
        bind(t.WSXTraceWrite, "WSXTraceWrite");
#define QS_TX_BIND(name) bind(t.name, "TX_" #name);
        QS_TRACE_HOOKS(QS_TX_BIND)
#undef QS_TX_BIND
        return t;
    }();
    return api;
}

constexpr std::uint32_t kHexDump = 4;
constexpr std::uint32_t kErrorsOnly = 1;

class TraceTest : public WinsockTest {
protected:
    void SetUp() override
    {
        WinsockTest::SetUp();
        ASSERT_NE(tx.module, nullptr) << "libqstrace6.so not found on QS_MODULE_PATH";
        path_ = ::testing::TempDir() + "qstrace-test-" + std::to_string(getpid()) + ".log";
        std::remove(path_.c_str());
        qstrace::SetupTable table{ws.WSAGetLastError, ws.WSASetLastError};
        ASSERT_NE(tx.WSXSetupTrace(&table), 0);
        ASSERT_NE(tx.WSXEnableTrace(path_.c_str(), kHexDump), 0);
    }
    void TearDown() override
    {
        while (tx.module != nullptr && tx.WSXGetTraceUsage() > 0) {
            tx.WSXDisableTrace();
        }
        std::remove(path_.c_str());
        WinsockTest::TearDown();
    }
    std::vector<std::string> Lines() const
    {
        std::ifstream in(path_);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) {
            lines.push_back(line);
        }
        return lines;
    }
    // The index of the first line holding `text`, or -1.
    int Find(const std::string &text) const
    {
        std::vector<std::string> lines = Lines();
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (lines[i].find(text) != std::string::npos) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }

    const TraceApi &tx = Trace();
    std::string path_;
};

TEST(TraceModule, AnswersEveryCallTheCoreBinds)
{
    const TraceApi &tx = Trace();
    ASSERT_NE(tx.module, nullptr);
    EXPECT_NE(reinterpret_cast<void *>(tx.WSXSetupTrace), nullptr);
    EXPECT_NE(reinterpret_cast<void *>(tx.WSXEnableTrace), nullptr);
    EXPECT_NE(reinterpret_cast<void *>(tx.WSXDisableTrace), nullptr);
    EXPECT_NE(reinterpret_cast<void *>(tx.WSXGetTraceUsage), nullptr);
    EXPECT_NE(reinterpret_cast<void *>(tx.WSXSetTraceFile), nullptr);
    EXPECT_NE(reinterpret_cast<void *>(tx.WSXGetTraceFile), nullptr);
    EXPECT_NE(reinterpret_cast<void *>(tx.WSXSetTraceFlags), nullptr);
    EXPECT_NE(reinterpret_cast<void *>(tx.WSAGetTraceFlags), nullptr);
    EXPECT_NE(reinterpret_cast<void *>(tx.WSXTraceWrite), nullptr);
#define QS_TX_PRESENT(name) EXPECT_NE(reinterpret_cast<void *>(tx.name), nullptr) << "TX_" #name;
    QS_TRACE_HOOKS(QS_TX_PRESENT)
#undef QS_TX_PRESENT
}

TEST_F(TraceTest, HooksWriteOneLinePerCallAndDumpData)
{
    int port = 0;
    int listener = peer::Listen(&port);
    ws::SOCKET s = tx.socket(ws.socket(wsc::kAfInet, ws::SOCK_STREAM, 0), wsc::kAfInet, ws::SOCK_STREAM, 0);
    ASSERT_NE(s, ws::INVALID_SOCKET);
    ws::sockaddr_in to = Loopback(port);
    auto *address = reinterpret_cast<ws::sockaddr *>(&to);
    ASSERT_EQ(tx.connect(ws.connect(s, address, sizeof(to)), s, address, sizeof(to)), 0);
    int far = peer::Accept(listener);
    ASSERT_EQ(tx.send(ws.send(s, "hello", 5, 0), s, "hello", 5, 0), 5);
    peer::SendAll(far, "reply");
    ASSERT_TRUE(WaitReadable(s, 5));
    char buffer[64];
    ASSERT_EQ(tx.recv(ws.recv(s, buffer, sizeof(buffer), 0), s, buffer, sizeof(buffer), 0), 5);

    std::string sock = std::to_string(s);
    EXPECT_GE(Find("socket(2, 1, 0) = " + sock), 0);
    EXPECT_GE(Find("connect(" + sock + ", 127.0.0.1:" + std::to_string(port) + ", 16) = 0"), 0);
    int sent = Find("send(" + sock + ", ");
    ASSERT_GE(sent, 0);
    EXPECT_NE(Lines()[static_cast<std::size_t>(sent)].find(", 5, 0x0) = 5"), std::string::npos);
    ASSERT_LT(static_cast<std::size_t>(sent + 1), Lines().size());
    EXPECT_NE(Lines()[static_cast<std::size_t>(sent + 1)].find("68 65 6c 6c 6f"), std::string::npos);
    EXPECT_NE(Lines()[static_cast<std::size_t>(sent + 1)].find("hello"), std::string::npos);
    int received = Find("recv(" + sock + ", ");
    ASSERT_GE(received, 0);
    EXPECT_NE(Lines()[static_cast<std::size_t>(received + 1)].find("reply"), std::string::npos);
    peer::Close(far);
    peer::Close(listener);
}

TEST_F(TraceTest, FailuresShowTheErrorAndKeepIt)
{
    ws::SOCKET s = Tcp();
    ws::sockaddr_in to = Loopback(peer::ClosedPort());
    auto *address = reinterpret_cast<ws::sockaddr *>(&to);
    int result = ws.connect(s, address, sizeof(to));
    ASSERT_EQ(LastError(), ws::WSAECONNREFUSED);
    EXPECT_EQ(tx.connect(result, s, address, sizeof(to)), ws::SOCKET_ERROR);
    EXPECT_EQ(LastError(), ws::WSAECONNREFUSED);
    EXPECT_GE(Find(") = -1 [10061]"), 0);

    EXPECT_EQ(tx.gethostbyname(ws.gethostbyname("bad..name"), "bad..name"), nullptr);
    EXPECT_EQ(LastError(), ws::WSAHOST_NOT_FOUND);
    EXPECT_GE(Find("gethostbyname(\"bad..name\") = null [11001]"), 0);

    // A hook hands back whatever result it is given.
    EXPECT_EQ(tx.recv(12345, s, nullptr, 0, 0), 12345);
    ws.WSASetLastError(10054);
    EXPECT_EQ(tx.WSXTraceWrite(0, "a line", 0), 1);
    EXPECT_EQ(LastError(), 10054);
}

TEST_F(TraceTest, ErrorFlagKeepsOnlyFailures)
{
    ASSERT_NE(tx.WSXSetTraceFlags(kErrorsOnly), 0);
    EXPECT_EQ(tx.WSAGetTraceFlags(), kErrorsOnly);
    tx.listen(0, 7, 5);
    tx.listen(ws::SOCKET_ERROR, 8, 5);
    EXPECT_LT(Find("listen(7, 5)"), 0);
    EXPECT_GE(Find("listen(8, 5) = -1"), 0);
}

TEST_F(TraceTest, TextRecordsStayOneLine)
{
    EXPECT_EQ(tx.WSXTraceWrite(0, "first\nforged", 0), 1);
    EXPECT_GE(Find("first forged"), 0);
    EXPECT_EQ(Find("forged"), Find("first forged"));  // no record of its own
    const unsigned char data[3] = {0x00, 0x41, 0xFF};
    EXPECT_EQ(tx.WSXTraceWrite(kHexDump, data, 3), 1);
    EXPECT_GE(Find("00 41 ff"), 0);
    EXPECT_EQ(tx.WSXTraceWrite(0, nullptr, 0), 0);
}

TEST_F(TraceTest, FileUseCountAndSwitchingOff)
{
    char name[4096];
    EXPECT_EQ(tx.WSXGetTraceFile(name, sizeof(name)), static_cast<int>(path_.size()));
    EXPECT_EQ(name, path_);
    char tiny[4];
    EXPECT_EQ(tx.WSXGetTraceFile(tiny, sizeof(tiny)), 3);
    EXPECT_EQ(std::string(tiny), path_.substr(0, 3));

    ASSERT_NE(tx.WSXEnableTrace(nullptr, kHexDump), 0);  // a second use of the same file
    EXPECT_EQ(tx.WSXGetTraceUsage(), 2);
    EXPECT_EQ(tx.WSXDisableTrace(), 1);
    tx.listen(0, 9, 1);
    EXPECT_GE(Find("listen(9, 1)"), 0);
    EXPECT_EQ(tx.WSXDisableTrace(), 1);
    EXPECT_EQ(tx.WSXGetTraceUsage(), 0);
    tx.listen(0, 10, 1);
    EXPECT_LT(Find("listen(10, 1)"), 0);
    EXPECT_EQ(tx.WSXDisableTrace(), 0);
    EXPECT_EQ(tx.WSXEnableTrace("/nonexistent-dir/trace.log", 0), 0);
}

}  // namespace
}  // namespace wstest
