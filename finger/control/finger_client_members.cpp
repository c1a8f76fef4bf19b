// The finger control's member table, events, enumerations, type library and registration data.
#include "core/control/frame.h"
#include "finger/control/finger_client.h"

namespace qs::finger {
namespace {

using namespace automation;

constexpr Member kMembers[] = {
    Method<&IFingerClient::About>(DISPID_ABOUTBOX, "About", {}, VT_EMPTY, "shows the About box"),
    Get<&IFingerClient::get_Enabled>(DISPID_ENABLED, "Enabled", VT_BOOL, "the stock Enabled property"),
    Put<&IFingerClient::put_Enabled>(DISPID_ENABLED, "Enabled", VT_BOOL),
    Get<&IFingerClient::get_AutoResolve>(1, "AutoResolve", VT_BOOL, "resolve HostName and HostAddress into each other"),
    Put<&IFingerClient::put_AutoResolve>(1, "AutoResolve", VT_BOOL),
    Get<&IFingerClient::get_Blocking>(2, "Blocking", VT_BOOL, "wait in each call (true) or work through events"),
    Put<&IFingerClient::put_Blocking>(2, "Blocking", VT_BOOL),
    Get<&IFingerClient::get_Connected>(3, "Connected", VT_BOOL, "whether the connection was established"),
    Get<&IFingerClient::get_Handle>(4, "Handle", VT_I4, "the session handle, -1 without a session"),
    Get<&IFingerClient::get_HostAddress>(5, "HostAddress", VT_BSTR, "the server's address"),
    Put<&IFingerClient::put_HostAddress>(5, "HostAddress", VT_BSTR),
    Get<&IFingerClient::get_HostName>(6, "HostName", VT_BSTR, "the server's name"),
    Put<&IFingerClient::put_HostName>(6, "HostName", VT_BSTR),
    Get<&IFingerClient::get_IsBlocked>(7, "IsBlocked", VT_BOOL, "whether an operation of the session waits"),
    Get<&IFingerClient::get_IsReadable>(8, "IsReadable", VT_BOOL, "whether data can be read at once"),
    Get<&IFingerClient::get_LastError>(9, "LastError", VT_I4, "error number of the last reported error"),
    Put<&IFingerClient::put_LastError>(9, "LastError", VT_I4),
    Get<&IFingerClient::get_LastErrorString>(10, "LastErrorString", VT_BSTR, "message of LastError"),
    Get<&IFingerClient::get_Library>(11, "Library", VT_BSTR, "path of the socket library in use"),
    Put<&IFingerClient::put_Library>(11, "Library", VT_BSTR),
    Get<&IFingerClient::get_LocalAddress>(12, "LocalAddress", VT_BSTR, "the local address of the connection"),
    Get<&IFingerClient::get_LocalName>(13, "LocalName", VT_BSTR, "the host's own name"),
    Get<&IFingerClient::get_LocalPort>(14, "LocalPort", VT_I4, "the local port of the connection"),
    Get<&IFingerClient::get_RemotePort>(15, "RemotePort", VT_I4, "the server's port; 0: the service default (79)"),
    Put<&IFingerClient::put_RemotePort>(15, "RemotePort", VT_I4),
    Get<&IFingerClient::get_RemoteService>(16, "RemoteService", VT_BSTR, "the service name of RemotePort"),
    Put<&IFingerClient::put_RemoteService>(16, "RemoteService", VT_BSTR),
    Get<&IFingerClient::get_State>(17, "State", VT_I4, "the session's state, 0 without a session"),
    Get<&IFingerClient::get_ThrowError>(18, "ThrowError", VT_BOOL, "raise method failures as errors"),
    Put<&IFingerClient::put_ThrowError>(18, "ThrowError", VT_BOOL),
    Get<&IFingerClient::get_Timeout>(19, "Timeout", VT_I4, "seconds a blocking operation waits"),
    Put<&IFingerClient::put_Timeout>(19, "Timeout", VT_I4),
    Get<&IFingerClient::get_Trace>(20, "Trace", VT_BOOL, "whether tracing is on"),
    Put<&IFingerClient::put_Trace>(20, "Trace", VT_BOOL),
    Get<&IFingerClient::get_TraceFile>(21, "TraceFile", VT_BSTR, "file given to the trace library"),
    Put<&IFingerClient::put_TraceFile>(21, "TraceFile", VT_BSTR),
    Get<&IFingerClient::get_TraceFlags>(22, "TraceFlags", VT_I4, "flags given to the trace library"),
    Put<&IFingerClient::put_TraceFlags>(22, "TraceFlags", VT_I4),
    Get<&IFingerClient::get_UserName>(23, "UserName", VT_BSTR, "the user to query; empty asks for the users on"),
    Put<&IFingerClient::put_UserName>(23, "UserName", VT_BSTR),
    Get<&IFingerClient::get_Version>(24, "Version", VT_BSTR, "file version of the module"),
    Get<&IFingerClient::get_WinsockVendor>(25, "WinsockVendor", VT_BSTR, "description of the socket library"),
    Get<&IFingerClient::get_WinsockVersion>(26, "WinsockVersion", VT_BSTR, "version of the socket library"),
    Method<&IFingerClient::Cancel>(27, "Cancel", {}, VT_VARIANT, "cancels the session's blocking operation; the error"),
    Method<&IFingerClient::Connect>(28, "Connect",
                                    {Optional("RemoteHost"), Optional("RemotePort"), Optional("UserName"),
                                     Optional("Timeout"), Optional("Options")},
                                    VT_VARIANT, "connects and sends the query; the error"),
    Method<&IFingerClient::Disconnect>(29, "Disconnect", {}, VT_VARIANT, "ends the session; the error (always 0)"),
    Method<&IFingerClient::Initialize>(30, "Initialize",
                                       {Optional("ModuleName"), Optional("Options"), Optional("Reserved")}, VT_VARIANT,
                                       "starts the socket library; the error"),
    Method<&IFingerClient::Read>(31, "Read", {InOut("Buffer"), Optional("Length")}, VT_VARIANT,
                                 "reads what the server sent; the count, 0 at the end, -1 on failure"),
    Method<&IFingerClient::Reset>(32, "Reset", {}, VT_EMPTY, "returns the control to its defaults"),
    Method<&IFingerClient::Uninitialize>(33, "Uninitialize", {}, VT_EMPTY, "resets and stops the socket library"),
};

constexpr Member kEvents[] = {
    Method<&IFingerClientEvents::OnCancel>(kOnCancel, "OnCancel", {}, VT_EMPTY, "a blocking wait was cancelled"),
    Method<&IFingerClientEvents::OnConnect>(kOnConnect, "OnConnect", {}, VT_EMPTY, "the connection is established"),
    Method<&IFingerClientEvents::OnDisconnect>(kOnDisconnect, "OnDisconnect", {}, VT_EMPTY,
                                               "the server closed the connection"),
    Method<&IFingerClientEvents::OnError>(kOnError, "OnError", {In("ErrorCode", VT_I4), In("Description", VT_BSTR)},
                                          VT_EMPTY, "an operation failed"),
    Method<&IFingerClientEvents::OnRead>(kOnRead, "OnRead", {}, VT_EMPTY, "data can be read"),
    Method<&IFingerClientEvents::OnTimeout>(kOnTimeout, "OnTimeout", {}, VT_EMPTY, "a blocking wait timed out"),
};

constexpr EnumConstant kConnection[] = {{"fingerPortDefault", kFingerPortDefault}, {"fingerTimeout", 20}};
constexpr EnumConstant kTrace[] = {{"fingerTraceDefault", 0}, {"fingerTraceInfo", 0},    {"fingerTraceError", 1},
                                   {"fingerTraceWarning", 2}, {"fingerTraceHexDump", 4}, {"fingerTraceProcess", 4096}};
constexpr EnumConstant kStatus[] = {{"fingerStatusUnused", kStateUnused},   {"fingerStatusIdle", kStateIdle},
                                    {"fingerStatusConnect", kStateConnecting}, {"fingerStatusRead", kStateReading},
                                    {"fingerStatusWrite", kStateWriting},   {"fingerStatusDisconnect", kStateDisconnecting}};
constexpr EnumConstant kErrors[] = {
    {"fingerError", -1},
#include "core/control/error_constants.inc"
};
constexpr EnumInfo kEnums[] = {
    {"_fingerConnectionConstants", "ConnectionConstants", kConnection},
    {"_fingerTraceConstants", "TraceConstants", kTrace},
    {"_fingerStatusConstants", "StatusConstants", kStatus},
    {"_fingerErrorConstants", "ErrorConstants", kErrors},
};

extern const InterfaceInfo kInterface;
extern const InterfaceInfo kEventInterface;
const InterfaceInfo kInterface{"IFingerClient", IFingerClient::kIid, kMembers, "the finger control", &kFingerClientLib};
const InterfaceInfo kEventInterface{"_IFingerClientEvents", kFingerClientEventsIid, kEvents,
                                    "the finger control's events", &kFingerClientLib, IFingerClientEvents::kIid};
const InterfaceInfo *const kInterfaces[] = {&kInterface, &kEventInterface};
const ClassInfo *const kClasses[] = {&kFingerClientClass};

constexpr const char *kTitle = "Quillstream Finger Protocol Control 6.0";

}  // namespace

const ClassInfo kFingerClientClass{"FingerClient",
                                   kFingerClientClsid,
                                   "Quillstream.FingerClient.6",
                                   "Quillstream.FingerClient",
                                   kTitle,
                                   control::kControlThreadingModel,
                                   true,
                                   control::kNetworkControlMiscStatus,
                                   control::kToolboxBitmap,
                                   &kInterface,
                                   &kEventInterface,
                                   &kFingerClientLib};
const TypeLibInfo kFingerClientLib{"FingerClientCtl", kFingerClientLibId, 1, 0, kTitle, kEnums, kInterfaces, kClasses};

}  // namespace qs::finger

const qs::automation::InterfaceInfo &IFingerClient::Info() { return qs::finger::kInterface; }
const qs::automation::InterfaceInfo &IFingerClientEvents::Info() { return qs::finger::kEventInterface; }
