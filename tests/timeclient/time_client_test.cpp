// The time control against time servers: a scripted one with a known answer for the exact date texts,
// the local xinetd time service for blocking queries, and its silent discard port for the time-out.
#include <gtest/gtest.h>

#include <locale.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>

#include "platform/base/clock.h"
#include "tests/control/dispatch_driver.h"
#include "tests/core/loopback.h"
#include "tests/core/peers.h"
#include "time/control/time_client.h"

namespace qs::time {
namespace {

using automation::Variant;
using Events = std::vector<std::string>;

// 2011-10-11 23:23:44 UTC.
const std::string kAnswer("\xD2\x3F\x4E\x80", 4);

// Every test runs three hours east of UTC (a zone without daylight saving, so the offset is fixed) and,
// unless it says otherwise, under the C locale; clock changes only go to a file.
class Zone : public ::testing::Environment {
  public:
    void SetUp() override
    {
        setenv("TZ", "QST-3", 1);
        tzset();
        unsetenv("LC_ALL");
        unsetenv("LC_TIME");
        unsetenv("LANG");
        record_ = std::filesystem::temp_directory_path() / ("qs-timeclient-clock-" + std::to_string(getpid()));
        setenv("QS_CLOCK_RECORD", record_.c_str(), 1);
    }
    void TearDown() override { std::filesystem::remove(record_); }
    static inline std::filesystem::path record_;
};
const auto *const kZone = ::testing::AddGlobalTestEnvironment(new Zone);

class TimeClientTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        client_ = new TimeClient;
        driver_.emplace(static_cast<ITimeClient *>(client_));
        client_->Release();
    }
    void TearDown() override { unsetenv("LC_ALL"); }
    std::string GetTime(std::vector<Variant> args)
    {
        Variant result;
        EXPECT_EQ(driver_->Call("GetTime", std::move(args), &result), S_OK);
        EXPECT_EQ(result.vt, VT_BSTR);
        return result.text();
    }

    TimeClient *client_ = nullptr;
    std::optional<test::DispatchDriver> driver_;
};

// The seconds since 1970 of a text in the fixed format ("2011-10-11 23:23:44"), read as UTC.
std::time_t Seconds(const std::string &text)
{
    std::tm fields{};
    if (strptime(text.c_str(), "%Y-%m-%d %H:%M:%S", &fields) == nullptr)
        return -1;
    return timegm(&fields);
}

bool LocaleInstalled(const char *name)
{
    locale_t locale = newlocale(LC_TIME_MASK, name, static_cast<locale_t>(0));
    if (locale == static_cast<locale_t>(0))
        return false;
    freelocale(locale);
    return true;
}

// A two-byte datagram does not end the wait; the answer after it does. Under the C locale the texts
// have the fixed format, the GetTime result agreeing with the date and time texts.
TEST_F(TimeClientTest, DateTextsOfAKnownAnswer)
{
    struct Case {
        const char *locale;   // null: the C locale
        bool localize;
        const char *result;
        const char *systemDate, *systemTime, *localDate, *localTime;
    } cases[] = {
        {nullptr, false, "2011-10-11 23:23:44", "2011-10-11", "23:23:44", "2011-10-12", "02:23:44"},
        {nullptr, true, "2011-10-12 02:23:44", "2011-10-11", "23:23:44", "2011-10-12", "02:23:44"},
        {"de_DE.UTF-8", false, "11.10.2011 23:23:44", "11.10.2011", "23:23:44", "12.10.2011", "02:23:44"},
        {"de_DE.UTF-8", true, "12.10.2011 02:23:44", "11.10.2011", "23:23:44", "12.10.2011", "02:23:44"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << (c.locale ? c.locale : "C") << " Localize " << c.localize);
        if (c.locale != nullptr) {
            if (!LocaleInstalled(c.locale))
                GTEST_SKIP() << c.locale << " is not installed (scripts/install-deps.sh generates it)";
            setenv("LC_ALL", c.locale, 1);
        }
        test::ScriptedUdpPeer peer({std::string("\x01\x02", 2), kAnswer});
        ASSERT_EQ(driver_->Put("RemotePort", Variant(peer.port())), S_OK);
        EXPECT_EQ(GetTime({Variant("127.0.0.1"), Variant::Missing(), Variant(5), Variant(c.localize)}), c.result);
        EXPECT_EQ(client_->LastNetworkTime(), 3527364224u);
        EXPECT_EQ(driver_->Text("SystemDate"), c.systemDate);
        EXPECT_EQ(driver_->Text("SystemTime"), c.systemTime);
        EXPECT_EQ(driver_->Text("LocalDate"), c.localDate);
        EXPECT_EQ(driver_->Text("LocalTime"), c.localTime);
        EXPECT_EQ(driver_->Long("LastError"), 0);
        EXPECT_EQ(driver_->TakeEvents(), Events{});
        unsetenv("LC_ALL");
    }
    // Reset forgets the answer.
    ASSERT_EQ(driver_->Call("Reset"), S_OK);
    EXPECT_EQ(driver_->Text("SystemDate"), "");
    EXPECT_EQ(driver_->Text("LocalTime"), "");
}

