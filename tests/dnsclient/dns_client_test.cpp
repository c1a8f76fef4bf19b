// The DNS control driven by name, as a script host does: its host properties, Query, Resolve and
// MatchHost against NSD serving the test zones (tests/peers), their results and errors with ThrowError
// false and true, the settings, the host file, and time-out and cancellation against a silent server.
// No test asks the machine's own name servers: discovery reads a file that does not exist, and every
// test that queries sets slot 0 to 127.0.0.1 itself.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "dns/control/dns_client.h"
#include "tests/control/dispatch_driver.h"
#include "tests/core/handler_window.h"
#include "tests/core/loopback.h"
#include "tests/core/peers.h"
#include "tests/dns/dig.h"
#include "tests/dns/resolver_fixture.h"
#include "tests/dns/service_numbers.h"

namespace qs::dns {
namespace {

using automation::Variant;
using Events = std::vector<std::string>;

// Component errors of the error numbers the tests meet.
constexpr HRESULT Raised(std::uint32_t number) { return MakeControlError(number); }

class DnsClientTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        setenv("QS_RESOLV_CONF", test::kNoResolverConfig, 1);
        client_ = new DnsClient;
        driver_.emplace(static_cast<IDnsClient *>(client_));
        client_->Release();
    }

    // Slot 0 only: 127.0.0.1 on `port`, with short waits.
    void UseServer(int port)
    {
        ASSERT_EQ(driver_->Put("RemotePort", Variant(port)), S_OK);
        ASSERT_EQ(PutItem("NameServer", 0, Variant("127.0.0.1")), S_OK);
        ASSERT_EQ(driver_->Put("Timeout", Variant(5)), S_OK);
        ASSERT_EQ(driver_->Put("Retry", Variant(2)), S_OK);
    }

    // Indexed properties: the call's result, a raised error as its own code.
    HRESULT GetItem(const char *name, LONG index, std::string *text)
    {
        Variant args[] = {Variant(static_cast<int>(index))};
        Variant value;
        automation::ExcepInfo excep;
        const HRESULT hr = automation::InvokeByName(driver_->control(), name, DISPATCH_PROPERTYGET,
                                                    automation::AsVariants(args, 1), &value, &excep);
        *text = value.text();
        return hr == DISP_E_EXCEPTION ? excep.result() : hr;
    }
    std::string Item(const char *name, LONG index)
    {
        std::string text;
        const HRESULT hr = GetItem(name, index, &text);
        EXPECT_EQ(hr, S_OK) << name << "(" << index << ")";
        return text;
    }
    HRESULT PutItem(const char *name, LONG index, const Variant &value)
    {
        Variant args[] = {Variant(static_cast<int>(index)), value};
        automation::ExcepInfo excep;
        const HRESULT hr = automation::InvokeByName(driver_->control(), name, DISPATCH_PROPERTYPUT,
                                                    automation::AsVariants(args, 2), nullptr, &excep);
        return hr == DISP_E_EXCEPTION ? excep.result() : hr;
    }

    // Query with RecordData passed by reference to a variant; its result number and the text stored.
    struct Answer {
        LONG error = -1;
        std::string text;
    };
    Answer Query(const Variant &name, const Variant &type)
    {
        Variant data;
        Variant result;
        EXPECT_EQ(driver_->Call("Query", {name, type, Variant::Ref(&data)}, &result), S_OK);
        EXPECT_EQ(data.vt, VT_BSTR);
        EXPECT_EQ(result.vt, VT_I4);
        return {result.lVal, data.text()};
    }

    DnsClient *client_ = nullptr;
    std::optional<test::DispatchDriver> driver_;
};

// A VT_BYREF argument of a typed variable, as a compiled caller passes one.
template <class T>
Variant Reference(VARTYPE type, T *target)
{
    VARIANT ref{};
    ref.vt = VT_BYREF | type;
    ref.byref = target;
    return Variant::Attach(ref);
}

std::string Text(BSTR text) { return automation::Utf8FromBstr(text); }

