// WhoisClient driven by name, as a script host drives it, in both modes: searches against the scripted
// whois peer checked against Debian's whois client, the automatic search once per session, the search
// types, and the failures (refused, silent, cancelled, no session, another thread) and bad input.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/automation/safearray.h"
#include "tests/control/dispatch_driver.h"
#include "tests/core/control_events.h"
#include "tests/core/handler_window.h"
#include "tests/core/loopback.h"
#include "tests/core/peer_answers.h"
#include "tests/core/peers.h"
#include "tests/core/raw_tcp.h"
#include "whois/control/whois_client.h"

namespace qs::whois {
namespace {

using automation::Variant;
using Events = std::vector<std::string>;

const char *const kRefused = "OnError(10061, The connection has been refused by the remote host)";
const char *const kTimedOut = "OnError(10060, The specified operation has timed out)";
const char *const kCanceled = "OnError(10004, The blocking operation has been canceled)";
const char *const kNotConnected = "OnError(10057, No connection established with remote host)";

// What Debian's whois client prints for the query on the local peer; empty when it is not installed.
std::string DebianWhois(int port, const std::string &query)
{
    bool ran = false;
    std::string output = test::CommandOutput("whois -h 127.0.0.1 -p " + std::to_string(port) + " '" + query + "'", &ran);
    return ran ? output : std::string();
}

class WhoisControlTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        client_ = new WhoisClient;
        driver_.emplace(static_cast<IWhoisClient *>(client_));
        events_.emplace(driver_->control());
        client_->Release();
    }
    void TearDown() override
    {
        events_.reset();
        driver_.reset();
    }

    // Connect to the port (the properties for the rest); the Error result.
    LONG Connect(int port, HRESULT *hr = nullptr)
    {
        Variant error;
        HRESULT result = driver_->Call("Connect", {Variant("127.0.0.1"), Variant(port)}, &error);
        if (hr != nullptr)
            *hr = result;
        else
            EXPECT_EQ(result, S_OK);
        return error.vt == VT_I4 ? error.lVal : -999;
    }
    LONG Search(std::vector<Variant> args, HRESULT *hr = nullptr)
    {
        Variant error;
        HRESULT result = driver_->Call("Search", std::move(args), &error);
        if (hr != nullptr)
            *hr = result;
        else
            EXPECT_EQ(result, S_OK);
        return error.vt == VT_I4 ? error.lVal : -999;
    }
    // One Read into a byte array: the count; the bytes are appended to `data`.
    LONG ReadBlock(std::string *data, LONG size = 4096)
    {
        Variant buffer = Variant::Array(SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(size)), VT_UI1);
        Variant count;
        EXPECT_EQ(driver_->Call("Read", {Variant::Ref(&buffer)}, &count), S_OK);
        if (count.vt != VT_I4)
            return -999;
        if (count.lVal > 0) {
            void *bytes = nullptr;
            SafeArrayAccessData(buffer.parray, &bytes);
            data->append(static_cast<const char *>(bytes), static_cast<std::size_t>(count.lVal));
            SafeArrayUnaccessData(buffer.parray);
        }
        return count.lVal;
    }
    std::string ReadAll(LONG *last, std::size_t limit = 64u << 20)
    {
        std::string data;
        LONG n = 0;
        while (data.size() < limit && (n = ReadBlock(&data)) > 0) {
        }
        *last = n;
        return data;
    }
    bool PumpUntilEvent(const std::string &name)
    {
        return test::PumpUntil([&] { return events_->Saw(name); });
    }
    // The whole answer to Keyword and SearchType, in blocking mode or through events.
    std::string Query(int port, bool blocking)
    {
        events_->Take();
        std::string answer;
        LONG last = -1;
        EXPECT_EQ(driver_->Put("Blocking", Variant(blocking)), S_OK);
        if (blocking) {
            EXPECT_EQ(Connect(port), 0);
            answer = ReadAll(&last);
            EXPECT_EQ(last, 0);
            return answer;
        }
        events_->SetHandler([&](const std::string &name) {
            if (name == "OnRead")
                ReadBlock(&answer);
        });
        EXPECT_EQ(Connect(port), 0);
        EXPECT_TRUE(PumpUntilEvent("OnDisconnect")) << ::testing::PrintToString(events_->seen());
        events_->SetHandler({});
        answer += ReadAll(&last);
        EXPECT_EQ(last, 0) << ::testing::PrintToString(events_->seen());
        return answer;
    }

    WhoisClient *client_ = nullptr;
    std::optional<test::DispatchDriver> driver_;
    std::optional<test::ControlEvents> events_;
};

