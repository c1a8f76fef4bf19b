// DnsClient: the domain name control. It holds one resolver session and exposes host lookups (by name,
// by address, through a host file), mail exchangers, host information and services, single records as
// text, the name-server slots and wildcard host matching. Everything else is the control frame's.
//
// The session is created by initialisation (explicit or on first need) with the current Timeout and
// Retry; Reset replaces it, Uninitialize and destruction free it. The frame's session handling (an open
// session refusing RemotePort, invalid handle read as "not connected") belongs to the connection
// controls, so the frame sees no session here and this class keeps Handle itself.
#pragma once
#include <string>
#include <vector>

#include "core/control/control_frame.h"
#include "dns/lib/dns_services.h"
#include "dns/resolver/dns_resolver.h"

// The dual interface, in the order of its dispatch identifiers (dns_client_members.cpp).
struct IDnsClient : IDispatch {
    static constexpr IID kIid{0xEAE5AB57, 0x824A, 0x4B9F, {0x84, 0x8F, 0xDB, 0xC6, 0x33, 0xA1, 0x3B, 0x3D}};
    static const qs::automation::InterfaceInfo &Info();

    virtual HRESULT About() = 0;
    virtual HRESULT get_Enabled(VARIANT_BOOL *value) = 0;
    virtual HRESULT put_Enabled(VARIANT_BOOL value) = 0;
    virtual HRESULT get_Handle(LONG *value) = 0;
    virtual HRESULT get_HostAddress(BSTR *value) = 0;
    virtual HRESULT put_HostAddress(BSTR value) = 0;
    virtual HRESULT get_HostAlias(LONG index, BSTR *value) = 0;
    virtual HRESULT get_HostAliases(LONG *value) = 0;
    virtual HRESULT get_HostFile(BSTR *value) = 0;
    virtual HRESULT put_HostFile(BSTR value) = 0;
    virtual HRESULT get_HostInfo(BSTR *value) = 0;
    virtual HRESULT get_HostName(BSTR *value) = 0;
    virtual HRESULT put_HostName(BSTR value) = 0;
    virtual HRESULT get_HostProtocol(LONG *value) = 0;
    virtual HRESULT put_HostProtocol(LONG value) = 0;
    virtual HRESULT get_HostServices(BSTR *value) = 0;
    virtual HRESULT get_IsBlocked(VARIANT_BOOL *value) = 0;
    virtual HRESULT get_LastError(LONG *value) = 0;
    virtual HRESULT put_LastError(LONG value) = 0;
    virtual HRESULT get_LastErrorString(BSTR *value) = 0;
    virtual HRESULT get_Library(BSTR *value) = 0;
    virtual HRESULT put_Library(BSTR value) = 0;
    virtual HRESULT get_LocalAddress(BSTR *value) = 0;
    virtual HRESULT get_LocalDomain(BSTR *value) = 0;
    virtual HRESULT put_LocalDomain(BSTR value) = 0;
    virtual HRESULT get_LocalName(BSTR *value) = 0;
    virtual HRESULT get_MailExchange(LONG index, BSTR *value) = 0;
    virtual HRESULT get_MailExchanges(LONG *value) = 0;
    virtual HRESULT get_NameServer(LONG index, BSTR *value) = 0;
    virtual HRESULT put_NameServer(LONG index, BSTR value) = 0;
    virtual HRESULT get_Options(LONG *value) = 0;
    virtual HRESULT put_Options(LONG value) = 0;
    virtual HRESULT get_RemotePort(LONG *value) = 0;
    virtual HRESULT put_RemotePort(LONG value) = 0;
    virtual HRESULT get_RemoteService(BSTR *value) = 0;
    virtual HRESULT put_RemoteService(BSTR value) = 0;
    virtual HRESULT get_Retry(LONG *value) = 0;
    virtual HRESULT put_Retry(LONG value) = 0;
    virtual HRESULT get_ServerAddress(BSTR *value) = 0;
    virtual HRESULT get_ThrowError(VARIANT_BOOL *value) = 0;
    virtual HRESULT put_ThrowError(VARIANT_BOOL value) = 0;
    virtual HRESULT get_Timeout(LONG *value) = 0;
    virtual HRESULT put_Timeout(LONG value) = 0;
    virtual HRESULT get_Trace(VARIANT_BOOL *value) = 0;
    virtual HRESULT put_Trace(VARIANT_BOOL value) = 0;
    virtual HRESULT get_TraceFile(BSTR *value) = 0;
    virtual HRESULT put_TraceFile(BSTR value) = 0;
    virtual HRESULT get_TraceFlags(LONG *value) = 0;
    virtual HRESULT put_TraceFlags(LONG value) = 0;
    virtual HRESULT get_Version(BSTR *value) = 0;
    virtual HRESULT get_WinsockVendor(BSTR *value) = 0;
    virtual HRESULT get_WinsockVersion(BSTR *value) = 0;
    virtual HRESULT Cancel(VARIANT *error) = 0;
    virtual HRESULT Initialize(const VARIANT &moduleName, const VARIANT &options, const VARIANT &reserved,
                               VARIANT *error) = 0;
    virtual HRESULT MatchHost(const VARIANT &hostName, const VARIANT &hostMask, const VARIANT &resolve,
                              VARIANT *result) = 0;
    virtual HRESULT Query(const VARIANT &recordName, const VARIANT &recordType, VARIANT *recordData,
                          const VARIANT &reserved, VARIANT *error) = 0;
    virtual HRESULT Reset() = 0;
    virtual HRESULT Resolve(const VARIANT &hostName, VARIANT *hostAddress, const VARIANT &reserved,
                            VARIANT *error) = 0;
    virtual HRESULT Uninitialize() = 0;
};

