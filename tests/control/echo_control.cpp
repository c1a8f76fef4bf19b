#include "tests/control/echo_control.h"

#include "core/control/read_buffer.h"
#include "core/error/last_error.h"

namespace qs::test {
namespace {

using namespace automation;

constexpr Member kMembers[] = {
    Get<&IEchoTest::get_Handle>(1, "Handle", VT_I4),
    Get<&IEchoTest::get_LastError>(2, "LastError", VT_I4),
    Get<&IEchoTest::get_LocalPort>(3, "LocalPort", VT_I4),
    Get<&IEchoTest::get_RemotePort>(4, "RemotePort", VT_I4),
    Put<&IEchoTest::put_RemotePort>(4, "RemotePort", VT_I4),
    Get<&IEchoTest::get_State>(5, "State", VT_I4),
    Get<&IEchoTest::get_Timeout>(6, "Timeout", VT_I4),
    Put<&IEchoTest::put_Timeout>(6, "Timeout", VT_I4),
    Method<&IEchoTest::Connect>(7, "Connect", {Optional("Host"), Optional("Port")}, VT_VARIANT),
    Method<&IEchoTest::Disconnect>(8, "Disconnect"),
    Method<&IEchoTest::Read>(9, "Read", {InOut("Buffer"), Optional("Length")}, VT_I4),
    Method<&IEchoTest::Reset>(10, "Reset"),
    Method<&IEchoTest::Write>(11, "Write", {In("Text", VT_BSTR)}, VT_I4),
};
constexpr Member kEvents[] = {
    Method<&IEchoTestEvents::OnError>(1, "OnError", {In("ErrorCode", VT_I4), In("Description", VT_BSTR)}),
};
constexpr GUID kLibId{0x6B1F3A20, 0x51C4, 0x4C2B, {0x8E, 0x77, 0, 0, 0, 0, 0, 0x03}};
constexpr IID kEventsIid{0x6B1F3A20, 0x51C4, 0x4C2B, {0x8E, 0x77, 0, 0, 0, 0, 0, 0x04}};
constexpr CLSID kClsid{0x6B1F3A20, 0x51C4, 0x4C2B, {0x8E, 0x77, 0, 0, 0, 0, 0, 0x05}};

extern const TypeLibInfo kLib;
const InterfaceInfo kInterface{"IEchoTest", IEchoTest::kIid, kMembers, "", &kLib};
const InterfaceInfo kEventInterface{"_IEchoTestEvents", kEventsIid, kEvents, "", &kLib, IEchoTestEvents::kIid};
const InterfaceInfo *const kInterfaces[] = {&kInterface, &kEventInterface};
const ClassInfo *const kClasses[] = {&kEchoTestClass};
const TypeLibInfo kLib{"EchoTestCtl", kLibId, 1, 0, "Echo test control", {}, kInterfaces, kClasses};

constexpr SessionProfile kEchoProfile{.description = "Echo test library", .serviceName = "echo", .defaultPort = 7};

}  // namespace

const ClassInfo kEchoTestClass{"EchoTest", kClsid, "Quillstream.EchoTest.1", nullptr, "Echo test control",
                               "Apartment", true, 0, 0, &kInterface, &kEventInterface, &kLib};

SessionLibraryOf<ClientSession> &EchoLibrary()
{
    static SessionLibraryOf<ClientSession> library(kEchoProfile);
    return library;
}

HRESULT EchoTest::Connect(const VARIANT &host, const VARIANT &port, VARIANT *error)
{
    SetErrorResult(error, 0);
    AutoInitialize();
    std::string name;
    LONG number = 0;
    HRESULT hr = TextArgument(host, DefaultHost(), &name);
    if (SUCCEEDED(hr))
        hr = LongArgument(port, remotePort_, &number);
    if (FAILED(hr))
        return hr;
    handle_ = EchoLibrary().SessionConnect(name.c_str(), number, timeout_, 0, nullptr, 0);
    if (handle_ != kNoHandle)
        return S_OK;
    SetErrorResult(error, ErrorNumber(GetErrorCode()));
    return ReportMethodError();
}

HRESULT EchoTest::Disconnect()
{
    EchoLibrary().SessionDisconnect(handle_);
    handle_ = kNoHandle;
    return S_OK;
}

HRESULT EchoTest::Read(VARIANT *buffer, const VARIANT &length, LONG *count)
{
    return control::ReadIntoBuffer(
        buffer, length, [this](char *bytes, int size) { return EchoLibrary().SessionRead(handle_, bytes, size); },
        [this] { return ReportMethodError(); }, count);
}

HRESULT EchoTest::Write(BSTR text, LONG *count)
{
    const std::string bytes = Utf8FromBstr(text);
    *count = EchoLibrary().SessionWrite(handle_, bytes.data(), static_cast<int>(bytes.size()));
    return *count < 0 ? ReportMethodError() : S_OK;
}

}  // namespace qs::test

const qs::automation::InterfaceInfo &IEchoTest::Info() { return qs::test::kInterface; }
const qs::automation::InterfaceInfo &IEchoTestEvents::Info() { return qs::test::kEventInterface; }