#define QS_REQUIRE_NSD(port)                                                                              \
    QS_REQUIRE_PEER(port, "QS_PEER_DNS_PORT");                                                          \
    UseServer(port);                                                                                     \
    if (HasFatalFailure())                                                                               \
    return

// HostName looks the name up: the alias list is the official name and the names that led to it, the
// address the first one dig lists; the control answers from the server it was told to use.
TEST_F(DnsClientTest, HostNameGivesAliasesAndAddress)
{
    QS_REQUIRE_NSD(port);
    ASSERT_EQ(driver_->Put("HostName", Variant("alias.example.test")), S_OK);
    EXPECT_EQ(driver_->Text("HostName"), "alias.example.test");
    EXPECT_EQ(driver_->Long("HostAliases"), 3);
    EXPECT_EQ(Item("HostAlias", 0), "example.test");
    std::vector<std::string> aliases = {Item("HostAlias", 1), Item("HostAlias", 2)};
    std::sort(aliases.begin(), aliases.end());
    EXPECT_EQ(aliases, (std::vector<std::string>{"alias.example.test", "www.example.test"}));
    EXPECT_EQ(Item("HostAlias", 3), "");
    std::string text;
    EXPECT_EQ(GetItem("HostAlias", 4, &text), CTL_E_INVALIDPROPERTYARRAYINDEX);
    EXPECT_EQ(GetItem("HostAlias", -1, &text), CTL_E_INVALIDPROPERTYARRAYINDEX);
    const std::vector<std::string> dig = test::Dig(port, "example.test", "A");
    ASSERT_FALSE(dig.empty());
    EXPECT_EQ(driver_->Text("HostAddress"), dig[0]);
    EXPECT_EQ(driver_->Text("ServerAddress"), "127.0.0.1");
    EXPECT_EQ(driver_->Long("LastError"), 0);
    EXPECT_EQ(driver_->TakeEvents(), Events{});

    // An empty name clears everything and asks nothing.
    ASSERT_EQ(driver_->Put("HostName", Variant("")), S_OK);
    EXPECT_EQ(driver_->Long("HostAliases"), 0);
    EXPECT_EQ(driver_->Text("HostAddress"), "");
    EXPECT_EQ(driver_->Long("MailExchanges"), 0);
}

// Names and addresses set one way or the other; a failed lookup is raised (no OnError), except for the
// name of an address written to HostName, which just stays unknown.
TEST_F(DnsClientTest, HostNameAndHostAddressResolveEachOther)
{
    QS_REQUIRE_NSD(port);
    struct Case {
        const char *property, *value;
        HRESULT result;
        const char *hostName, *hostAddress;
        LONG aliases;
    } cases[] = {
        {"HostAddress", "127.0.0.13", S_OK, "first.example.test", "127.0.0.13", 1},
        {"HostAddress", "127.13", S_OK, "first.example.test", "127.0.0.13", 1},
        {"HostAddress", "not an address", Raised(12005), "", "not an address", 0},
        {"HostAddress", "127.0.0.99", Raised(11002), "", "127.0.0.99", 0},
        {"HostName", "127.0.0.11", S_OK, "ns1.example.test", "", 0},
        {"HostName", "127.0.0.99", S_OK, "", "", 0},
        {"HostName", "first.example.test", S_OK, "first.example.test", "127.0.0.13", 1},
        {"HostName", "nosuch.example.test", Raised(11002), "nosuch.example.test", "", 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.property << " = " << c.value);
        ASSERT_EQ(driver_->Put("LastError", Variant(0)), S_OK);
        EXPECT_EQ(driver_->Put(c.property, Variant(c.value)), c.result);
        EXPECT_EQ(driver_->Text("HostName"), c.hostName);
        EXPECT_EQ(driver_->Text("HostAddress"), c.hostAddress);
        EXPECT_EQ(driver_->Long("HostAliases"), c.aliases);
        EXPECT_EQ(driver_->Long("LastError"), c.result == S_OK ? 0 : HRESULT_CODE(c.result));
        EXPECT_EQ(driver_->TakeEvents(), Events{});
    }
}