// Debian's client lower-cases the query and drops carriage returns; the peer matches keys in any case
// and its records have none, so both must print the same bytes, referral query included.
TEST_F(WhoisControlTest, AnswersMatchDebiansClientInBothModes)
{
    QS_REQUIRE_PEER(port, "QS_PEER_WHOIS_PORT");
    QS_REQUIRE_PEER(referPort, "QS_PEER_WHOIS_REFER_PORT");
    if (DebianWhois(port, "example.test").empty())
        GTEST_SKIP() << "Debian's whois client is not installed";
    struct Case {
        int port;
        const char *query;
    } cases[] = {
        {port, "example.test"}, {port, "127.0.0.1"},    {port, "AS64500"},
        {port, "no-such.test"}, {referPort, "example.test"},
    };
    for (bool blocking : {true, false}) {
        for (const Case &c : cases) {
            SCOPED_TRACE(testing::Message() << c.query << " blocking " << blocking);
            ASSERT_EQ(driver_->Put("Keyword", Variant(c.query)), S_OK);
            EXPECT_EQ(Query(c.port, blocking), DebianWhois(c.port, c.query));
            EXPECT_EQ(events_->Sequence(), blocking ? Events{} : (Events{"OnConnect", "OnRead", "OnDisconnect"}));
        }
    }
    // The registry's referral is handed over as it came and not followed.
    ASSERT_EQ(driver_->Put("Keyword", Variant("example.test")), S_OK);
    std::string answer = Query(port, true);
    EXPECT_NE(answer.find("refer: 127.0.0.1:" + std::to_string(referPort) + "\n"), std::string::npos) << answer;
    EXPECT_EQ(answer.find("Registrant Name"), std::string::npos) << answer;
}

TEST_F(WhoisControlTest, KeywordIsSearchedOncePerSession)
{
    QS_REQUIRE_PEER(port, "QS_PEER_WHOIS_PORT");
    // No keyword: Connect sends nothing; Search sends the query and keeps what it used.
    ASSERT_EQ(driver_->Put("Timeout", Variant(1)), S_OK);
    EXPECT_EQ(Connect(port), 0);
    EXPECT_EQ(driver_->Text("IsReadable"), "False");
    EXPECT_EQ(Search({Variant("Example Holder"), Variant(2)}), 0);
    EXPECT_EQ(driver_->Text("Keyword"), "Example Holder");
    EXPECT_EQ(driver_->Long("SearchType"), 2);
    LONG last = -1;
    EXPECT_EQ(ReadAll(&last), "No match for \".Example Holder\".\n");

    // The keyword is set: a new Connect after Disconnect searches again, each time.
    for (int round = 0; round < 2; ++round) {
        Variant error;
        ASSERT_EQ(driver_->Call("Disconnect", {}, &error), S_OK);
        ASSERT_EQ(driver_->Put("Keyword", Variant("holder")), S_OK);
        ASSERT_EQ(driver_->Put("SearchType", Variant(3)), S_OK);
        EXPECT_EQ(Connect(port), 0);
        EXPECT_EQ(ReadAll(&last), "No match for \"@holder\".\n");
    }
    EXPECT_EQ(events_->seen(), Events{});
}

TEST_F(WhoisControlTest, SearchTypeIsChecked)
{
    QS_REQUIRE_PEER(port, "QS_PEER_WHOIS_PORT");
    for (LONG bad : {4, 7, -1})
        EXPECT_EQ(driver_->Put("SearchType", Variant(static_cast<int>(bad))), MakeHresult(0x800A017C)) << bad;
    EXPECT_EQ(driver_->Long("SearchType"), 0);
    EXPECT_EQ(Connect(port), 0);
    EXPECT_EQ(Search({Variant("x"), Variant(7)}), 10014);
    EXPECT_EQ(events_->Take(), Events{"OnError(10014, Invalid argument passed to function)"});
    // The failed search kept nothing and sent nothing: the next one is the only query.
    EXPECT_EQ(driver_->Text("Keyword"), "");
    EXPECT_EQ(Search({Variant("EX1-TEST"), Variant(1)}), 0);
    LONG last = -1;
    EXPECT_EQ(ReadAll(&last), "No match for \"!EX1-TEST\".\n");
}

