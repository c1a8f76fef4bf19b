// WhoisClient: the whois control. Connect opens the connection to the server (there is no default one)
// and, once it is established, searches for Keyword with SearchType when Keyword is set and the session
// has not searched yet; Search sends a query of its own. The answer is read with Read until it returns 0
// (blocking mode) or from OnRead handlers until OnDisconnect (asynchronous mode). Everything else is the
// session frame's.
#pragma once
#include <string>

#include "core/control/session_frame.h"
#include "whois/lib/whois_library.h"

// The dual interface, in the order of its dispatch identifiers (whois_client_members.cpp).
struct IWhoisClient : IDispatch {
    static constexpr IID kIid{0xCEB3F43A, 0x1851, 0x4DA1, {0xA6, 0x01, 0x5B, 0xEC, 0x68, 0xAD, 0x28, 0x28}};
    static const qs::automation::InterfaceInfo &Info();

    virtual HRESULT About() = 0;
    virtual HRESULT get_Enabled(VARIANT_BOOL *value) = 0;
    virtual HRESULT put_Enabled(VARIANT_BOOL value) = 0;
    virtual HRESULT get_AutoResolve(VARIANT_BOOL *value) = 0;
    virtual HRESULT put_AutoResolve(VARIANT_BOOL value) = 0;
    virtual HRESULT get_Blocking(VARIANT_BOOL *value) = 0;
    virtual HRESULT put_Blocking(VARIANT_BOOL value) = 0;
    virtual HRESULT get_Connected(VARIANT_BOOL *value) = 0;
    virtual HRESULT get_Handle(LONG *value) = 0;
    virtual HRESULT get_HostAddress(BSTR *value) = 0;
    virtual HRESULT put_HostAddress(BSTR value) = 0;
    virtual HRESULT get_HostName(BSTR *value) = 0;
    virtual HRESULT put_HostName(BSTR value) = 0;
    virtual HRESULT get_IsBlocked(VARIANT_BOOL *value) = 0;
    virtual HRESULT get_IsReadable(VARIANT_BOOL *value) = 0;
    virtual HRESULT get_Keyword(BSTR *value) = 0;
    virtual HRESULT put_Keyword(BSTR value) = 0;
    virtual HRESULT get_LastError(LONG *value) = 0;
    virtual HRESULT put_LastError(LONG value) = 0;
    virtual HRESULT get_LastErrorString(BSTR *value) = 0;
    virtual HRESULT get_Library(BSTR *value) = 0;
    virtual HRESULT put_Library(BSTR value) = 0;
    virtual HRESULT get_LocalAddress(BSTR *value) = 0;
    virtual HRESULT get_LocalName(BSTR *value) = 0;
    virtual HRESULT get_LocalPort(LONG *value) = 0;
    virtual HRESULT get_RemotePort(LONG *value) = 0;
    virtual HRESULT put_RemotePort(LONG value) = 0;
    virtual HRESULT get_RemoteService(BSTR *value) = 0;
    virtual HRESULT put_RemoteService(BSTR value) = 0;
    virtual HRESULT get_SearchType(LONG *value) = 0;
    virtual HRESULT put_SearchType(LONG value) = 0;
    virtual HRESULT get_State(LONG *value) = 0;
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
    virtual HRESULT Connect(const VARIANT &remoteHost, const VARIANT &remotePort, const VARIANT &timeout,
                            const VARIANT &options, VARIANT *error) = 0;
    virtual HRESULT Disconnect(VARIANT *error) = 0;
    virtual HRESULT Initialize(const VARIANT &moduleName, const VARIANT &options, const VARIANT &reserved,
                               VARIANT *error) = 0;
    virtual HRESULT Read(VARIANT *buffer, const VARIANT &length, VARIANT *result) = 0;
    virtual HRESULT Reset() = 0;
    virtual HRESULT Search(const VARIANT &keyword, const VARIANT &searchType, VARIANT *error) = 0;
    virtual HRESULT Uninitialize() = 0;
};