// The events, for C++ sinks; dispatch sinks see the same members as _IDnsClientEvents.
struct IDnsClientEvents : IUnknown {
    static constexpr IID kIid{0x45E5D3C6, 0x2551, 0x4A0B, {0xAD, 0xFA, 0x2C, 0x34, 0x85, 0x7C, 0x3B, 0x14}};
    static const qs::automation::InterfaceInfo &Info();

    virtual HRESULT OnCancel() = 0;
    virtual HRESULT OnError(LONG errorCode, BSTR description) = 0;
    virtual HRESULT OnTimeout() = 0;
};

namespace qs::dns {

inline constexpr IID kDnsClientEventsIid{0x192A2665, 0xBEB1, 0x459A, {0x96, 0x50, 0x34, 0x5D, 0x33, 0x75, 0x8F, 0x30}};
inline constexpr CLSID kDnsClientClsid{0x9B221519, 0xBD3A, 0x4166, {0x96, 0x58, 0x3F, 0x9E, 0x23, 0xE8, 0x0E, 0xC0}};
inline constexpr GUID kDnsClientLibId{0x3C0D6E21, 0x7F4B, 0x4E8A, {0xB1, 0x52, 0x6A, 0x0F, 0x9D, 0x47, 0xC3, 0x18}};

extern const automation::ClassInfo kDnsClientClass;
extern const automation::TypeLibInfo kDnsClientLib;

// Event identifiers of _IDnsClientEvents.
enum DnsEvent : DISPID { kOnCancel = 1, kOnError = 2, kOnTimeout = 3 };

// The control's defaults (its connection and protocol constants).
inline constexpr LONG kDnsClientTimeout = 15;   // seconds per name-server attempt
inline constexpr LONG kDnsClientRetries = 4;
inline constexpr LONG kDnsClientMaxRetries = 8;
// Texts the control asks of the resolver: record texts, then host information, services and local
// names; the host file's path; the alias list.
inline constexpr int kRecordTextCap = 1024;
inline constexpr int kHostTextCap = 128;
inline constexpr int kMaxAliasEntries = 255;

class DnsClient : public automation::Object<DnsClient, control::ControlFrame<DnsClient, IDnsClient, IDnsClientEvents>> {
  public:
    static constexpr control::ControlProfile kProfile{
        .classInfo = &kDnsClientClass,
        .defaultTimeout = kDnsClientTimeout,
        .sessions = false,
        .onError = kOnError,
        .onCancel = kOnCancel,
        .onTimeout = kOnTimeout,
        .errorPathRaisesWaitEvents = true,
        .waitEventsBeforeOnError = true,
    };
    static SessionLibrary &ProtocolLibrary() { return DnsLibrary(); }

