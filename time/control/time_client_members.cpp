// The time control's member table, events, enumerations, type library and registration data.
#include "core/control/frame.h"
#include "time/control/time_client.h"

namespace qs::time {
namespace {

using namespace automation;

constexpr Member kMembers[] = {
    Method<&ITimeClient::About>(DISPID_ABOUTBOX, "About", {}, VT_EMPTY, "shows the About box"),
    Get<&ITimeClient::get_Enabled>(DISPID_ENABLED, "Enabled", VT_BOOL, "whether writing Interval starts the timer"),
    Put<&ITimeClient::put_Enabled>(DISPID_ENABLED, "Enabled", VT_BOOL),
    Get<&ITimeClient::get_AutoResolve>(1, "AutoResolve", VT_BOOL, "resolve HostName and HostAddress into each other"),
    Put<&ITimeClient::put_AutoResolve>(1, "AutoResolve", VT_BOOL),
    Get<&ITimeClient::get_Handle>(2, "Handle", VT_I4, "always -1: the control keeps no session"),
    Get<&ITimeClient::get_HostAddress>(3, "HostAddress", VT_BSTR, "the server's address"),
    Put<&ITimeClient::put_HostAddress>(3, "HostAddress", VT_BSTR),
    Get<&ITimeClient::get_HostName>(4, "HostName", VT_BSTR, "the server's name"),
    Put<&ITimeClient::put_HostName>(4, "HostName", VT_BSTR),
    Get<&ITimeClient::get_Interval>(5, "Interval", VT_I4, "timer period in milliseconds, 0-65534; 0 stops it"),
    Put<&ITimeClient::put_Interval>(5, "Interval", VT_I4),
    Get<&ITimeClient::get_IsBlocked>(6, "IsBlocked", VT_BOOL, "whether the thread waits in a blocking call"),
    Get<&ITimeClient::get_LastError>(7, "LastError", VT_I4, "error number of the last reported error"),
    Put<&ITimeClient::put_LastError>(7, "LastError", VT_I4),
    Get<&ITimeClient::get_LastErrorString>(8, "LastErrorString", VT_BSTR, "message of LastError"),
    Get<&ITimeClient::get_Library>(9, "Library", VT_BSTR, "path of the socket library in use"),
    Put<&ITimeClient::put_Library>(9, "Library", VT_BSTR),
    Get<&ITimeClient::get_LocalAddress>(10, "LocalAddress", VT_BSTR, "the host's own address"),
    Get<&ITimeClient::get_LocalDate>(11, "LocalDate", VT_BSTR, "the last network time as a local date"),
    Get<&ITimeClient::get_LocalName>(12, "LocalName", VT_BSTR, "the host's own name"),
    Get<&ITimeClient::get_LocalPort>(13, "LocalPort", VT_I4, "always 0"),
    Get<&ITimeClient::get_LocalTime>(14, "LocalTime", VT_BSTR, "the last network time as a local time of day"),
    Get<&ITimeClient::get_RemotePort>(15, "RemotePort", VT_I4, "the server's port; 0: the service default"),
    Put<&ITimeClient::put_RemotePort>(15, "RemotePort", VT_I4),
    Get<&ITimeClient::get_RemoteService>(16, "RemoteService", VT_BSTR, "the service name of RemotePort"),
    Put<&ITimeClient::put_RemoteService>(16, "RemoteService", VT_BSTR),
    Get<&ITimeClient::get_State>(17, "State", VT_I4, "always 0"),
    Get<&ITimeClient::get_SystemDate>(18, "SystemDate", VT_BSTR, "the last network time as a UTC date"),
    Get<&ITimeClient::get_SystemTime>(19, "SystemTime", VT_BSTR, "the last network time as a UTC time of day"),
    Get<&ITimeClient::get_ThrowError>(20, "ThrowError", VT_BOOL, "raise method failures as errors"),
    Put<&ITimeClient::put_ThrowError>(20, "ThrowError", VT_BOOL),
    Get<&ITimeClient::get_Timeout>(21, "Timeout", VT_I4, "seconds to wait for an answer"),
    Put<&ITimeClient::put_Timeout>(21, "Timeout", VT_I4),
    Get<&ITimeClient::get_Trace>(22, "Trace", VT_BOOL, "whether tracing is on"),
    Put<&ITimeClient::put_Trace>(22, "Trace", VT_BOOL),
    Get<&ITimeClient::get_TraceFile>(23, "TraceFile", VT_BSTR, "file given to the trace library"),
    Put<&ITimeClient::put_TraceFile>(23, "TraceFile", VT_BSTR),
    Get<&ITimeClient::get_TraceFlags>(24, "TraceFlags", VT_I4, "flags given to the trace library"),
    Put<&ITimeClient::put_TraceFlags>(24, "TraceFlags", VT_I4),
    Get<&ITimeClient::get_Version>(25, "Version", VT_BSTR, "file version of the module"),
    Get<&ITimeClient::get_WinsockVendor>(26, "WinsockVendor", VT_BSTR, "description of the socket library"),
    Get<&ITimeClient::get_WinsockVersion>(27, "WinsockVersion", VT_BSTR, "version of the socket library"),
    Method<&ITimeClient::Cancel>(28, "Cancel", {}, VT_VARIANT, "cancels the blocking wait of the thread; the error"),
    Method<&ITimeClient::GetTime>(29, "GetTime",
                                  {Optional("RemoteHost"), Optional("RemotePort"), Optional("Timeout"),
                                   Optional("Localize")},
                                  VT_VARIANT, "asks the server for the time; the date and time as text"),
    Method<&ITimeClient::Initialize>(30, "Initialize", {Optional("ModuleName"), Optional("Options"), Optional("Reserved")},
                                     VT_VARIANT, "starts the socket library; the error"),
    Method<&ITimeClient::Reset>(31, "Reset", {}, VT_EMPTY, "returns the control to its defaults"),
    Method<&ITimeClient::SetTime>(32, "SetTime", {Optional("NetworkTime")}, VT_VARIANT,
                                  "sets the computer's clock; whether it was set"),
    Method<&ITimeClient::Uninitialize>(33, "Uninitialize", {}, VT_EMPTY, "resets and stops the socket library"),
};

constexpr Member kEvents[] = {
    Method<&ITimeClientEvents::OnCancel>(kOnCancel, "OnCancel", {}, VT_EMPTY, "a wait was cancelled"),
    Method<&ITimeClientEvents::OnError>(kOnError, "OnError", {In("ErrorCode", VT_I4), In("Description", VT_BSTR)},
                                        VT_EMPTY, "a method failed"),
    Method<&ITimeClientEvents::OnTimer>(kOnTimer, "OnTimer", {}, VT_EMPTY, "the interval timer fired"),
    Method<&ITimeClientEvents::OnTimeout>(kOnTimeout, "OnTimeout", {}, VT_EMPTY, "a wait timed out"),
};

constexpr EnumConstant kConnection[] = {{"timePortDefault", kTimePortDefault}, {"timeTimeout", 10}};
constexpr EnumConstant kTrace[] = {{"timeTraceDefault", 0},  {"timeTraceInfo", 0},    {"timeTraceError", 1},
                                   {"timeTraceWarning", 2},  {"timeTraceHexDump", 4}, {"timeTraceProcess", 4096}};
constexpr EnumConstant kErrors[] = {
    {"timeError", -1},
#include "core/control/error_constants.inc"
};
constexpr EnumInfo kEnums[] = {
    {"_timeConnectionConstants", "ConnectionConstants", kConnection},
    {"_timeTraceConstants", "TraceConstants", kTrace},
    {"_timeErrorConstants", "ErrorConstants", kErrors},
};

extern const InterfaceInfo kInterface;
extern const InterfaceInfo kEventInterface;
const InterfaceInfo kInterface{"ITimeClient", ITimeClient::kIid, kMembers, "the time control", &kTimeClientLib};
const InterfaceInfo kEventInterface{"_ITimeClientEvents", kTimeClientEventsIid, kEvents, "the time control's events",
                                    &kTimeClientLib, ITimeClientEvents::kIid};
const InterfaceInfo *const kInterfaces[] = {&kInterface, &kEventInterface};
const ClassInfo *const kClasses[] = {&kTimeClientClass};

constexpr const char *kTitle = "Quillstream Time Protocol Control 6.0";

}  // namespace

const ClassInfo kTimeClientClass{"TimeClient",
                                 kTimeClientClsid,
                                 "Quillstream.TimeClient.6",
                                 "Quillstream.TimeClient",
                                 kTitle,
                                 control::kControlThreadingModel,
                                 true,
                                 control::kNetworkControlMiscStatus,
                                 control::kToolboxBitmap,
                                 &kInterface,
                                 &kEventInterface,
                                 &kTimeClientLib};
const TypeLibInfo kTimeClientLib{"TimeClientCtl", kTimeClientLibId, 1, 0, kTitle, kEnums, kInterfaces, kClasses};

}  // namespace qs::time

const qs::automation::InterfaceInfo &ITimeClient::Info() { return qs::time::kInterface; }
const qs::automation::InterfaceInfo &ITimeClientEvents::Info() { return qs::time::kEventInterface; }