// Mail exchangers in ascending preference (equal ones in the server's order), computed for the host;
// host information and services of the host, empty and without an error when there are none.
TEST_F(DnsClientTest, WhatIsKnownOfTheHost)
{
    QS_REQUIRE_NSD(port);
    ASSERT_EQ(driver_->Put("HostAddress", Variant("127.0.0.10")), S_OK);
    EXPECT_EQ(driver_->Text("HostName"), "example.test");
    EXPECT_EQ(driver_->Long("MailExchanges"), 3);
    EXPECT_EQ(Item("MailExchange", 0), "first.example.test");
    EXPECT_EQ(Item("MailExchange", 1), "second.example.test");
    EXPECT_EQ(Item("MailExchange", 2), "mx20.example.test");
    EXPECT_EQ(Item("MailExchange", 3), "");
    std::string text;
    EXPECT_EQ(GetItem("MailExchange", 4, &text), CTL_E_INVALIDPROPERTYARRAYINDEX);
    EXPECT_EQ(driver_->Text("HostInfo"), "x86-64 Linux");
    EXPECT_EQ(driver_->Long("HostProtocol"), 6);
    const std::string services = driver_->Text("HostServices");
    EXPECT_EQ(test::WksNumbers("127.0.0.10 6 " + services), test::Dig(port, "example.test", "WKS")[0]) << services;
    for (LONG protocol : {17, 99}) {
        ASSERT_EQ(driver_->Put("HostProtocol", Variant(static_cast<int>(protocol))), S_OK);
        EXPECT_EQ(driver_->Long("HostProtocol"), protocol);
        EXPECT_EQ(driver_->Text("HostServices"), "");
    }

    // A host with neither: empty texts, no error; a mail-exchanger lookup that finds nothing is raised.
    ASSERT_EQ(driver_->Put("HostName", Variant("ns1.example.test")), S_OK);
    EXPECT_EQ(driver_->Text("HostInfo"), "");
    EXPECT_EQ(driver_->Text("HostServices"), "");
    EXPECT_EQ(driver_->Long("LastError"), 0);
    automation::Variant count;
    EXPECT_EQ(driver_->Get("MailExchanges", &count), Raised(12203));
    EXPECT_EQ(driver_->Long("LastError"), 12203);
    EXPECT_EQ(driver_->TakeEvents(), Events{});
}

// Query: the record type from any convertible value (missing or empty: an address), the text in
// RecordData, the error number as the result with OnError; the first record of the alias chain's end.
TEST_F(DnsClientTest, QueryReturnsRecordTextsAndErrors)
{
    QS_REQUIRE_NSD(port);
    // The first record of the answer, in the server's order.
    const std::string firstAddress = test::Dig(port, "example.test", "A").at(0);
    const std::string firstExchanger = test::Dig(port, "example.test", "MX").at(0);
    struct Case {
        Variant name, type;
        LONG error;
        std::string text;
    } cases[] = {
        {Variant("example.test"), Variant(15), 0, firstExchanger},
        {Variant("example.test"), Variant::Missing(), 0, firstAddress},
        {Variant("example.test"), Variant(""), 0, firstAddress},
        {Variant("example.test"), Variant("6"), 0, "ns1.example.test"},
        {Variant("www.example.test"), Variant(13), 0, "x86-64 Linux"},
        {Variant("txt.example.test"), Variant(16), 0, "\x05hello"},
        {Variant("uid.example.test"), Variant(101), 0, "1000"},
        {Variant("127.0.0.13"), Variant(12), 0, "first.example.test"},
        {Variant("example.test"), Variant(0), 0, ""},
        {Variant("nosuch.example.test"), Variant(1), 11002, ""},
        {Variant("example.test"), Variant(28), 12252, ""},
        {Variant("example.test"), Variant(70000), 12252, ""},
        {Variant(""), Variant(1), 12253, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.name.text() << " type " << c.type.text());
        const Answer answer = Query(c.name, c.type);
        EXPECT_EQ(answer.error, c.error);
        EXPECT_EQ(answer.text, c.text);
        EXPECT_EQ(driver_->Long("LastError"), c.error);
        const Events events = driver_->TakeEvents();
        if (c.error == 0) {
            EXPECT_EQ(events, Events{});
        } else {
            ASSERT_EQ(events.size(), 1u);
            EXPECT_EQ(events[0].rfind("OnError(" + std::to_string(c.error) + ", ", 0), 0u) << events[0];
        }
        ASSERT_EQ(driver_->Put("LastError", Variant(0)), S_OK);
    }

    // A type that does not convert is the conversion's failure, before anything is looked up or stored.
    Variant data("kept");
    EXPECT_EQ(driver_->Call("Query", {Variant("example.test"), Variant("MX"), Variant::Ref(&data)}),
              DISP_E_TYPEMISMATCH);
    EXPECT_EQ(data.text(), "kept");
    EXPECT_EQ(driver_->TakeEvents(), Events{});

    // ThrowError true: the call itself fails, the events are the same.
    ASSERT_EQ(driver_->Put("ThrowError", Variant(true)), S_OK);
    EXPECT_EQ(driver_->Call("Query", {Variant("nosuch.example.test"), Variant(1), Variant::Ref(&data)}),
              Raised(11002));
    EXPECT_EQ(driver_->error(), "The specified hostname could not be found");
    EXPECT_EQ(driver_->TakeEvents(), Events{"OnError(11002, The specified hostname could not be found)"});
    EXPECT_EQ(driver_->Long("LastError"), 11002);
}

