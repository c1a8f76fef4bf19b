// The control frame, driven by name through the time control's dispatch interface: the error path and
// its raise/fire table, design mode, LastError, Initialize and Library, the address properties, Interval,
// State and Handle, Version, persistence and bad input.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <optional>
#include <vector>

#include "core/control/module_version.h"
#include "core/error/last_error.h"
#include "core/net/network_library.h"
#include "platform/automation/errorinfo.h"
#include "platform/automation/persist.h"
#include "platform/automation/site.h"
#include "platform/base/window.h"
#include "tests/control/dispatch_driver.h"
#include "time/control/time_client.h"

// This test program's own file version, read by Version of a control linked into it.
QS_MODULE_VERSION_NOTE(6, 0, 6010, 1058);

namespace qs::time {
namespace {

using automation::ComPtr;
using automation::Variant;
using Events = std::vector<std::string>;

constexpr HRESULT kRaised10060 = MakeHresult(0x800A274C);
constexpr HRESULT kDesignTimeGet = MakeHresult(0x800A018A);
constexpr HRESULT kIllegalCall = MakeHresult(0x800A0005);
constexpr HRESULT kInvalidValue = MakeHresult(0x800A017C);
constexpr HRESULT kCannotWriteNow = MakeHresult(0x800A017F);
const char *const kTimedOut = "The specified operation has timed out";

class Frame : public ::testing::Test {
  protected:
    void SetUp() override
    {
        client_ = new TimeClient;  // the first reference
        driver_.emplace(static_cast<ITimeClient *>(client_));
        client_->Release();        // the driver holds it now
    }
    void SetRunMode(bool run)
    {
        ComPtr<IControlSite> site;
        ASSERT_EQ(automation::CreateDefaultSite(site.Out()), S_OK);
        static_cast<automation::AmbientSite *>(site.get())->SetAmbient(DISPID_AMBIENT_USERMODE, Variant(run));
        ASSERT_EQ(static_cast<IControl *>(client_)->SetSite(site.get()), S_OK);
    }
    bool TimerRunning() { return client_->Window() != nullptr && KillTimer(client_->Window(), kTimerId); }