TEST_F(TimeClientTest, AnswerFromTheLocalTimeServer)
{
    QS_REQUIRE_PEER(port, "QS_PEER_TIME_PORT");
    ASSERT_EQ(driver_->Put("RemotePort", Variant(port)), S_OK);
    const std::time_t before = std::time(nullptr);
    const std::string utc = GetTime({Variant("127.0.0.1")});
    const std::string local = GetTime({Variant("127.0.0.1"), Variant::Missing(), Variant::Missing(), Variant(true)});
    const std::time_t after = std::time(nullptr);
    ASSERT_NE(Seconds(utc), -1) << utc;
    EXPECT_GE(Seconds(utc), before - 2);
    EXPECT_LE(Seconds(utc), after + 2);
    // Two answers, a second or two apart at most, three hours apart in their texts.
    const std::time_t shift = Seconds(local) - Seconds(utc);
    EXPECT_GE(shift, 3 * 3600);
    EXPECT_LE(shift, 3 * 3600 + 2);
    // The texts show the last answer, the one with Localize true.
    EXPECT_EQ(driver_->Text("LocalDate") + " " + driver_->Text("LocalTime"), local);
    EXPECT_EQ(Seconds(driver_->Text("SystemDate") + " " + driver_->Text("SystemTime")), Seconds(local) - 3 * 3600);
    EXPECT_EQ(driver_->Long("LastError"), 0);
    EXPECT_EQ(driver_->TakeEvents(), Events{});
}

// Without a host argument GetTime asks HostAddress, else HostName; RemoteService names the port.
TEST_F(TimeClientTest, HostAndPortFromTheProperties)
{
    QS_REQUIRE_PEER(port, "QS_PEER_TIME_PORT");
    ASSERT_EQ(driver_->Put("HostName", Variant("localhost")), S_OK);
    ASSERT_EQ(driver_->Put("RemoteService", Variant(std::to_string(port))), S_OK);
    EXPECT_NE(GetTime({}), "");
    ASSERT_EQ(driver_->Put("HostAddress", Variant("127.0.0.1")), S_OK);
    EXPECT_EQ(driver_->Text("HostName"), "");
    EXPECT_NE(GetTime({}), "");
    EXPECT_EQ(driver_->TakeEvents(), Events{});
}

// A server that never answers: an empty result, 10060 and OnTimeout, no OnError, and success even with
// ThrowError true. The interval timer keeps running inside the wait.
TEST_F(TimeClientTest, SilentServerTimesOut)
{
    QS_REQUIRE_PEER(port, "QS_PEER_DISCARD_PORT");
    ASSERT_EQ(driver_->Put("ThrowError", Variant(true)), S_OK);
    ASSERT_EQ(driver_->Put("Timeout", Variant(2)), S_OK);
    ASSERT_EQ(driver_->Put("RemotePort", Variant(port)), S_OK);
    ASSERT_EQ(driver_->Put("Interval", Variant(100)), S_OK);
    EXPECT_EQ(GetTime({Variant("127.0.0.1")}), "");
    ASSERT_EQ(driver_->Put("Interval", Variant(0)), S_OK);
    EXPECT_EQ(driver_->Long("LastError"), 10060);
    EXPECT_EQ(driver_->Text("LastErrorString"), "The specified operation has timed out");
    Events events = driver_->TakeEvents();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back(), "OnTimeout()");
    events.pop_back();
    EXPECT_FALSE(events.empty()) << "no timer tick during a two-second wait";
    for (const std::string &event : events)
        EXPECT_EQ(event, "OnTimer()");
    EXPECT_EQ(client_->LastNetworkTime(), 0u);
    EXPECT_EQ(driver_->Text("SystemDate"), "");
}

