// The whois control's member table, events, enumerations, type library and registration data.
#include "core/control/frame.h"
#include "whois/control/whois_client.h"

namespace qs::whois {
namespace {

using namespace automation;

constexpr Member kMembers[] = {
    Method<&IWhoisClient::About>(DISPID_ABOUTBOX, "About", {}, VT_EMPTY, "shows the About box"),
    Get<&IWhoisClient::get_Enabled>(DISPID_ENABLED, "Enabled", VT_BOOL, "the stock Enabled property"),
    Put<&IWhoisClient::put_Enabled>(DISPID_ENABLED, "Enabled", VT_BOOL),
    Get<&IWhoisClient::get_AutoResolve>(1, "AutoResolve", VT_BOOL, "resolve HostName and HostAddress into each other"),
    Put<&IWhoisClient::put_AutoResolve>(1, "AutoResolve", VT_BOOL),
    Get<&IWhoisClient::get_Blocking>(2, "Blocking", VT_BOOL, "wait in each call (true) or work through events"),
    Put<&IWhoisClient::put_Blocking>(2, "Blocking", VT_BOOL),
    Get<&IWhoisClient::get_Connected>(3, "Connected", VT_BOOL, "whether the connection is established"),
    Get<&IWhoisClient::get_Handle>(4, "Handle", VT_I4, "the session handle, -1 without a session"),
    Get<&IWhoisClient::get_HostAddress>(5, "HostAddress", VT_BSTR, "the server's address"),
    Put<&IWhoisClient::put_HostAddress>(5, "HostAddress", VT_BSTR),
    Get<&IWhoisClient::get_HostName>(6, "HostName", VT_BSTR, "the server's name"),
    Put<&IWhoisClient::put_HostName>(6, "HostName", VT_BSTR),
    Get<&IWhoisClient::get_IsBlocked>(7, "IsBlocked", VT_BOOL, "whether an operation of the session waits"),
    Get<&IWhoisClient::get_IsReadable>(8, "IsReadable", VT_BOOL, "whether data can be read at once"),
    Get<&IWhoisClient::get_Keyword>(9, "Keyword", VT_BSTR, "what to search for"),
    Put<&IWhoisClient::put_Keyword>(9, "Keyword", VT_BSTR),
    Get<&IWhoisClient::get_LastError>(10, "LastError", VT_I4, "error number of the last reported error"),
    Put<&IWhoisClient::put_LastError>(10, "LastError", VT_I4),
    Get<&IWhoisClient::get_LastErrorString>(11, "LastErrorString", VT_BSTR, "message of LastError"),
    Get<&IWhoisClient::get_Library>(12, "Library", VT_BSTR, "path of the socket library in use"),
    Put<&IWhoisClient::put_Library>(12, "Library", VT_BSTR),
    Get<&IWhoisClient::get_LocalAddress>(13, "LocalAddress", VT_BSTR, "the local address of the connection"),
    Get<&IWhoisClient::get_LocalName>(14, "LocalName", VT_BSTR, "the host's own name"),
    Get<&IWhoisClient::get_LocalPort>(15, "LocalPort", VT_I4, "the local port of the connection"),
    Get<&IWhoisClient::get_RemotePort>(16, "RemotePort", VT_I4, "the server's port; 0: the service default (43)"),
    Put<&IWhoisClient::put_RemotePort>(16, "RemotePort", VT_I4),
    Get<&IWhoisClient::get_RemoteService>(17, "RemoteService", VT_BSTR, "the service name of RemotePort"),
    Put<&IWhoisClient::put_RemoteService>(17, "RemoteService", VT_BSTR),
    Get<&IWhoisClient::get_SearchType>(18, "SearchType", VT_I4, "0 any, 1 handle, 2 name, 3 mailbox"),
    Put<&IWhoisClient::put_SearchType>(18, "SearchType", VT_I4),
    Get<&IWhoisClient::get_State>(19, "State", VT_I4, "the session's state, 0 without a session"),
    Get<&IWhoisClient::get_ThrowError>(20, "ThrowError", VT_BOOL, "raise method failures as errors"),
    Put<&IWhoisClient::put_ThrowError>(20, "ThrowError", VT_BOOL),
    Get<&IWhoisClient::get_Timeout>(21, "Timeout", VT_I4, "seconds a blocking operation waits"),
    Put<&IWhoisClient::put_Timeout>(21, "Timeout", VT_I4),
    Get<&IWhoisClient::get_Trace>(22, "Trace", VT_BOOL, "whether tracing is on"),
    Put<&IWhoisClient::put_Trace>(22, "Trace", VT_BOOL),
    Get<&IWhoisClient::get_TraceFile>(23, "TraceFile", VT_BSTR, "file given to the trace library"),
    Put<&IWhoisClient::put_TraceFile>(23, "TraceFile", VT_BSTR),
    Get<&IWhoisClient::get_TraceFlags>(24, "TraceFlags", VT_I4, "flags given to the trace library"),
    Put<&IWhoisClient::put_TraceFlags>(24, "TraceFlags", VT_I4),
    Get<&IWhoisClient::get_Version>(25, "Version", VT_BSTR, "file version of the module"),
    Get<&IWhoisClient::get_WinsockVendor>(26, "WinsockVendor", VT_BSTR, "description of the socket library"),
    Get<&IWhoisClient::get_WinsockVersion>(27, "WinsockVersion", VT_BSTR, "version of the socket library"),
    Method<&IWhoisClient::Cancel>(28, "Cancel", {}, VT_VARIANT, "cancels the session's blocking operation; the error"),
    Method<&IWhoisClient::Connect>(29, "Connect",
                                   {Optional("RemoteHost"), Optional("RemotePort"), Optional("Timeout"),
                                    Optional("Options")},
                                   VT_VARIANT, "connects and searches for Keyword once; the error"),
    Method<&IWhoisClient::Disconnect>(30, "Disconnect", {}, VT_VARIANT, "ends the session; the error (always 0)"),
    Method<&IWhoisClient::Initialize>(31, "Initialize",
                                      {Optional("ModuleName"), Optional("Options"), Optional("Reserved")}, VT_VARIANT,
                                      "starts the socket library; the error"),
    Method<&IWhoisClient::Read>(32, "Read", {InOut("Buffer"), Optional("Length")}, VT_VARIANT,
                                "reads what the server sent; the count, 0 at the end, -1 on failure"),
    Method<&IWhoisClient::Reset>(33, "Reset", {}, VT_EMPTY, "returns the control to its defaults"),
    Method<&IWhoisClient::Search>(34, "Search", {Optional("Keyword"), Optional("SearchType")}, VT_VARIANT,
                                  "sends a query; the error"),
    Method<&IWhoisClient::Uninitialize>(35, "Uninitialize", {}, VT_EMPTY, "resets and stops the socket library"),
};

constexpr Member kEvents[] = {
    Method<&IWhoisClientEvents::OnCancel>(kOnCancel, "OnCancel", {}, VT_EMPTY, "never raised"),
    Method<&IWhoisClientEvents::OnConnect>(kOnConnect, "OnConnect", {}, VT_EMPTY, "the connection is established"),
    Method<&IWhoisClientEvents::OnDisconnect>(kOnDisconnect, "OnDisconnect", {}, VT_EMPTY,
                                              "the server closed the connection"),
    Method<&IWhoisClientEvents::OnError>(kOnError, "OnError", {In("ErrorCode", VT_I4), In("Description", VT_BSTR)},
                                         VT_EMPTY, "an operation failed"),
    Method<&IWhoisClientEvents::OnRead>(kOnRead, "OnRead", {}, VT_EMPTY, "data can be read"),
    Method<&IWhoisClientEvents::OnTimeout>(kOnTimeout, "OnTimeout", {}, VT_EMPTY, "never raised"),
};

constexpr EnumConstant kConnection[] = {{"whoisPortDefault", kWhoisPortDefault}, {"whoisTimeout", 20}};
constexpr EnumConstant kTrace[] = {{"whoisTraceDefault", 0}, {"whoisTraceInfo", 0},    {"whoisTraceError", 1},
                                   {"whoisTraceWarning", 2}, {"whoisTraceHexDump", 4}, {"whoisTraceProcess", 4096}};
constexpr EnumConstant kSearch[] = {{"whoisSearchAny", kWhoisSearchAny},
                                    {"whoisSearchHandle", kWhoisSearchHandle},
                                    {"whoisSearchName", kWhoisSearchName},
                                    {"whoisSearchMailbox", kWhoisSearchMailbox}};
constexpr EnumConstant kErrors[] = {
    {"whoisError", -1},
#include "core/control/error_constants.inc"
};
constexpr EnumInfo kEnums[] = {
    {"_whoisConnectionConstants", "ConnectionConstants", kConnection},
    {"_whoisTraceConstants", "TraceConstants", kTrace},
    {"_whoisSearchConstants", "SearchConstants", kSearch},
    {"_whoisErrorConstants", "ErrorConstants", kErrors},
};

extern const InterfaceInfo kInterface;
extern const InterfaceInfo kEventInterface;
const InterfaceInfo kInterface{"IWhoisClient", IWhoisClient::kIid, kMembers, "the whois control", &kWhoisClientLib};
const InterfaceInfo kEventInterface{"_IWhoisClientEvents", kWhoisClientEventsIid, kEvents,
                                    "the whois control's events", &kWhoisClientLib, IWhoisClientEvents::kIid};
const InterfaceInfo *const kInterfaces[] = {&kInterface, &kEventInterface};
const ClassInfo *const kClasses[] = {&kWhoisClientClass};

constexpr const char *kTitle = "Quillstream Whois Protocol Control 6.0";

}  // namespace

const ClassInfo kWhoisClientClass{"WhoisClient",
                                  kWhoisClientClsid,
                                  "Quillstream.WhoisClient.6",
                                  "Quillstream.WhoisClient",
                                  kTitle,
                                  control::kControlThreadingModel,
                                  true,
                                  control::kNetworkControlMiscStatus,
                                  control::kToolboxBitmap,
                                  &kInterface,
                                  &kEventInterface,
                                  &kWhoisClientLib};
const TypeLibInfo kWhoisClientLib{"WhoisClientCtl", kWhoisClientLibId, 1, 0, kTitle, kEnums, kInterfaces, kClasses};

}  // namespace qs::whois

const qs::automation::InterfaceInfo &IWhoisClient::Info() { return qs::whois::kInterface; }
const qs::automation::InterfaceInfo &IWhoisClientEvents::Info() { return qs::whois::kEventInterface; }