TEST_F(WhoisControlTest, RefusedConnectionInBothModes)
{
    const int port = test::UnusedTcpPort();
    ASSERT_EQ(driver_->Put("Keyword", Variant("example.test")), S_OK);
    EXPECT_EQ(Connect(port), 10061);
    EXPECT_EQ(driver_->Long("LastError"), 10061);
    EXPECT_EQ(events_->Take(), Events{kRefused});
    ASSERT_EQ(driver_->Put("ThrowError", Variant(true)), S_OK);
    HRESULT hr = S_OK;
    Connect(port, &hr);
    EXPECT_EQ(hr, MakeHresult(0x800A274D));
    EXPECT_EQ(events_->Take(), Events{kRefused});

    // The library leaves the failed session to the control, which ends it before reporting.
    ASSERT_EQ(driver_->Put("ThrowError", Variant(false)), S_OK);
    ASSERT_EQ(driver_->Put("Blocking", Variant(false)), S_OK);
    EXPECT_EQ(Connect(port), 0);
    ASSERT_TRUE(PumpUntilEvent("OnError"));
    EXPECT_EQ(events_->seen(), Events{kRefused});
    EXPECT_EQ(driver_->Long("Handle"), -1);
    EXPECT_EQ(driver_->Text("Connected"), "False");
}

TEST_F(WhoisControlTest, SilentServerTimesOutWithoutTimeoutEvents)
{
    QS_REQUIRE_PEER(port, "QS_PEER_DISCARD_PORT");
    ASSERT_EQ(driver_->Put("Timeout", Variant(2)), S_OK);
    ASSERT_EQ(driver_->Put("Keyword", Variant("example.test")), S_OK);
    EXPECT_EQ(Connect(port), 0);
    std::string data;
    EXPECT_EQ(ReadBlock(&data), -1);
    EXPECT_EQ(driver_->Long("LastError"), 10060);
    EXPECT_EQ(events_->Take(), Events{kTimedOut});

    // A negative time-out is the session's value and ends the next wait at once.
    ASSERT_EQ(driver_->Put("Timeout", Variant(-1)), S_OK);
    EXPECT_EQ(driver_->Long("Timeout"), -1);
    EXPECT_EQ(ReadBlock(&data), -1);
    EXPECT_EQ(events_->Take(), Events{kTimedOut});

    // Asynchronously connected and searched, then switched to blocking for the read.
    ASSERT_EQ(driver_->Put("Timeout", Variant(2)), S_OK);
    ASSERT_EQ(driver_->Put("Blocking", Variant(false)), S_OK);
    EXPECT_EQ(Connect(port), 0);
    ASSERT_TRUE(PumpUntilEvent("OnConnect"));
    ASSERT_EQ(driver_->Put("Blocking", Variant(true)), S_OK);
    EXPECT_EQ(ReadBlock(&data), -1);
    EXPECT_EQ(events_->seen(), (Events{"OnConnect()", kTimedOut}));
}

TEST_F(WhoisControlTest, CancelFromAHandlerDuringABlockingRead)
{
    QS_REQUIRE_PEER(port, "QS_PEER_DISCARD_PORT");
    ASSERT_EQ(driver_->Put("Timeout", Variant(0)), S_OK);
    EXPECT_EQ(Connect(port), 0);
    test::HandlerWindow window([&](UINT message, WPARAM, LPARAM) {
        if (message == WM_TIMER) {
            KillTimer(window.hwnd(), 1);
            EXPECT_EQ(driver_->Text("IsBlocked"), "True");
            // A search inside the wait is a nested operation.
            EXPECT_EQ(Search({Variant("x")}), 10036);
            Variant error;
            EXPECT_EQ(driver_->Call("Cancel", {}, &error), S_OK);
        }
    });
    SetTimer(window.hwnd(), 1, 100, nullptr);
    std::string data;
    EXPECT_EQ(ReadBlock(&data), -1);
    EXPECT_EQ(driver_->Long("LastError"), 10004);
    EXPECT_EQ(events_->seen(), (Events{"OnError(10036, A network operation is currently in progress)", kCanceled}));
}