// Tracing starts with initialisation when it was asked for before, follows Trace afterwards, and moves
// to a new TraceFile at once.
TEST_F(TimeClientTest, TracingFollowsTheProperties)
{
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("qs-trace-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const std::string first = (dir / "first.log").string(), second = (dir / "second.log").string();
    auto size = [](const std::string &path) {
        std::error_code error;
        const auto n = std::filesystem::file_size(path, error);
        return error ? 0 : n;
    };
    auto query = [&] {
        test::ScriptedUdpPeer peer({kAnswer});
        EXPECT_EQ(driver_->Put("RemotePort", Variant(peer.port())), S_OK);
        EXPECT_NE(GetTime({Variant("127.0.0.1")}), "");
    };
    ASSERT_EQ(driver_->Put("TraceFile", Variant(first)), S_OK);
    ASSERT_EQ(driver_->Put("Trace", Variant(true)), S_OK);
    EXPECT_EQ(driver_->Text("Trace"), "True");  // the wish, before initialisation
    ASSERT_EQ(driver_->Call("Initialize"), S_OK);
    ASSERT_EQ(driver_->Text("Trace"), "True") << "the trace library did not load";
    query();
    EXPECT_GT(size(first), 0u);
    ASSERT_EQ(driver_->Put("TraceFile", Variant(second)), S_OK);
    const auto traced = size(first);
    query();
    EXPECT_EQ(size(first), traced);
    EXPECT_GT(size(second), 0u);
    ASSERT_EQ(driver_->Put("Trace", Variant(false)), S_OK);
    const auto stopped = size(second);
    query();
    EXPECT_EQ(size(second), stopped);
    std::filesystem::remove_all(dir);
}

// SetTime sets the clock (here: the recording clock) from its argument read as local time, or from the
// last answer; it reports nothing, a failure only shows as false.
TEST_F(TimeClientTest, SetTimeUsesTheArgumentOrTheLastAnswer)
{
    Variant set;
    ASSERT_EQ(driver_->Call("SetTime", {}, &set), S_OK);
    EXPECT_EQ(set.vt, VT_BOOL);
    EXPECT_EQ(set.boolVal, VARIANT_FALSE);  // no answer yet
    if (!EnablePrivilege("SeSystemtimePrivilege", SE_PRIVILEGE_ENABLED))
        GTEST_SKIP() << "this process may not set the clock";
    EnablePrivilege("SeSystemtimePrivilege", 0);
    std::filesystem::remove(Zone::record_);

    ASSERT_EQ(driver_->Call("SetTime", {Variant("2024-01-02 03:04:05")}, &set), S_OK);
    EXPECT_EQ(set.boolVal, VARIANT_TRUE);
    test::ScriptedUdpPeer peer({kAnswer});
    ASSERT_EQ(driver_->Put("RemotePort", Variant(peer.port())), S_OK);
    GetTime({Variant("127.0.0.1")});
    ASSERT_EQ(driver_->Call("SetTime", {}, &set), S_OK);
    EXPECT_EQ(set.boolVal, VARIANT_TRUE);
    ASSERT_EQ(driver_->Call("SetTime", {Variant("1850-01-01")}, &set), S_OK);  // before the protocol's epoch
    EXPECT_EQ(set.boolVal, VARIANT_FALSE);

    std::ifstream in(Zone::record_);
    std::string first, second, third;
    std::getline(in, first);
    std::getline(in, second);
    EXPECT_EQ(first, "2024-01-02 00:04:05.000");   // three hours east of UTC
    EXPECT_EQ(second, "2011-10-11 23:23:44.000");
    EXPECT_FALSE(std::getline(in, third));
    EXPECT_EQ(driver_->TakeEvents(), Events{});
    EXPECT_EQ(driver_->Long("LastError"), 0);
}

}  // namespace
}  // namespace qs::time
