// The DNS control's member table, events, enumerations, type library and registration data.
#include "core/control/frame.h"
#include "dns/control/dns_client.h"
#include "dns/lib/dns_message.h"
#include "dns/resolver/dns_session.h"

namespace qs::dns {
namespace {

using namespace automation;

constexpr Member kMembers[] = {
    Method<&IDnsClient::About>(DISPID_ABOUTBOX, "About", {}, VT_EMPTY, "shows the About box"),
    Get<&IDnsClient::get_Enabled>(DISPID_ENABLED, "Enabled", VT_BOOL, "the stock Enabled property"),
    Put<&IDnsClient::put_Enabled>(DISPID_ENABLED, "Enabled", VT_BOOL),
    Get<&IDnsClient::get_Handle>(1, "Handle", VT_I4, "the resolver session, -1 when none"),
    Get<&IDnsClient::get_HostAddress>(2, "HostAddress", VT_BSTR, "the host's address; writing looks up its name"),
    Put<&IDnsClient::put_HostAddress>(2, "HostAddress", VT_BSTR),
    Get<&IDnsClient::get_HostAlias>(3, "HostAlias", VT_BSTR, "entry Index of the alias list (0: the official name)",
                                    {In("Index", VT_I4)}),
    Get<&IDnsClient::get_HostAliases>(4, "HostAliases", VT_I4, "number of entries in the alias list"),
    Get<&IDnsClient::get_HostFile>(5, "HostFile", VT_BSTR, "the host file in use; writing loads one"),
    Put<&IDnsClient::put_HostFile>(5, "HostFile", VT_BSTR),
    Get<&IDnsClient::get_HostInfo>(6, "HostInfo", VT_BSTR, "host information (CPU and system) of HostName"),
    Get<&IDnsClient::get_HostName>(7, "HostName", VT_BSTR, "the host's name; writing looks up its address"),
    Put<&IDnsClient::put_HostName>(7, "HostName", VT_BSTR),
    Get<&IDnsClient::get_HostProtocol>(8, "HostProtocol", VT_I4, "protocol of HostServices: 6 TCP, 17 UDP"),
    Put<&IDnsClient::put_HostProtocol>(8, "HostProtocol", VT_I4),
    Get<&IDnsClient::get_HostServices>(9, "HostServices", VT_BSTR, "services of HostName for HostProtocol"),
    Get<&IDnsClient::get_IsBlocked>(10, "IsBlocked", VT_BOOL, "whether an exchange is waiting"),
    Get<&IDnsClient::get_LastError>(11, "LastError", VT_I4, "error number of the last reported error"),
    Put<&IDnsClient::put_LastError>(11, "LastError", VT_I4),
    Get<&IDnsClient::get_LastErrorString>(12, "LastErrorString", VT_BSTR, "message of LastError"),
    Get<&IDnsClient::get_Library>(13, "Library", VT_BSTR, "path of the socket library in use"),
    Put<&IDnsClient::put_Library>(13, "Library", VT_BSTR),
    Get<&IDnsClient::get_LocalAddress>(14, "LocalAddress", VT_BSTR, "the host's own address"),
    Get<&IDnsClient::get_LocalDomain>(15, "LocalDomain", VT_BSTR, "the domain names without a dot are searched in"),
    Put<&IDnsClient::put_LocalDomain>(15, "LocalDomain", VT_BSTR),
    Get<&IDnsClient::get_LocalName>(16, "LocalName", VT_BSTR, "the host's own name"),
    Get<&IDnsClient::get_MailExchange>(17, "MailExchange", VT_BSTR, "entry Index of the mail exchangers of HostName",
                                       {In("Index", VT_I4)}),
    Get<&IDnsClient::get_MailExchanges>(18, "MailExchanges", VT_I4, "number of mail exchangers of HostName"),
    Get<&IDnsClient::get_NameServer>(19, "NameServer", VT_BSTR, "name-server slot Index (0-3); empty when unset",
                                     {In("Index", VT_I4)}),
    Put<&IDnsClient::put_NameServer>(19, "NameServer", VT_BSTR, "", {In("Index", VT_I4)}),
    Get<&IDnsClient::get_Options>(20, "Options", VT_I4, "kept for the caller; no effect"),
    Put<&IDnsClient::put_Options>(20, "Options", VT_I4),
    Get<&IDnsClient::get_RemotePort>(21, "RemotePort", VT_I4, "port of the name servers set from now on; 0: 53"),
    Put<&IDnsClient::put_RemotePort>(21, "RemotePort", VT_I4),
    Get<&IDnsClient::get_RemoteService>(22, "RemoteService", VT_BSTR, "the service name of RemotePort"),
    Put<&IDnsClient::put_RemoteService>(22, "RemoteService", VT_BSTR),
    Get<&IDnsClient::get_Retry>(23, "Retry", VT_I4, "passes over the name servers, 1-8"),
    Put<&IDnsClient::put_Retry>(23, "Retry", VT_I4),
    Get<&IDnsClient::get_ServerAddress>(24, "ServerAddress", VT_BSTR, "the name server that gave the last answer"),
    Get<&IDnsClient::get_ThrowError>(25, "ThrowError", VT_BOOL, "raise method failures as errors"),
    Put<&IDnsClient::put_ThrowError>(25, "ThrowError", VT_BOOL),
    Get<&IDnsClient::get_Timeout>(26, "Timeout", VT_I4, "seconds per name-server attempt"),
    Put<&IDnsClient::put_Timeout>(26, "Timeout", VT_I4),
    Get<&IDnsClient::get_Trace>(27, "Trace", VT_BOOL, "whether tracing is on"),
    Put<&IDnsClient::put_Trace>(27, "Trace", VT_BOOL),
    Get<&IDnsClient::get_TraceFile>(28, "TraceFile", VT_BSTR, "file given to the trace library"),
    Put<&IDnsClient::put_TraceFile>(28, "TraceFile", VT_BSTR),
    Get<&IDnsClient::get_TraceFlags>(29, "TraceFlags", VT_I4, "flags given to the trace library"),
    Put<&IDnsClient::put_TraceFlags>(29, "TraceFlags", VT_I4),
    Get<&IDnsClient::get_Version>(30, "Version", VT_BSTR, "file version of the module"),
    Get<&IDnsClient::get_WinsockVendor>(31, "WinsockVendor", VT_BSTR, "description of the socket library"),
    Get<&IDnsClient::get_WinsockVersion>(32, "WinsockVersion", VT_BSTR, "version of the socket library"),
    Method<&IDnsClient::Cancel>(33, "Cancel", {}, VT_VARIANT, "cancels the exchange in progress; the error"),
    Method<&IDnsClient::Initialize>(34, "Initialize", {Optional("ModuleName"), Optional("Options"), Optional("Reserved")},
                                    VT_VARIANT, "starts the socket library and the resolver session; the error"),
    Method<&IDnsClient::MatchHost>(35, "MatchHost",
                                   {In("HostName", VT_VARIANT), In("HostMask", VT_VARIANT), Optional("Resolve")},
                                   VT_VARIANT, "whether the host matches one of the ';'-separated masks"),
    Method<&IDnsClient::Query>(36, "Query",
                               {In("RecordName", VT_VARIANT), Optional("RecordType"), InOut("RecordData"),
                                Optional("Reserved")},
                               VT_VARIANT, "the first record of a type as text, in RecordData; the error"),
    Method<&IDnsClient::Reset>(37, "Reset", {}, VT_EMPTY, "returns the control to its defaults with a new session"),
    Method<&IDnsClient::Resolve>(38, "Resolve", {In("HostName", VT_VARIANT), InOut("HostAddress"), Optional("Reserved")},
                                 VT_VARIANT, "the address of a host, in HostAddress; the error"),
    Method<&IDnsClient::Uninitialize>(39, "Uninitialize", {}, VT_EMPTY, "resets and stops the socket library"),
};

constexpr Member kEvents[] = {
    Method<&IDnsClientEvents::OnCancel>(kOnCancel, "OnCancel", {}, VT_EMPTY, "an exchange was cancelled"),
    Method<&IDnsClientEvents::OnError>(kOnError, "OnError", {In("ErrorCode", VT_I4), In("Description", VT_BSTR)},
                                       VT_EMPTY, "a method failed"),
    Method<&IDnsClientEvents::OnTimeout>(kOnTimeout, "OnTimeout", {}, VT_EMPTY, "an exchange timed out"),
};

constexpr EnumConstant kConnection[] = {
    {"dnsPortDefault", kDnsDefaultPort}, {"dnsTimeout", kDnsClientTimeout}, {"dnsRetries", kDnsClientRetries}};
constexpr EnumConstant kProtocol[] = {
    {"dnsProtocolTCP", kDnsProtocolTcp}, {"dnsProtocolUDP", kDnsProtocolUdp}, {"dnsProtocolDefault", kDnsProtocolTcp}};
constexpr EnumConstant kTrace[] = {{"dnsTraceDefault", 0}, {"dnsTraceInfo", 0},    {"dnsTraceError", 1},
                                   {"dnsTraceWarning", 2}, {"dnsTraceHexDump", 4}, {"dnsTraceProcess", 4096}};
constexpr EnumConstant kRecords[] = {
    {"dnsRecordNone", kDnsTypeNone},   {"dnsRecordAddress", kDnsTypeA},   {"dnsRecordNS", kDnsTypeNS},
    {"dnsRecordCNAME", kDnsTypeCNAME}, {"dnsRecordSOA", kDnsTypeSOA},     {"dnsRecordWKS", kDnsTypeWKS},
    {"dnsRecordPTR", kDnsTypePTR},     {"dnsRecordHINFO", kDnsTypeHINFO}, {"dnsRecordMINFO", kDnsTypeMINFO},
    {"dnsRecordMX", kDnsTypeMX},       {"dnsRecordTXT", kDnsTypeTXT},     {"dnsRecordRP", kDnsTypeRP},
    {"dnsRecordX25", kDnsTypeX25},     {"dnsRecordISDN", kDnsTypeISDN},   {"dnsRecordRT", kDnsTypeRT},
    {"dnsRecordAAAA", kDnsTypeAAAA},   {"dnsRecordLOC", kDnsTypeLOC},     {"dnsRecordUINFO", kDnsTypeUINFO},
    {"dnsRecordUID", kDnsTypeUID},     {"dnsRecordGID", kDnsTypeGID},
};
constexpr EnumConstant kErrors[] = {
    {"dnsError", -1},
#include "core/control/error_constants.inc"
};
constexpr EnumInfo kEnums[] = {
    {"_dnsConnectionConstants", "ConnectionConstants", kConnection},
    {"_dnsProtocolConstants", "ProtocolConstants", kProtocol},
    {"_dnsTraceConstants", "TraceConstants", kTrace},
    {"_dnsRecordConstants", "RecordConstants", kRecords},
    {"_dnsErrorConstants", "ErrorConstants", kErrors},
};

extern const InterfaceInfo kInterface;
extern const InterfaceInfo kEventInterface;
const InterfaceInfo kInterface{"IDnsClient", IDnsClient::kIid, kMembers, "the domain name control", &kDnsClientLib};
const InterfaceInfo kEventInterface{"_IDnsClientEvents", kDnsClientEventsIid, kEvents, "the domain name control's events",
                                    &kDnsClientLib, IDnsClientEvents::kIid};
const InterfaceInfo *const kInterfaces[] = {&kInterface, &kEventInterface};
const ClassInfo *const kClasses[] = {&kDnsClientClass};

constexpr const char *kTitle = "Quillstream Domain Name Service Control 6.0";

}  // namespace

const ClassInfo kDnsClientClass{"DnsClient",
                                kDnsClientClsid,
                                "Quillstream.DnsClient.6",
                                "Quillstream.DnsClient",
                                kTitle,
                                control::kControlThreadingModel,
                                true,
                                control::kNetworkControlMiscStatus,
                                control::kToolboxBitmap,
                                &kInterface,
                                &kEventInterface,
                                &kDnsClientLib};
const TypeLibInfo kDnsClientLib{"DnsClientCtl", kDnsClientLibId, 1, 0, kTitle, kEnums, kInterfaces, kClasses};

}  // namespace qs::dns

const qs::automation::InterfaceInfo &IDnsClient::Info() { return qs::dns::kInterface; }
const qs::automation::InterfaceInfo &IDnsClientEvents::Info() { return qs::dns::kEventInterface; }