// RecordData: a string reference is replaced, a reference to any other type is refused, a value is
// replaced in the callee's copy only.
TEST_F(DnsClientTest, QueryStoresThroughStringReferencesOnly)
{
    QS_REQUIRE_NSD(port);
    BSTR text = automation::BstrFromUtf8("old");
    Variant result;
    ASSERT_EQ(driver_->Call("Query", {Variant("example.test"), Variant(6), Reference(VT_BSTR, &text)}, &result), S_OK);
    EXPECT_EQ(result.lVal, 0);
    EXPECT_EQ(Text(text), "ns1.example.test");
    SysFreeString(text);

    LONG number = 7;
    EXPECT_EQ(driver_->Call("Query", {Variant("example.test"), Variant(6), Reference(VT_I4, &number)}),
              DISP_E_TYPEMISMATCH);
    EXPECT_EQ(number, 7);

    Variant value(42);
    ASSERT_EQ(driver_->Call("Query", {Variant("example.test"), Variant(6), value}, &result), S_OK);
    EXPECT_EQ(result.lVal, 0);
    EXPECT_EQ(value.vt, VT_I4);
    EXPECT_EQ(driver_->TakeEvents(), Events{});
}

// The record type none asks nothing: it succeeds with no name server at all.
TEST_F(DnsClientTest, QueryOfNoTypeSendsNothing)
{
    EXPECT_EQ(Item("NameServer", 0), "");
    const Answer answer = Query(Variant("example.test"), Variant(0));
    EXPECT_EQ(answer.error, 0);
    EXPECT_EQ(answer.text, "");
    EXPECT_EQ(driver_->Text("ServerAddress"), "");
    EXPECT_EQ(driver_->TakeEvents(), Events{});
}