    TimeClient *client_ = nullptr;
    std::optional<test::DispatchDriver> driver_;
};

// The same failure with ThrowError false and true: the call succeeds or raises 0x800A0000 + n, and the
// result, LastError and the events are the same either way.
TEST_F(Frame, ErrorPathRaisesOnlyWithThrowError)
{
    struct Case {
        ErrorCode code;
        bool throwError;
        HRESULT result;
        Events events;
    } cases[] = {
        {0x8004274C, false, S_OK, {"OnError(10060, The specified operation has timed out)", "OnTimeout()"}},
        {0x8004274C, true, kRaised10060, {"OnError(10060, The specified operation has timed out)", "OnTimeout()"}},
        {0x80042714, false, S_OK, {"OnError(10004, The blocking operation has been canceled)", "OnCancel()"}},
        {0x80042714, true, MakeHresult(0x800A2714), {"OnError(10004, The blocking operation has been canceled)", "OnCancel()"}},
        {0x80042AF9, true, MakeHresult(0x800A2AF9), {"OnError(11001, The specified hostname is invalid or could not be resolved)"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.code << " ThrowError " << c.throwError);
        ASSERT_EQ(driver_->Put("ThrowError", Variant(c.throwError)), S_OK);
        EXPECT_EQ(client_->ReportMethodError(c.code), c.result);
        ComPtr<IErrorInfo> info;
        ASSERT_EQ(GetErrorInfo(0, info.Out()), S_OK);
        automation::Bstr source, description;
        info->GetSource(source.Out());
        info->GetDescription(description.Out());
        EXPECT_EQ(source.utf8(), "Quillstream.TimeClient.6");
        EXPECT_EQ(description.utf8(), control::Frame::ErrorText(c.code));
        EXPECT_EQ(driver_->TakeEvents(), c.events);
        EXPECT_EQ(driver_->Long("LastError"), static_cast<LONG>(ErrorNumber(c.code)));
    }
}

TEST_F(Frame, PropertyErrorsRaiseWithoutEvents)
{
    EXPECT_EQ(client_->ReportPropertyError(0x8004274C), kRaised10060);
    EXPECT_EQ(driver_->TakeEvents(), (Events{"OnTimeout()"}));  // the time control's own rule
    // A result that is no library error is passed on as it is; a code of 0 with none pending is no error.
    EXPECT_EQ(client_->ReportError(static_cast<ErrorCode>(E_INVALIDARG), true, false), E_INVALIDARG);
    SetErrorCode(0);
    EXPECT_EQ(client_->ReportError(0, true, true), S_OK);
    EXPECT_EQ(driver_->TakeEvents(), Events{});
    // The thread's current code when none is given.
    SetErrorCode(0x80042AF9);
    EXPECT_EQ(client_->ReportPropertyError(), MakeHresult(0x800A2AF9));
    EXPECT_EQ(driver_->Long("LastError"), 11001);
}

// Cancel with no wait in progress: a method failure by name, through the same table.
TEST_F(Frame, CancelWithoutWaitFailsAsAMethod)
{
    ASSERT_EQ(driver_->Call("Cancel"), S_OK);  // not initialised: nothing to cancel, no error
    ASSERT_EQ(driver_->Call("Initialize"), S_OK);
    for (bool throwError : {false, true}) {
        ASSERT_EQ(driver_->Put("ThrowError", Variant(throwError)), S_OK);
        Variant error;
        EXPECT_EQ(driver_->Call("Cancel", {}, &error), throwError ? MakeHresult(0x800A2EE9) : S_OK);
        if (!throwError)
            EXPECT_EQ(error.text(), "12009");
        else
            EXPECT_EQ(driver_->error(), "No blocking operation in progress on this socket");
        EXPECT_EQ(driver_->TakeEvents(), (Events{"OnError(12009, No blocking operation in progress on this socket)"}));
        EXPECT_EQ(driver_->Long("LastError"), 12009);
    }
}

// GetTime reports a failed query without OnError and never raises it.
TEST_F(Frame, GetTimeFailureIsNeverRaised)
{
    for (bool throwError : {false, true}) {
        ASSERT_EQ(driver_->Put("ThrowError", Variant(throwError)), S_OK);
        Variant result;
        ASSERT_EQ(driver_->Call("GetTime", {Variant("")}, &result), S_OK);
        EXPECT_EQ(result.vt, VT_BSTR);
        EXPECT_EQ(result.text(), "");
        EXPECT_EQ(driver_->Long("LastError"), 11001);
        EXPECT_EQ(driver_->TakeEvents(), Events{});
        EXPECT_EQ(driver_->Text("SystemDate"), "");
        EXPECT_EQ(client_->LastNetworkTime(), 0u);
    }
}

TEST_F(Frame, InitializeAndLibrary)
{
    // Before initialisation Library is only stored; afterwards it names the module loaded and is fixed.
    ASSERT_EQ(driver_->Put("Library", Variant("mine.so")), S_OK);
    EXPECT_EQ(driver_->Text("Library"), "mine.so");
    EXPECT_EQ(driver_->Text("WinsockVersion"), "");
    // The socket library is bound once per process: a module name counts only before the first start.
    for (bool throwError : {false, true}) {
        if (GetNetworkLibraryModule() != nullptr)
            break;
        ASSERT_EQ(driver_->Put("ThrowError", Variant(throwError)), S_OK);
        Variant error;
        EXPECT_EQ(driver_->Call("Initialize", {Variant("no-such-module")}, &error),
                  throwError ? MakeHresult(0x800A276B) : S_OK);
        if (!throwError)
            EXPECT_EQ(error.text(), "10091");
        EXPECT_EQ(driver_->Long("LastError"), 10091);
        EXPECT_EQ(driver_->TakeEvents(), Events{});
    }
    Variant error;
    ASSERT_EQ(driver_->Call("Initialize", {}, &error), S_OK);
    EXPECT_EQ(error.vt, VT_I4);
    EXPECT_EQ(error.lVal, 0);
    ASSERT_EQ(driver_->Call("Initialize", {Variant("no-such-module")}), S_OK);  // already initialised
    const std::string library = driver_->Text("Library");
    EXPECT_NE(library.find("libws2_32.so"), std::string::npos) << library;
    EXPECT_EQ(driver_->Text("WinsockVersion"), "2.2");
    EXPECT_FALSE(driver_->Text("WinsockVendor").empty());
    EXPECT_EQ(driver_->Put("Library", Variant("other.so")), kCannotWriteNow);

    // Uninitialize returns to the defaults; the control can be initialised again.
    ASSERT_EQ(driver_->Put("Timeout", Variant(3)), S_OK);
    ASSERT_EQ(driver_->Call("Uninitialize"), S_OK);
    EXPECT_EQ(driver_->Text("Library"), "");
    EXPECT_EQ(driver_->Text("WinsockVendor"), "");
    EXPECT_EQ(driver_->Long("Timeout"), 10);
    EXPECT_FALSE(client_->Initialised());
    ASSERT_EQ(driver_->Call("Initialize"), S_OK);
    EXPECT_TRUE(client_->Initialised());
}

TEST_F(Frame, DesignModeRefusesGettersAndInitialisation)
{
    SetRunMode(false);
    for (const automation::Member &m : ITimeClient::Info().members) {
        if (m.kind != automation::MemberKind::Get)
            continue;
        SCOPED_TRACE(m.name);
        EXPECT_EQ(driver_->Get(m.name), m.dispid == DISPID_ENABLED ? S_OK : kDesignTimeGet);
    }
    for (bool throwError : {false, true}) {
        ASSERT_EQ(driver_->Put("ThrowError", Variant(throwError)), S_OK);
        EXPECT_EQ(driver_->Call("Initialize"), kIllegalCall);
        EXPECT_EQ(driver_->Call("GetTime", {Variant("127.0.0.1")}), kIllegalCall);
        EXPECT_EQ(driver_->Call("SetTime"), kIllegalCall);
    }
    // The address setters only store at design time: no parsing, no error.
    EXPECT_EQ(driver_->Put("HostAddress", Variant("not an address")), S_OK);
    EXPECT_EQ(driver_->Put("HostName", Variant("10.0.0.1")), S_OK);
    EXPECT_EQ(driver_->Put("Interval", Variant(1000)), S_OK);
    EXPECT_FALSE(TimerRunning());
    EXPECT_EQ(driver_->TakeEvents(), Events{});

    SetRunMode(true);
    EXPECT_EQ(driver_->Text("HostName"), "10.0.0.1");
    EXPECT_EQ(driver_->Text("HostAddress"), "");
    EXPECT_EQ(driver_->Long("Interval"), 1000);
    EXPECT_EQ(driver_->Call("Initialize"), S_OK);
}

// Any ambient answer that is not a boolean is design mode; no site is run mode.
TEST_F(Frame, RunModeFollowsTheAmbientProperty)
{
    EXPECT_EQ(driver_->Get("Timeout"), S_OK);
    ComPtr<IControlSite> site;
    ASSERT_EQ(automation::CreateDefaultSite(site.Out()), S_OK);
    auto *ambient = static_cast<automation::AmbientSite *>(site.get());
    ASSERT_EQ(static_cast<IControl *>(client_)->SetSite(site.get()), S_OK);
    EXPECT_EQ(driver_->Get("Timeout"), S_OK);
    ambient->SetAmbient(DISPID_AMBIENT_USERMODE, Variant(1));
    EXPECT_EQ(driver_->Get("Timeout"), kDesignTimeGet);
    ambient->RemoveAmbient(DISPID_AMBIENT_USERMODE);
    EXPECT_EQ(driver_->Get("Timeout"), S_OK);
}

// A site that answers no ambient property (run mode), counts notifications and may refuse edits.
class CountingSite final : public automation::Object<CountingSite, IControlSite> {
  public:
    using Interfaces = automation::InterfaceList<IControlSite>;
    HRESULT GetAmbientProperty(DISPID, VARIANT *) override { return DISP_E_MEMBERNOTFOUND; }
    HRESULT OnRequestEdit(DISPID id) override
    {
        requests.push_back(id);
        return refuse ? S_FALSE : S_OK;
    }
    HRESULT OnChanged(DISPID id) override
    {
        changes.push_back(id);
        return S_OK;
    }
    bool refuse = false;
    std::vector<DISPID> requests, changes;
};

// Enabled asks the container before it changes and tells it afterwards.
TEST_F(Frame, EnabledNotifiesTheContainer)
{
    auto site = ComPtr<CountingSite>::Attach(new CountingSite);
    ASSERT_EQ(static_cast<IControl *>(client_)->SetSite(site.get()), S_OK);
    site->refuse = true;
    EXPECT_EQ(driver_->Put("Enabled", Variant(false)), kCannotWriteNow);
    EXPECT_EQ(driver_->Text("Enabled"), "True");
    EXPECT_TRUE(site->changes.empty());
    site->refuse = false;
    EXPECT_EQ(driver_->Put("Enabled", Variant(false)), S_OK);
    EXPECT_EQ(driver_->Text("Enabled"), "False");
    EXPECT_EQ(site->requests, (std::vector<DISPID>{DISPID_ENABLED, DISPID_ENABLED}));
    EXPECT_EQ(site->changes, std::vector<DISPID>{DISPID_ENABLED});
    EXPECT_EQ(driver_->Put("Enabled", Variant(false)), S_OK);  // no change, no notification
    EXPECT_EQ(site->changes.size(), 1u);
}

TEST_F(Frame, LastErrorWrites)
{
    struct Case {
        LONG written;
        LONG read;
        const char *text;
        ErrorCode threadCode;
    } cases[] = {
        {10004, 10004, "The blocking operation has been canceled", 0x80042714},
        {10060, 10060, kTimedOut, 0x8004274C},
        {0, 0, "", 0},
        {65535, 65535, "Undefined control error (0x8004FFFF)", 0x8004FFFF},
        // Values outside 1-65535 are kept as they are; the number is their low 16 bits.
        {0x10000, 0, "Undefined control error (0x00010000)", 0x10000},
        {static_cast<LONG>(0x8004274C), 10060, kTimedOut, 0x8004274C},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.written);
        SetErrorCode(0x12345);
        ASSERT_EQ(driver_->Put("LastError", Variant(static_cast<int>(c.written))), S_OK);
        EXPECT_EQ(driver_->Long("LastError"), c.read);
        EXPECT_EQ(driver_->Text("LastErrorString"), c.text);
        EXPECT_EQ(GetErrorCode(), c.threadCode);
    }
    EXPECT_EQ(driver_->TakeEvents(), Events{});
}

TEST_F(Frame, AddressProperties)
{
    struct Case {
        bool preset;  // starts with HostAddress 127.0.0.1 and HostName localhost
        const char *property;
        const char *written;
        bool autoResolve;
        HRESULT result;
        const char *hostAddress;
        const char *hostName;
    } cases[] = {
        {false, "HostName", "10.0.0.1", false, S_OK, "10.0.0.1", ""},
        {false, "HostAddress", "0x0a.1", false, S_OK, "10.0.0.1", ""},
        {false, "HostName", "localhost", false, S_OK, "", "localhost"},
        {false, "HostName", "localhost", true, S_OK, "127.0.0.1", "localhost"},
        {false, "HostName", "no-such-host.invalid", true, S_OK, "", "no-such-host.invalid"},
        {false, "HostAddress", "127.0.0.1", true, S_OK, "127.0.0.1", "localhost"},
        {true, "HostName", "10.0.0.1", false, S_OK, "10.0.0.1", ""},
        // An invalid address is raised (12005); HostName has been emptied, HostAddress is kept.
        {true, "HostAddress", "300.1.1.1", false, MakeHresult(0x800A2EE5), "127.0.0.1", ""},
        // An empty address is ignored.
        {true, "HostAddress", "", false, S_OK, "127.0.0.1", "localhost"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.property << " = " << c.written);
        ASSERT_EQ(driver_->Call("Reset"), S_OK);
        if (c.preset) {
            ASSERT_EQ(driver_->Put("AutoResolve", Variant(true)), S_OK);
            ASSERT_EQ(driver_->Put("HostAddress", Variant("127.0.0.1")), S_OK);
        }
        ASSERT_EQ(driver_->Put("AutoResolve", Variant(c.autoResolve)), S_OK);
        EXPECT_EQ(driver_->Put(c.property, Variant(c.written)), c.result);
        EXPECT_EQ(driver_->Text("HostAddress"), c.hostAddress);
        EXPECT_EQ(driver_->Text("HostName"), c.hostName);
    }
    EXPECT_EQ(driver_->TakeEvents(), Events{});
}

TEST_F(Frame, PortsAndServices)
{
    EXPECT_EQ(driver_->Long("RemotePort"), 0);
    EXPECT_EQ(driver_->Text("RemoteService"), "");
    EXPECT_EQ(driver_->Put("RemoteService", Variant("37")), S_OK);
    EXPECT_EQ(driver_->Long("RemotePort"), 37);
    EXPECT_EQ(driver_->Text("RemoteService"), "time");
    EXPECT_EQ(driver_->Put("RemoteService", Variant("daytime")), S_OK);
    EXPECT_EQ(driver_->Long("RemotePort"), 13);
    struct Case {
        const char *property;
        Variant value;
        HRESULT result;
    } cases[] = {
        {"RemoteService", Variant("nosuchservice"), MakeHresult(0x800A2EE7)},
        {"RemoteService", Variant("0"), MakeHresult(0x800A2EE6)},
        {"RemoteService", Variant("70000"), MakeHresult(0x800A2EE6)},
        {"RemotePort", Variant(0), kInvalidValue},
        {"RemotePort", Variant(65536), kInvalidValue},
        {"RemotePort", Variant(-1), kInvalidValue},
        {"RemotePort", Variant("abc"), DISP_E_TYPEMISMATCH},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.property << " = " << c.value.text());
        EXPECT_EQ(driver_->Put(c.property, c.value), c.result);
        EXPECT_EQ(driver_->Long("RemotePort"), 13);
    }
    EXPECT_EQ(driver_->Put("RemotePort", Variant(65535)), S_OK);
    EXPECT_EQ(driver_->Long("LocalPort"), 0);
    EXPECT_FALSE(driver_->Text("LocalName").empty());
    EXPECT_NE(driver_->Text("LocalAddress").find('.'), std::string::npos);
    EXPECT_EQ(driver_->TakeEvents(), Events{});
}

TEST_F(Frame, IntervalRunsTheTimer)
{
    struct Case {
        Variant written;
        HRESULT result;
        LONG read;
        bool running;
    } cases[] = {
        {Variant(65534), S_OK, 65534, true},
        {Variant(65535), kInvalidValue, 65534, false},
        {Variant(-1), kInvalidValue, 65534, false},
        {Variant("abc"), DISP_E_TYPEMISMATCH, 65534, false},
        {Variant(1000), S_OK, 1000, true},
        {Variant(0), S_OK, 0, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.written.text());
        EXPECT_EQ(driver_->Put("Interval", c.written), c.result);
        EXPECT_EQ(driver_->Long("Interval"), c.read);
        EXPECT_EQ(TimerRunning(), c.running);
    }
    // With Enabled false no timer starts, and enabling later starts none until Interval is written.
    ASSERT_EQ(driver_->Put("Enabled", Variant(false)), S_OK);
    ASSERT_EQ(driver_->Put("Interval", Variant(1000)), S_OK);
    EXPECT_FALSE(TimerRunning());
    ASSERT_EQ(driver_->Put("Enabled", Variant(true)), S_OK);
    EXPECT_FALSE(TimerRunning());
    ASSERT_EQ(driver_->Put("Interval", Variant(1000)), S_OK);
    ASSERT_EQ(driver_->Call("Reset"), S_OK);
    EXPECT_FALSE(TimerRunning());
    EXPECT_EQ(driver_->Long("Interval"), 0);
    EXPECT_EQ(driver_->Text("Enabled"), "True");  // Reset keeps Enabled
}

TEST_F(Frame, TimerTicksRaiseOnTimer)
{
    ASSERT_EQ(driver_->Put("Interval", Variant(10)), S_OK);
    // Pump until a tick arrived; the cap only guards against a timer that never fires.
    Events events;
    for (int round = 0; round < 500 && events.empty(); ++round) {
        QsWaitForMessages(nullptr, 0, 10);
        MSG msg;
        while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessage(&msg);
        events = driver_->TakeEvents();
    }
    EXPECT_EQ(events, Events{"OnTimer()"});
    ASSERT_EQ(driver_->Put("Interval", Variant(0)), S_OK);
    EXPECT_FALSE(TimerRunning());
}

TEST_F(Frame, StateAndHandleNeverChange)
{
    auto check = [&] {
        EXPECT_EQ(driver_->Long("State"), 0);
        EXPECT_EQ(driver_->Long("Handle"), -1);
        EXPECT_EQ(driver_->Text("IsBlocked"), "False");
    };
    check();
    ASSERT_EQ(driver_->Call("Initialize"), S_OK);
    check();
    ASSERT_EQ(driver_->Call("GetTime", {Variant("")}), S_OK);
    check();
    ASSERT_EQ(driver_->Call("Reset"), S_OK);
    check();
}

TEST_F(Frame, ResetRestoresTheDefaults)
{
    ASSERT_EQ(driver_->Call("Initialize"), S_OK);
    const Variant changes[][2] = {{Variant("AutoResolve"), Variant(true)},  {Variant("HostName"), Variant("10.1.2.3")},
                                  {Variant("RemotePort"), Variant(1037)},   {Variant("ThrowError"), Variant(true)},
                                  {Variant("Timeout"), Variant(-5)},        {Variant("TraceFile"), Variant("/tmp/x")},
                                  {Variant("TraceFlags"), Variant(4)},      {Variant("LastError"), Variant(10060)}};
    for (const auto &change : changes)
        ASSERT_EQ(driver_->Put(change[0].text().c_str(), change[1]), S_OK) << change[0].text();
    EXPECT_EQ(driver_->Long("Timeout"), -5);  // stored as given
    ASSERT_EQ(driver_->Call("Reset"), S_OK);
    const std::pair<const char *, const char *> defaults[] = {
        {"AutoResolve", "False"}, {"HostAddress", ""},  {"HostName", ""},    {"RemotePort", "0"},
        {"ThrowError", "False"},  {"Timeout", "10"},    {"TraceFile", ""},   {"TraceFlags", "0"},
        {"LastError", "0"},       {"Trace", "False"},   {"Library", ""},     {"Interval", "0"},
        {"Enabled", "True"},      {"Handle", "-1"},     {"SystemTime", ""},
    };
    for (const auto &[name, value] : defaults)
        EXPECT_EQ(driver_->Text(name), value) << name;
    EXPECT_TRUE(client_->Initialised());
}

TEST_F(Frame, VersionIsTheModulesFileVersion)
{
    EXPECT_EQ(driver_->Text("Version"), "6.0.6010.1058");
    EXPECT_EQ(driver_->Text("Version"), "6.0.6010.1058");
}

// The extent is all a network control persists, after the persistence layer's version word.
TEST_F(Frame, PersistsTheExtent)
{
    ComPtr<IPersistStreamInit> persist;
    ASSERT_EQ(driver_->control()->QueryInterface(IPersistStreamInit::kIid, persist.OutVoid()), S_OK);
    CLSID clsid;
    ASSERT_EQ(persist->GetClassID(&clsid), S_OK);
    EXPECT_EQ(clsid, kTimeClientClsid);
    ASSERT_EQ(persist->InitNew(), S_OK);
    EXPECT_EQ(client_->ExtentX(), 741);  // 28 pixels

    const std::vector<BYTE> saved = {0x00, 0x09, 0, 0, 0xE8, 0x03, 0, 0, 0xD0, 0x07, 0, 0};  // 1000 x 2000
    ComPtr<automation::MemoryStream> in = ComPtr<automation::MemoryStream>::Attach(new automation::MemoryStream(saved));
    ASSERT_EQ(persist->Load(in.get()), S_OK);
    EXPECT_EQ(client_->ExtentX(), 1000);
    EXPECT_EQ(client_->ExtentY(), 2000);
    auto out = ComPtr<automation::MemoryStream>::Attach(new automation::MemoryStream);
    ASSERT_EQ(persist->Save(out.get(), TRUE), S_OK);
    EXPECT_EQ(out->bytes(), saved);
    ULONGLONG size = 0;
    ASSERT_EQ(persist->GetSizeMax(&size), S_OK);
    EXPECT_EQ(size, saved.size());

    // A newer stream version is refused, a short stream fails; the extent stays.
    std::vector<BYTE> newer = saved;
    newer[0] = 0x01;
    auto refused = ComPtr<automation::MemoryStream>::Attach(new automation::MemoryStream(newer));
    EXPECT_TRUE(FAILED(persist->Load(refused.get())));
    auto shorter = ComPtr<automation::MemoryStream>::Attach(
        new automation::MemoryStream(std::vector<BYTE>(saved.begin(), saved.begin() + 6)));
    EXPECT_TRUE(FAILED(persist->Load(shorter.get())));
    EXPECT_EQ(client_->ExtentX(), 1000);

    // The same through a property bag; a bag without the values keeps the defaults.
    ComPtr<IPersistPropertyBag> bagPersist;
    ASSERT_EQ(driver_->control()->QueryInterface(IPersistPropertyBag::kIid, bagPersist.OutVoid()), S_OK);
    auto bag = ComPtr<automation::MemoryPropertyBag>::Attach(new automation::MemoryPropertyBag);
    ASSERT_EQ(bagPersist->Save(bag.get(), TRUE, TRUE), S_OK);
    EXPECT_EQ(bag->size(), 2u);
    client_->SetExtent(1, 2);
    ASSERT_EQ(bagPersist->Load(bag.get(), nullptr), S_OK);
    EXPECT_EQ(client_->ExtentX(), 1000);
    EXPECT_EQ(client_->ExtentY(), 2000);
    auto empty = ComPtr<automation::MemoryPropertyBag>::Attach(new automation::MemoryPropertyBag);
    ASSERT_EQ(bagPersist->Load(empty.get(), nullptr), S_OK);
    EXPECT_EQ(client_->ExtentX(), 1000);
}

// Wrong types, missing or surplus arguments and values out of range get their status; nothing is
// reported through the error path.
TEST_F(Frame, BadInputGetsItsStatus)
{
    struct Case {
        const char *what;
        std::function<HRESULT(test::DispatchDriver &)> call;
        HRESULT result;
    } cases[] = {
        {"port that is no number", [](auto &d) { return d.Call("GetTime", {Variant("127.0.0.1"), Variant("abc")}); },
         DISP_E_TYPEMISMATCH},
        {"time-out that is no number",
         [](auto &d) { return d.Call("GetTime", {Variant("127.0.0.1"), Variant(37), Variant("x")}); },
         DISP_E_TYPEMISMATCH},
        {"localize that is no boolean",
         [](auto &d) { return d.Call("GetTime", {Variant("127.0.0.1"), Variant(37), Variant(1), Variant("maybe")}); },
         DISP_E_TYPEMISMATCH},
        {"too many arguments",
         [](auto &d) {
             return d.Call("GetTime", {Variant(""), Variant(1), Variant(1), Variant(true), Variant(1)});
         },
         DISP_E_BADPARAMCOUNT},
        {"date that is no date", [](auto &d) { return d.Call("SetTime", {Variant("yesterday")}); }, DISP_E_TYPEMISMATCH},
        {"missing value of a put", [](auto &d) { return d.Put("Timeout", Variant::Missing()); },
         DISP_E_PARAMNOTOPTIONAL},
        {"text for a number", [](auto &d) { return d.Put("Timeout", Variant("ten")); }, DISP_E_TYPEMISMATCH},
        {"text for a boolean", [](auto &d) { return d.Put("ThrowError", Variant("perhaps")); }, DISP_E_TYPEMISMATCH},
        {"read-only property", [](auto &d) { return d.Put("Version", Variant("1")); }, DISP_E_MEMBERNOTFOUND},
        {"unknown member", [](auto &d) { return d.Get("NoSuchMember"); }, DISP_E_UNKNOWNNAME},
        {"method read as property", [](auto &d) { return d.Get("Reset"); }, DISP_E_MEMBERNOTFOUND},
        {"module name of the wrong type", [](auto &d) { return d.Call("Initialize", {Variant::Null()}); },
         DISP_E_TYPEMISMATCH},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.call(*driver_), c.result);
    }
    EXPECT_EQ(driver_->Long("LastError"), 0);
    EXPECT_EQ(driver_->TakeEvents(), Events{});
    EXPECT_EQ(client_->LastNetworkTime(), 0u);
}

TEST_F(Frame, AboutShowsTheBox)
{
    testing::internal::CaptureStdout();
    EXPECT_EQ(driver_->Call("About"), S_OK);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "About Quillstream\n  Quillstream Time Protocol Control 6.0\n  Version 6.0 Build 6010\n"
              "  Embeddable network components for Linux\n  [OK]\n");
}

}  // namespace
}  // namespace qs::time