// The events, for C++ sinks; dispatch sinks see the same members as _IWhoisClientEvents.
struct IWhoisClientEvents : IUnknown {
    static constexpr IID kIid{0xBE706F14, 0xAEF9, 0x4BE1, {0x99, 0x39, 0x36, 0x30, 0x20, 0x33, 0xE8, 0x74}};
    static const qs::automation::InterfaceInfo &Info();

    virtual HRESULT OnCancel() = 0;
    virtual HRESULT OnConnect() = 0;
    virtual HRESULT OnDisconnect() = 0;
    virtual HRESULT OnError(LONG errorCode, BSTR description) = 0;
    virtual HRESULT OnRead() = 0;
    virtual HRESULT OnTimeout() = 0;
};

namespace qs::whois {

inline constexpr IID kWhoisClientEventsIid{0x6EB9CBAE, 0x44C7, 0x4CE1, {0xA8, 0x64, 0x24, 0x15, 0xE3, 0x87, 0x35, 0xAC}};
inline constexpr CLSID kWhoisClientClsid{0xB4753FAD, 0xD171, 0x4E85, {0xA3, 0xB7, 0xA3, 0x5B, 0x7A, 0xAA, 0xA9, 0x66}};
inline constexpr GUID kWhoisClientLibId{0x271A3F25, 0x17E4, 0x43B3, {0xBB, 0x1E, 0x6F, 0x48, 0x7B, 0x7F, 0xCF, 0xF3}};

extern const automation::ClassInfo kWhoisClientClass;
extern const automation::TypeLibInfo kWhoisClientLib;

// Event identifiers of _IWhoisClientEvents. OnCancel and OnTimeout are published but never raised: the
// library sends no such events and the error path raises none.
enum WhoisEvent : DISPID {
    kOnCancel = 1,
    kOnConnect = 2,
    kOnDisconnect = 3,
    kOnError = 4,
    kOnRead = 5,
    kOnTimeout = 6,
};

inline constexpr LONG kWhoisDefaultTimeout = 60;   // seconds; the published whoisTimeout is 20

class WhoisClient
    : public automation::Object<WhoisClient, control::SessionFrame<WhoisClient, IWhoisClient, IWhoisClientEvents>> {
  public:
    static constexpr control::ControlProfile kProfile{
        .classInfo = &kWhoisClientClass,
        .defaultTimeout = kWhoisDefaultTimeout,
        .sessions = true,
        .onError = kOnError,
        .onCancel = kOnCancel,
        .onTimeout = kOnTimeout,
        .errorPathRaisesWaitEvents = false,
    };
    static constexpr control::SessionEventIds kSessionEvents{
        .onConnect = kOnConnect,
        .onDisconnect = kOnDisconnect,
        .onRead = kOnRead,
    };
    static SessionLibrary &ProtocolLibrary() { return WhoisLibrary(); }

    HRESULT get_Keyword(BSTR *value) override;
    HRESULT put_Keyword(BSTR value) override;
    HRESULT get_SearchType(LONG *value) override;
    HRESULT put_SearchType(LONG value) override;
    HRESULT Connect(const VARIANT &remoteHost, const VARIANT &remotePort, const VARIANT &timeout,
                    const VARIANT &options, VARIANT *error) override;
    HRESULT Disconnect(VARIANT *error) override;
    HRESULT Read(VARIANT *buffer, const VARIANT &length, VARIANT *result) override;
    HRESULT Search(const VARIANT &keyword, const VARIANT &searchType, VARIANT *error) override;
    HRESULT Uninitialize() override;

    // What the session frame calls: ending the session, and the step after OnConnect.
    void EndSession();
    void OnSessionConnected();

  protected:
    void ResetOwnState() override;

  private:
    // The search a new session makes by itself: once, and only for a keyword.
    bool WantsSearch() const { return !searched_ && !keyword_.empty(); }

    std::string keyword_;
    LONG searchType_ = kWhoisSearchAny;
    bool searched_ = false;
};

}  // namespace qs::whois
