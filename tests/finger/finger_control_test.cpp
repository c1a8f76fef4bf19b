// FingerClient driven by name, as a script host drives it, in both modes: against netkit in.fingerd, the
// discard and chargen services and the scripted whois peer (which answers a query line the way a finger
// server does), plus the session frame's Blocking switching, frozen events, Reset and Uninitialize.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "finger/control/finger_client.h"
#include "platform/automation/safearray.h"
#include "platform/automation/site.h"
#include "tests/control/dispatch_driver.h"
#include "tests/core/control_events.h"
#include "tests/core/handler_window.h"
#include "tests/core/loopback.h"
#include "tests/core/peer_answers.h"
#include "tests/core/peers.h"
#include "tests/core/raw_tcp.h"

namespace qs::finger {
namespace {

using automation::Variant;
using Events = std::vector<std::string>;

const char *const kRefused = "OnError(10061, The connection has been refused by the remote host)";
const char *const kTimedOut = "OnError(10060, The specified operation has timed out)";
const char *const kCanceled = "OnError(10004, The blocking operation has been canceled)";
const char *const kNotConnected = "OnError(10057, No connection established with remote host)";

class FingerControlTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        client_ = new FingerClient;
        driver_.emplace(static_cast<IFingerClient *>(client_));
        events_.emplace(driver_->control());
        client_->Release();
    }
    void TearDown() override
    {
        events_.reset();
        driver_.reset();
    }