// Resolve: a dotted address as it is, a name through the server; a Long reference receives the number
// in network order, other forms the dotted text; a failure is the result, without OnError.
TEST_F(DnsClientTest, ResolveGivesTheAddressInTheCallersForm)
{
    QS_REQUIRE_NSD(port);
    Variant address, result;
    ASSERT_EQ(driver_->Call("Resolve", {Variant("127.1"), Variant::Ref(&address)}, &result), S_OK);
    EXPECT_EQ(result.lVal, 0);
    EXPECT_EQ(address.text(), "127.0.0.1");

    LONG number = 0;
    ASSERT_EQ(driver_->Call("Resolve", {Variant("first.example.test"), Reference(VT_I4, &number)}, &result), S_OK);
    const std::uint8_t octets[] = {127, 0, 0, 13};
    LONG expected = 0;
    std::memcpy(&expected, octets, sizeof expected);
    EXPECT_EQ(number, expected);

    BSTR text = nullptr;
    ASSERT_EQ(driver_->Call("Resolve", {Variant("first.example.test"), Reference(VT_BSTR, &text)}, &result), S_OK);
    EXPECT_EQ(Text(text), "127.0.0.13");
    SysFreeString(text);

    SHORT small = 0;
    EXPECT_EQ(driver_->Call("Resolve", {Variant("first.example.test"), Reference(VT_I2, &small)}), DISP_E_TYPEMISMATCH);

    address = Variant("kept");
    ASSERT_EQ(driver_->Call("Resolve", {Variant("nosuch.example.test"), Variant::Ref(&address)}, &result), S_OK);
    EXPECT_EQ(result.lVal, 11002);
    EXPECT_EQ(address.text(), "kept");
    EXPECT_EQ(driver_->Long("LastError"), 11002);
    ASSERT_EQ(driver_->Put("ThrowError", Variant(true)), S_OK);
    EXPECT_EQ(driver_->Call("Resolve", {Variant("nosuch.example.test"), Variant::Ref(&address)}), Raised(11002));
    EXPECT_EQ(driver_->TakeEvents(), Events{});
}

// MatchHost tries the host's other form first unless told not to; it never reports an error.
TEST_F(DnsClientTest, MatchHostWithAndWithoutResolving)
{
    QS_REQUIRE_NSD(port);
    struct Case {
        const char *host, *masks;
        Variant resolve;
        bool matched;
    } cases[] = {
        {"example.test", "*.TEST", Variant::Missing(), true},
        {"127.0.0.10", "*.test", Variant::Missing(), true},
        {"127.0.0.10", "*.test", Variant(false), false},
        {"127.0.0.10", "x;;127.0.0.?0", Variant(false), true},
        {"first.example.test", "127.0.0.13", Variant(true), true},
        {"nosuch.example.test", "*.example.*", Variant(true), true},
        {"nosuch.example.test", "127.*", Variant(true), false},
        {"example.test", "", Variant::Missing(), false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.host << " ~ " << c.masks << " resolve " << c.resolve.text());
        Variant result;
        ASSERT_EQ(driver_->Call("MatchHost", {Variant(c.host), Variant(c.masks), c.resolve}, &result), S_OK);
        EXPECT_EQ(result.vt, VT_BOOL);
        EXPECT_EQ(result.boolVal != VARIANT_FALSE, c.matched);
    }
    EXPECT_EQ(driver_->Long("LastError"), 0);
    EXPECT_EQ(driver_->TakeEvents(), Events{});
}