TEST_F(WhoisControlTest, MethodsAfterDisconnectReportNoConnection)
{
    QS_REQUIRE_PEER(port, "QS_PEER_WHOIS_PORT");
    EXPECT_EQ(Connect(port), 0);
    Variant error;
    EXPECT_EQ(driver_->Call("Disconnect", {}, &error), S_OK);
    EXPECT_EQ(error.lVal, 0);
    EXPECT_EQ(driver_->Text("Connected"), "False");
    std::string data;
    EXPECT_EQ(ReadBlock(&data), -1);
    EXPECT_EQ(Search({Variant("example.test")}), 10057);
    EXPECT_EQ(driver_->Text("Keyword"), "");
    EXPECT_EQ(events_->seen(), (Events{kNotConnected, kNotConnected}));
}

TEST_F(WhoisControlTest, HandleUsedFromAnotherThread)
{
    QS_REQUIRE_PEER(port, "QS_PEER_WHOIS_PORT");
    EXPECT_EQ(Connect(port), 0);
    std::thread([&] {
        IWhoisClient *client = client_;
        Variant error;
        EXPECT_EQ(client->Search(Variant("AS64500"), Variant::Missing(), &error), S_OK);
        EXPECT_EQ(error.lVal, 10001);
    }).join();
    EXPECT_EQ(events_->Take(), Events{"OnError(10001, Handle not owned by the current thread)"});
    EXPECT_EQ(Search({Variant("AS64500")}), 0);
    LONG last = -1;
    EXPECT_NE(ReadAll(&last).find("aut-num:        AS64500"), std::string::npos);
}

TEST_F(WhoisControlTest, ResetAndUninitialize)
{
    QS_REQUIRE_PEER(port, "QS_PEER_WHOIS_PORT");
    ASSERT_EQ(driver_->Put("Keyword", Variant("example.test")), S_OK);
    ASSERT_EQ(driver_->Put("SearchType", Variant(1)), S_OK);
    ASSERT_EQ(driver_->Put("Blocking", Variant(false)), S_OK);
    ASSERT_EQ(driver_->Put("Timeout", Variant(9)), S_OK);
    EXPECT_EQ(Connect(port), 0);
    ASSERT_FALSE(driver_->Text("Library").empty());
    ASSERT_EQ(driver_->Call("Reset"), S_OK);
    struct Expected {
        const char *name;
        const char *text;
    } defaults[] = {
        {"Handle", "-1"}, {"Blocking", "True"},  {"Connected", "False"}, {"Keyword", ""},
        {"SearchType", "0"}, {"Timeout", "60"}, {"RemotePort", "0"},     {"HostAddress", ""},
    };
    for (const Expected &e : defaults)
        EXPECT_EQ(driver_->Text(e.name), e.text) << e.name;
    EXPECT_FALSE(driver_->Text("Library").empty());
    ASSERT_EQ(driver_->Call("Uninitialize"), S_OK);
    EXPECT_EQ(driver_->Text("Library"), "");
    EXPECT_EQ(driver_->Text("WinsockVersion"), "");
}

TEST_F(WhoisControlTest, EnormousBinaryAndEndlessAnswersArriveUnchanged)
{
    QS_REQUIRE_PEER(port, "QS_PEER_WHOIS_PORT");
    QS_REQUIRE_PEER(chargen, "QS_PEER_CHARGEN_PORT");
    for (bool blocking : {true, false}) {
        SCOPED_TRACE(blocking ? "blocking" : "asynchronous");
        ASSERT_EQ(driver_->Put("Keyword", Variant("binary.test")), S_OK);
        EXPECT_TRUE(Query(port, blocking) == test::WhoisBinaryAnswer());
        ASSERT_EQ(driver_->Put("Keyword", Variant("big.test")), S_OK);
        EXPECT_TRUE(Query(port, blocking) == test::WhoisBigAnswer());
    }
    ASSERT_EQ(driver_->Put("Blocking", Variant(true)), S_OK);
    ASSERT_EQ(driver_->Put("Keyword", Variant("anything")), S_OK);
    EXPECT_EQ(Connect(chargen), 0);
    LONG last = -1;
    std::string endless = ReadAll(&last, 1u << 20);
    EXPECT_GT(last, 0);
    EXPECT_TRUE(endless == test::RawTcpExchange(chargen, "anything\r\n", endless.size()));
}

}  // namespace
}  // namespace qs::whois