    ~DnsClient() override;

    // Session and settings (dns_client.cpp).
    HRESULT Initialize(const VARIANT &moduleName, const VARIANT &options, const VARIANT &reserved,
                       VARIANT *error) override;
    HRESULT Reset() override;
    HRESULT Uninitialize() override;
    HRESULT get_IsBlocked(VARIANT_BOOL *value) override;
    HRESULT get_Options(LONG *value) override;
    HRESULT put_Options(LONG value) override;
    HRESULT get_Retry(LONG *value) override;
    HRESULT put_Retry(LONG value) override;
    HRESULT put_Timeout(LONG value) override;
    HRESULT get_NameServer(LONG index, BSTR *value) override;
    HRESULT put_NameServer(LONG index, BSTR value) override;
    HRESULT get_ServerAddress(BSTR *value) override;
    HRESULT get_LocalAddress(BSTR *value) override;
    HRESULT get_LocalDomain(BSTR *value) override;
    HRESULT put_LocalDomain(BSTR value) override;
    HRESULT get_LocalName(BSTR *value) override;

    // The host and what is known of it (dns_client_hosts.cpp).
    HRESULT put_HostAddress(BSTR value) override;
    HRESULT put_HostName(BSTR value) override;
    HRESULT get_HostAlias(LONG index, BSTR *value) override;
    HRESULT get_HostAliases(LONG *value) override;
    HRESULT get_HostFile(BSTR *value) override;
    HRESULT put_HostFile(BSTR value) override;
    HRESULT get_HostInfo(BSTR *value) override;
    HRESULT get_HostProtocol(LONG *value) override;
    HRESULT put_HostProtocol(LONG value) override;
    HRESULT get_HostServices(BSTR *value) override;
    HRESULT get_MailExchange(LONG index, BSTR *value) override;
    HRESULT get_MailExchanges(LONG *value) override;

    // The methods of their own (dns_client_queries.cpp).
    HRESULT MatchHost(const VARIANT &hostName, const VARIANT &hostMask, const VARIANT &resolve,
                      VARIANT *result) override;
    HRESULT Query(const VARIANT &recordName, const VARIANT &recordType, VARIANT *recordData, const VARIANT &reserved,
                  VARIANT *error) override;
    HRESULT Resolve(const VARIANT &hostName, VARIANT *hostAddress, const VARIANT &reserved, VARIANT *error) override;

  protected:
    int CancelOperation() override;
    void ResetOwnState() override;

  private:
    // The session, created on first need once the library is started; -1 when it cannot be (the next
    // resolver call then reports why).
    ClientHandle Session();
    void FreeSession();
    // Forgets the aliases and mail exchangers of the previous host.
    void ForgetHost();
    void KeepAliases(const DnsHostEntry &entry);
    HRESULT FindMailExchanges();
    static std::string Dotted(std::uint32_t address);
    // Entry `index` of a list read through an indexed property: past the end by one is an empty text.
    static HRESULT ListEntry(const std::vector<std::string> &list, LONG index, BSTR *value);

    std::vector<std::string> aliases_;        // the official name, then the aliases
    std::vector<std::string> mailExchanges_;  // in ascending preference
    bool mailExchangesKnown_ = false;
    std::string hostFile_;
    LONG hostProtocol_ = kDnsProtocolTcp;
    LONG options_ = 0;
    LONG retries_ = kDnsClientRetries;
};

}  // namespace qs::dns