// The settings: their ranges, what they refuse, and what Reset and Uninitialize bring back.
TEST_F(DnsClientTest, SettingsAndTheirLimits)
{
    EXPECT_EQ(driver_->Long("Handle"), -1);
    Variant error;
    ASSERT_EQ(driver_->Call("Initialize", {}, &error), S_OK);
    EXPECT_EQ(error.lVal, 0);
    const LONG handle = driver_->Long("Handle");
    EXPECT_NE(handle, -1);
    ASSERT_EQ(driver_->Call("Initialize", {}, &error), S_OK);
    EXPECT_EQ(driver_->Long("Handle"), handle);

    struct Write {
        const char *property;
        Variant value;
        HRESULT result;
        std::string reads;
    } writes[] = {
        {"Retry", Variant(20), S_OK, "8"},
        {"Retry", Variant(0), S_OK, "1"},
        {"Retry", Variant(3), S_OK, "3"},
        {"Timeout", Variant(5000), S_OK, "5000"},
        {"Timeout", Variant(-1), Raised(10014), "5000"},
        {"RemotePort", Variant(0), CTL_E_INVALIDPROPERTYVALUE, "0"},
        {"RemotePort", Variant(65536), CTL_E_INVALIDPROPERTYVALUE, "0"},
        {"RemoteService", Variant("domain"), S_OK, "domain"},
        {"RemoteService", Variant("no-such-service"), Raised(12007), "domain"},
        {"RemotePort", Variant(5353), S_OK, "5353"},
        {"Options", Variant(7), S_OK, "7"},
        {"LocalDomain", Variant("example.test"), S_OK, "example.test"},
        {"LocalDomain", Variant(std::string(200, 'd')), S_OK, std::string(200, 'd')},
        {"LocalDomain", Variant(std::string(256, 'd')), Raised(10014), std::string(200, 'd')},
    };
    for (const Write &w : writes) {
        SCOPED_TRACE(testing::Message() << w.property << " = " << w.value.text());
        EXPECT_EQ(driver_->Put(w.property, w.value), w.result);
        EXPECT_EQ(driver_->Text(w.property), w.reads);
    }

    // Name-server slots 0 to 3, set with the RemotePort of the moment.
    std::string text;
    EXPECT_EQ(GetItem("NameServer", 4, &text), CTL_E_INVALIDPROPERTYARRAYINDEX);
    EXPECT_EQ(GetItem("NameServer", -1, &text), CTL_E_INVALIDPROPERTYARRAYINDEX);
    EXPECT_EQ(PutItem("NameServer", 4, Variant("127.0.0.1")), CTL_E_INVALIDPROPERTYARRAYINDEX);
    EXPECT_EQ(PutItem("NameServer", 3, Variant("127.0.0.3")), S_OK);
    EXPECT_EQ(Item("NameServer", 3), "127.0.0.3");
    EXPECT_EQ(PutItem("NameServer", 3, Variant("not an address")), Raised(12005));
    EXPECT_EQ(Item("NameServer", 3), "127.0.0.3");
    EXPECT_EQ(PutItem("NameServer", 3, Variant("")), S_OK);
    EXPECT_EQ(Item("NameServer", 3), "");
    EXPECT_EQ(PutItem("NameServer", 1, Variant("127.0.0.2")), S_OK);
    EXPECT_EQ(driver_->TakeEvents(), Events{});

    ASSERT_EQ(driver_->Put("ThrowError", Variant(true)), S_OK);
    ASSERT_EQ(driver_->Put("HostProtocol", Variant(17)), S_OK);
    ASSERT_EQ(driver_->Call("Reset"), S_OK);
    EXPECT_NE(driver_->Long("Handle"), -1);
    for (const auto &[property, reads] : std::vector<std::pair<const char *, std::string>>{
             {"Retry", "4"}, {"Timeout", "15"}, {"RemotePort", "0"}, {"Options", "0"}, {"HostProtocol", "6"},
             {"ThrowError", "False"}, {"LastError", "0"}, {"LocalDomain", ""}, {"HostFile", ""}}) {
        EXPECT_EQ(driver_->Text(property), reads) << property;
    }
    EXPECT_EQ(Item("NameServer", 1), "");

    ASSERT_EQ(driver_->Call("Uninitialize"), S_OK);
    EXPECT_EQ(driver_->Long("Handle"), -1);
    EXPECT_EQ(driver_->Text("WinsockVersion"), "");
    // Back on first need.
    EXPECT_EQ(Item("NameServer", 0), "");
    EXPECT_NE(driver_->Long("Handle"), -1);
}