    // Connect with the host, port and user (the properties for the rest); the Error result.
    LONG Connect(int port, const char *user, HRESULT *hr = nullptr)
    {
        Variant error;
        HRESULT result = driver_->Call("Connect", {Variant("127.0.0.1"), Variant(port), Variant(user)}, &error);
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
    // Reads until Read returns 0 or -1 (`*last`), or `limit` bytes came.
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
    // Asynchronously: reads in OnRead handlers until OnDisconnect, then what is still waiting.
    std::string QueryThroughEvents(int port, const char *user)
    {
        std::string answer;
        events_->SetHandler([&](const std::string &name) {
            if (name == "OnRead")
                ReadBlock(&answer);
        });
        EXPECT_EQ(driver_->Put("Blocking", Variant(false)), S_OK);
        EXPECT_EQ(Connect(port, user), 0);
        EXPECT_TRUE(PumpUntilEvent("OnDisconnect")) << ::testing::PrintToString(events_->seen());
        events_->SetHandler({});
        LONG last = 0;
        answer += ReadAll(&last);
        EXPECT_EQ(last, 0);
        return answer;
    }

    FingerClient *client_ = nullptr;
    std::optional<test::DispatchDriver> driver_;
    std::optional<test::ControlEvents> events_;
};

TEST_F(FingerControlTest, BlockingQueryReadsTheAnswerUntilZero)
{
    QS_REQUIRE_PEER(port, "QS_PEER_FINGER_PORT");
    EXPECT_EQ(Connect(port, "fingertest"), 0);
    EXPECT_EQ(driver_->Text("Connected"), "True");
    EXPECT_EQ(driver_->Long("State"), kStateIdle);
    EXPECT_GE(driver_->Long("Handle"), 1024);
    EXPECT_EQ(driver_->Text("HostAddress"), "127.0.0.1");
    EXPECT_EQ(driver_->Text("UserName"), "fingertest");
    EXPECT_EQ(driver_->Long("RemotePort"), port);
    EXPECT_GT(driver_->Long("LocalPort"), 0);
    LONG last = -1;
    std::string answer = ReadAll(&last);
    EXPECT_EQ(last, 0);
    EXPECT_NE(answer.find("Name: Finger Test User"), std::string::npos) << answer;
    EXPECT_NE(answer.find("Plan:\r\nTesting the finger clients.\r\n"), std::string::npos) << answer;
    EXPECT_EQ(events_->seen(), Events{});

    // No user: the daemon lists who is on instead.
    EXPECT_EQ(Connect(port, ""), 0);
    std::string list = ReadAll(&last);
    EXPECT_EQ(last, 0);
    EXPECT_FALSE(list.empty());
    EXPECT_EQ(list.find("Login: fingertest"), std::string::npos) << list;
}

TEST_F(FingerControlTest, AsynchronousQueryRaisesConnectReadDisconnect)
{
    QS_REQUIRE_PEER(port, "QS_PEER_FINGER_PORT");
    std::string answer = QueryThroughEvents(port, "fingertest");
    EXPECT_EQ(events_->Sequence(), (Events{"OnConnect", "OnRead", "OnDisconnect"}));
    EXPECT_EQ(driver_->Text("Connected"), "True");
    EXPECT_NE(answer.find("Plan:\r\nTesting the finger clients.\r\n"), std::string::npos) << answer;
    EXPECT_EQ(answer, test::RawTcpExchange(port, "fingertest\r\n", 1u << 20));
}

TEST_F(FingerControlTest, RefusedConnectionInBothModes)
{
    const int port = test::UnusedTcpPort();
    HRESULT hr = E_FAIL;
    EXPECT_EQ(Connect(port, "x", &hr), 10061);
    EXPECT_EQ(hr, S_OK);
    EXPECT_EQ(driver_->Long("LastError"), 10061);
    EXPECT_EQ(driver_->Long("Handle"), -1);
    EXPECT_EQ(events_->Take(), Events{kRefused});

    ASSERT_EQ(driver_->Put("ThrowError", Variant(true)), S_OK);
    Connect(port, "x", &hr);
    EXPECT_EQ(hr, MakeHresult(0x800A274D));
    EXPECT_EQ(driver_->error(), "The connection has been refused by the remote host");
    EXPECT_EQ(events_->Take(), Events{kRefused});

    // Asynchronously Connect succeeds and the refusal comes with the Connect event, which ends the session.
    ASSERT_EQ(driver_->Put("Blocking", Variant(false)), S_OK);
    EXPECT_EQ(Connect(port, "x"), 0);
    EXPECT_NE(driver_->Long("Handle"), -1);
    ASSERT_TRUE(PumpUntilEvent("OnError"));
    EXPECT_EQ(events_->seen(), Events{kRefused});
    EXPECT_EQ(driver_->Long("Handle"), -1);
    EXPECT_EQ(driver_->Text("Connected"), "False");
    EXPECT_EQ(driver_->Long("LastError"), 10061);
}

TEST_F(FingerControlTest, SilentServerTimesOutInBothModes)
{
    QS_REQUIRE_PEER(port, "QS_PEER_DISCARD_PORT");
    ASSERT_EQ(driver_->Put("Timeout", Variant(2)), S_OK);
    EXPECT_EQ(Connect(port, "fingertest"), 0);
    std::string data;
    EXPECT_EQ(ReadBlock(&data), -1);
    EXPECT_EQ(driver_->Long("LastError"), 10060);
    // The library's Timeout event has no window to go to in blocking mode.
    EXPECT_EQ(events_->Take(), Events{kTimedOut});

    // Connected asynchronously, then switched to blocking for the read.
    ASSERT_EQ(driver_->Put("Blocking", Variant(false)), S_OK);
    EXPECT_EQ(Connect(port, "fingertest"), 0);
    ASSERT_TRUE(PumpUntilEvent("OnConnect"));
    ASSERT_EQ(driver_->Put("Blocking", Variant(true)), S_OK);
    EXPECT_EQ(ReadBlock(&data), -1);
    EXPECT_EQ(events_->seen(), (Events{"OnConnect()", kTimedOut}));
    EXPECT_TRUE(data.empty());
}

TEST_F(FingerControlTest, CancelFromAHandlerDuringABlockingRead)
{
    QS_REQUIRE_PEER(port, "QS_PEER_DISCARD_PORT");
    ASSERT_EQ(driver_->Put("Timeout", Variant(0)), S_OK);   // no limit: only the cancel ends the wait
    EXPECT_EQ(Connect(port, "fingertest"), 0);
    test::HandlerWindow window([&](UINT message, WPARAM, LPARAM) {
        if (message == WM_TIMER) {
            KillTimer(window.hwnd(), 1);
            EXPECT_EQ(driver_->Text("IsBlocked"), "True");
            EXPECT_EQ(driver_->Long("State"), kStateReading);
            Variant error;
            EXPECT_EQ(driver_->Call("Cancel", {}, &error), S_OK);
            EXPECT_EQ(error.lVal, 0);
        }
    });
    SetTimer(window.hwnd(), 1, 100, nullptr);
    std::string data;
    EXPECT_EQ(ReadBlock(&data), -1);
    EXPECT_EQ(driver_->Long("LastError"), 10004);
    // The cancellation stays pending for the next Read, which clears it; the one after waits again.
    EXPECT_EQ(ReadBlock(&data), -1);
    ASSERT_EQ(driver_->Put("Timeout", Variant(1)), S_OK);
    EXPECT_EQ(ReadBlock(&data), -1);
    EXPECT_EQ(events_->seen(), (Events{kCanceled, kCanceled, kTimedOut}));
}

TEST_F(FingerControlTest, MethodsWithoutASessionReportNoConnection)
{
    QS_REQUIRE_PEER(port, "QS_PEER_FINGER_PORT");
    std::string data;
    EXPECT_EQ(ReadBlock(&data), -1);
    EXPECT_EQ(Connect(port, "fingertest"), 0);
    Variant error;
    EXPECT_EQ(driver_->Call("Disconnect", {}, &error), S_OK);
    EXPECT_EQ(error.lVal, 0);
    EXPECT_EQ(driver_->Long("Handle"), -1);
    EXPECT_EQ(driver_->Text("Connected"), "False");
    EXPECT_EQ(driver_->Long("State"), 0);
    EXPECT_EQ(driver_->Text("IsReadable"), "False");
    EXPECT_EQ(ReadBlock(&data), -1);
    EXPECT_EQ(driver_->Long("LastError"), 10057);
    EXPECT_EQ(driver_->Text("LastErrorString"), "No connection established with remote host");
    EXPECT_EQ(events_->seen(), (Events{kNotConnected, kNotConnected}));
}

TEST_F(FingerControlTest, HandleUsedFromAnotherThread)
{
    QS_REQUIRE_PEER(port, "QS_PEER_FINGER_PORT");
    EXPECT_EQ(Connect(port, "fingertest"), 0);
    std::thread([&] {
        IFingerClient *client = client_;
        Variant buffer;
        Variant count;
        EXPECT_EQ(client->Read(&buffer, Variant(16), &count), S_OK);
        EXPECT_EQ(count.lVal, -1);
    }).join();
    EXPECT_EQ(driver_->Long("LastError"), 10001);
    EXPECT_EQ(events_->Take(), Events{"OnError(10001, Handle not owned by the current thread)"});
    LONG last = -1;
    EXPECT_NE(ReadAll(&last).find("Finger Test User"), std::string::npos);
}

TEST_F(FingerControlTest, DisconnectInOnConnectMakesTheQueryFail)
{
    QS_REQUIRE_PEER(port, "QS_PEER_FINGER_PORT");
    events_->SetHandler([&](const std::string &name) {
        if (name == "OnConnect") {
            EXPECT_EQ(driver_->Text("Connected"), "True");
            Variant error;
            driver_->Call("Disconnect", {}, &error);
        }
    });
    ASSERT_EQ(driver_->Put("Blocking", Variant(false)), S_OK);
    EXPECT_EQ(Connect(port, "fingertest"), 0);
    ASSERT_TRUE(PumpUntilEvent("OnError"));
    EXPECT_EQ(events_->seen(), (Events{"OnConnect()", kNotConnected}));
}

TEST_F(FingerControlTest, BlockingSwitchesAnOpenSession)
{
    QS_REQUIRE_PEER(port, "QS_PEER_FINGER_PORT");
    EXPECT_EQ(Connect(port, "fingertest"), 0);
    std::string answer;
    events_->SetHandler([&](const std::string &name) {
        if (name == "OnRead")
            ReadBlock(&answer);
    });
    // The query went out blocking; the answer arrives through events.
    ASSERT_EQ(driver_->Put("Blocking", Variant(false)), S_OK);
    ASSERT_TRUE(PumpUntilEvent("OnDisconnect")) << ::testing::PrintToString(events_->seen());
    EXPECT_EQ(events_->Sequence(), (Events{"OnRead", "OnDisconnect"}));
    events_->SetHandler({});
    LONG last = -1;
    answer += ReadAll(&last);
    EXPECT_NE(answer.find("Finger Test User"), std::string::npos) << answer;
}

TEST_F(FingerControlTest, FrozenEventsHoldTheSessionUntilThawed)
{
    QS_REQUIRE_PEER(port, "QS_PEER_FINGER_PORT");
    auto *control = static_cast<IControl *>(client_);
    ASSERT_EQ(control->FreezeEvents(TRUE), S_OK);
    ASSERT_EQ(driver_->Put("Blocking", Variant(false)), S_OK);
    EXPECT_EQ(Connect(port, "fingertest"), 0);
    test::PumpRounds(10);
    EXPECT_EQ(events_->seen(), Events{});
    std::string answer;
    events_->SetHandler([&](const std::string &name) {
        if (name == "OnRead")
            ReadBlock(&answer);
    });
    ASSERT_EQ(control->FreezeEvents(FALSE), S_OK);
    ASSERT_TRUE(PumpUntilEvent("OnDisconnect"));
    EXPECT_EQ(events_->Sequence(), (Events{"OnConnect", "OnRead", "OnDisconnect"}));
    EXPECT_NE(answer.find("Finger Test User"), std::string::npos) << answer;
}

TEST_F(FingerControlTest, TimeoutFollowsTheSession)
{
    QS_REQUIRE_PEER(port, "QS_PEER_DISCARD_PORT");
    EXPECT_EQ(driver_->Long("Timeout"), 60);
    EXPECT_EQ(Connect(port, ""), 0);
    for (auto [given, stored] : {std::pair{-5, 0}, {700, 600}, {7, 7}}) {
        ASSERT_EQ(driver_->Put("Timeout", Variant(given)), S_OK);
        EXPECT_EQ(driver_->Long("Timeout"), stored) << given;
    }
}

TEST_F(FingerControlTest, ResetAndUninitialize)
{
    QS_REQUIRE_PEER(port, "QS_PEER_FINGER_PORT");
    ASSERT_EQ(driver_->Put("UserName", Variant("someone")), S_OK);
    ASSERT_EQ(driver_->Put("ThrowError", Variant(true)), S_OK);
    ASSERT_EQ(driver_->Put("Blocking", Variant(false)), S_OK);
    ASSERT_EQ(driver_->Put("Timeout", Variant(9)), S_OK);
    ASSERT_EQ(driver_->Put("Enabled", Variant(false)), S_OK);
    EXPECT_EQ(Connect(port, "fingertest"), 0);
    ASSERT_TRUE(PumpUntilEvent("OnConnect"));
    const std::string library = driver_->Text("Library");
    EXPECT_FALSE(library.empty());
    ASSERT_EQ(driver_->Call("Reset"), S_OK);
    struct Expected {
        const char *name;
        const char *text;
    } defaults[] = {
        {"Handle", "-1"},       {"Blocking", "True"}, {"Connected", "False"}, {"Enabled", "True"},
        {"UserName", ""},       {"HostName", ""},     {"HostAddress", ""},    {"RemotePort", "0"},
        {"ThrowError", "False"}, {"Timeout", "60"},    {"LastError", "0"},     {"State", "0"},
        {"Trace", "False"},     {"TraceFile", ""},    {"TraceFlags", "0"},
    };
    for (const Expected &e : defaults)
        EXPECT_EQ(driver_->Text(e.name), e.text) << e.name;
    EXPECT_EQ(driver_->Text("Library"), library);
    ASSERT_EQ(driver_->Call("Uninitialize"), S_OK);
    EXPECT_EQ(driver_->Text("WinsockVendor"), "");
    EXPECT_EQ(driver_->Text("Library"), library);
}

TEST_F(FingerControlTest, ConnectedIsReadableAtDesignTime)
{
    automation::ComPtr<IControlSite> site;
    ASSERT_EQ(automation::CreateDefaultSite(site.Out()), S_OK);
    static_cast<automation::AmbientSite *>(site.get())->SetAmbient(DISPID_AMBIENT_USERMODE, Variant(false));
    ASSERT_EQ(static_cast<IControl *>(client_)->SetSite(site.get()), S_OK);
    EXPECT_EQ(driver_->Text("Connected"), "False");
    EXPECT_EQ(driver_->Text("Enabled"), "True");
    EXPECT_EQ(driver_->Text("UserName"), "<error 0x800A018A>");
    EXPECT_EQ(driver_->Text("Blocking"), "<error 0x800A018A>");
}

// Whatever a server sends reaches the caller as it came, in either mode; an answer without end keeps
// every Read returning and the caller can leave at any point.
TEST_F(FingerControlTest, EnormousBinaryAndEndlessAnswersArriveUnchanged)
{
    QS_REQUIRE_PEER(whois, "QS_PEER_WHOIS_PORT");
    QS_REQUIRE_PEER(chargen, "QS_PEER_CHARGEN_PORT");
    EXPECT_EQ(Connect(whois, "binary.test"), 0);
    LONG last = -1;
    EXPECT_TRUE(ReadAll(&last) == test::WhoisBinaryAnswer());
    EXPECT_EQ(Connect(whois, "big.test"), 0);
    EXPECT_TRUE(ReadAll(&last) == test::WhoisBigAnswer());
    EXPECT_EQ(last, 0);

    EXPECT_EQ(Connect(chargen, ""), 0);
    std::string endless = ReadAll(&last, 1u << 20);
    EXPECT_GT(last, 0);
    EXPECT_TRUE(endless == test::RawTcpExchange(chargen, "\r\n", endless.size()));

    // Asynchronously the handler leaves after a megabyte; nothing follows the Disconnect.
    std::string received;
    events_->SetHandler([&](const std::string &name) {
        if (name != "OnRead")
            return;
        ReadBlock(&received);
        if (received.size() >= (1u << 20)) {
            Variant error;
            driver_->Call("Disconnect", {}, &error);
        }
    });
    ASSERT_EQ(driver_->Put("Blocking", Variant(false)), S_OK);
    EXPECT_EQ(Connect(chargen, ""), 0);
    ASSERT_TRUE(test::PumpUntil([&] { return driver_->Long("Handle") == -1; }));
    const std::size_t events = events_->seen().size();
    test::PumpRounds(10);
    EXPECT_EQ(events_->seen().size(), events);
    EXPECT_TRUE(received == test::RawTcpExchange(chargen, "\r\n", received.size()));
}

}  // namespace
}  // namespace qs::finger