// A host file feeds the lookups by name; it reads back with its full path, an empty name unloads it.
TEST_F(DnsClientTest, HostFileAnswersLookupsByName)
{
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("qs-dnsclient-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const std::filesystem::path file = dir / "hosts";
    std::ofstream(file) << "# test hosts\n127.0.0.99   filehost.test  fh   # the only one\n";

    EXPECT_EQ(driver_->Put("HostFile", Variant((dir / "." / "hosts").string())), S_OK);
    EXPECT_EQ(driver_->Text("HostFile"), file.string());
    ASSERT_EQ(driver_->Put("HostName", Variant("FH")), S_OK);
    EXPECT_EQ(driver_->Text("HostAddress"), "127.0.0.99");
    EXPECT_EQ(driver_->Long("HostAliases"), 2);
    EXPECT_EQ(Item("HostAlias", 0), "filehost.test");
    EXPECT_EQ(Item("HostAlias", 1), "fh");
    Variant address, result;
    ASSERT_EQ(driver_->Call("Resolve", {Variant("filehost.test"), Variant::Ref(&address)}, &result), S_OK);
    EXPECT_EQ(address.text(), "127.0.0.99");

    EXPECT_EQ(driver_->Put("HostFile", Variant("")), S_OK);
    EXPECT_EQ(driver_->Text("HostFile"), "");
    EXPECT_NE(driver_->Put("HostName", Variant("fh")), S_OK);  // no name server either
    EXPECT_EQ(driver_->Put("HostFile", Variant((dir / "missing").string())), Raised(10002));
    EXPECT_EQ(driver_->Text("HostFile"), "");
    EXPECT_EQ(driver_->TakeEvents(), Events{});
    std::filesystem::remove_all(dir);
}

// A server that never answers: 10060 after the one attempt, OnTimeout before OnError from a method,
// OnTimeout alone from a property; no answering server is left behind.
TEST_F(DnsClientTest, SilentServerTimesOut)
{
    ASSERT_EQ(driver_->Put("Timeout", Variant(1)), S_OK);
    ASSERT_EQ(driver_->Put("Retry", Variant(1)), S_OK);
    const Events timedOut = {"OnTimeout()", "OnError(10060, The specified operation has timed out)"};
    {
        test::ScriptedUdpPeer silent({});
        ASSERT_EQ(driver_->Put("RemotePort", Variant(silent.port())), S_OK);
        ASSERT_EQ(PutItem("NameServer", 0, Variant("127.0.0.1")), S_OK);
        const Answer answer = Query(Variant("example.test"), Variant(15));
        EXPECT_EQ(answer.error, 10060);
        EXPECT_EQ(driver_->TakeEvents(), timedOut);
        EXPECT_EQ(driver_->Long("LastError"), 10060);
        EXPECT_EQ(driver_->Text("ServerAddress"), "");

        EXPECT_EQ(driver_->Put("HostName", Variant("example.test")), Raised(10060));
        EXPECT_EQ(driver_->TakeEvents(), Events{"OnTimeout()"});

        ASSERT_EQ(driver_->Put("ThrowError", Variant(true)), S_OK);
        Variant data;
        EXPECT_EQ(driver_->Call("Query", {Variant("example.test"), Variant(15), Variant::Ref(&data)}), Raised(10060));
        EXPECT_EQ(driver_->TakeEvents(), timedOut);
    }
}

// Cancel from a handler that runs inside the exchange's wait ends it with 10004: OnCancel, then
// OnError. With nothing waiting, Cancel succeeds.
TEST_F(DnsClientTest, CancelInsideTheWait)
{
    Variant error;
    ASSERT_EQ(driver_->Call("Cancel", {}, &error), S_OK);
    EXPECT_EQ(error.lVal, 0);
    ASSERT_EQ(driver_->Put("Timeout", Variant(30)), S_OK);
    ASSERT_EQ(driver_->Put("Retry", Variant(1)), S_OK);
    test::ScriptedUdpPeer silent({});
    ASSERT_EQ(driver_->Put("RemotePort", Variant(silent.port())), S_OK);
    ASSERT_EQ(PutItem("NameServer", 0, Variant("127.0.0.1")), S_OK);

    std::string blocked;
    LONG cancelError = -1;
    test::HandlerWindow window([&](UINT message, WPARAM, LPARAM) {
        if (message != WM_TIMER)
            return;
        KillTimer(window.hwnd(), 1);
        blocked = driver_->Text("IsBlocked");
        Variant result;
        EXPECT_EQ(driver_->Call("Cancel", {}, &result), S_OK);
        cancelError = result.lVal;
    });
    ASSERT_NE(SetTimer(window.hwnd(), 1, 50, nullptr), 0u);
    const Answer answer = Query(Variant("example.test"), Variant(15));
    EXPECT_EQ(blocked, "True");
    EXPECT_EQ(cancelError, 0);
    EXPECT_EQ(answer.error, 10004);
    EXPECT_EQ(driver_->TakeEvents(),
              (Events{"OnCancel()", "OnError(10004, The blocking operation has been canceled)"}));
    EXPECT_EQ(driver_->Text("IsBlocked"), "False");
}

}  // namespace
}  // namespace qs::dns
