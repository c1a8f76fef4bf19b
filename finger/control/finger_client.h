// FingerClient: the finger control. Connect opens the connection and, once it is established, sends the
// query line for UserName; the answer is read with Read until it returns 0 (blocking mode) or from OnRead
// handlers until OnDisconnect (asynchronous mode). Everything else is the session frame's.
#pragma once
#include <string>

#include "core/control/session_frame.h"
#include "finger/lib/finger_library.h"

// The dual interface, in the order of its dispatch identifiers (finger_client_members.cpp).
struct IFingerClient : IDispatch {
    static constexpr IID kIid{0x7285436A, 0xCE37, 0x4019, {0xB1, 0x40, 0x21, 0xDC, 0x71, 0xD4, 0x0E, 0x84}};
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
    virtual HRESULT get_UserName(BSTR *value) = 0;
    virtual HRESULT put_UserName(BSTR value) = 0;
    virtual HRESULT get_Version(BSTR *value) = 0;
    virtual HRESULT get_WinsockVendor(BSTR *value) = 0;
    virtual HRESULT get_WinsockVersion(BSTR *value) = 0;
    virtual HRESULT Cancel(VARIANT *error) = 0;
    virtual HRESULT Connect(const VARIANT &remoteHost, const VARIANT &remotePort, const VARIANT &userName,
                            const VARIANT &timeout, const VARIANT &options, VARIANT *error) = 0;
    virtual HRESULT Disconnect(VARIANT *error) = 0;
    virtual HRESULT Initialize(const VARIANT &moduleName, const VARIANT &options, const VARIANT &reserved,
                               VARIANT *error) = 0;
    virtual HRESULT Read(VARIANT *buffer, const VARIANT &length, VARIANT *error) = 0;
    virtual HRESULT Reset() = 0;
    virtual HRESULT Uninitialize() = 0;
};

// The events, for C++ sinks; dispatch sinks see the same members as _IFingerClientEvents.
struct IFingerClientEvents : IUnknown {
    static constexpr IID kIid{0x5B775B52, 0x65C5, 0x406F, {0x94, 0xDC, 0x23, 0x67, 0x24, 0x3C, 0x56, 0x36}};
    static const qs::automation::InterfaceInfo &Info();

    virtual HRESULT OnCancel() = 0;
    virtual HRESULT OnConnect() = 0;
    virtual HRESULT OnDisconnect() = 0;
    virtual HRESULT OnError(LONG errorCode, BSTR description) = 0;
    virtual HRESULT OnRead() = 0;
    virtual HRESULT OnTimeout() = 0;
};

namespace qs::finger {

inline constexpr IID kFingerClientEventsIid{0x1632F91B, 0x7D8A, 0x4DC9, {0xA2, 0x27, 0xAD, 0x8A, 0xF9, 0xE4, 0x5D, 0xDA}};
inline constexpr CLSID kFingerClientClsid{0xE95F9E66, 0x9013, 0x413C, {0xB7, 0xA7, 0xDD, 0x6E, 0xBB, 0x27, 0x7E, 0x5A}};
inline constexpr GUID kFingerClientLibId{0x01356811, 0xD8FE, 0x4584, {0x87, 0x70, 0x96, 0x42, 0x84, 0x01, 0xA0, 0xCD}};

extern const automation::ClassInfo kFingerClientClass;
extern const automation::TypeLibInfo kFingerClientLib;

// Event identifiers of _IFingerClientEvents.
enum FingerEvent : DISPID {
    kOnCancel = 1,
    kOnConnect = 2,
    kOnDisconnect = 3,
    kOnError = 4,
    kOnRead = 5,
    kOnTimeout = 6,
};

inline constexpr LONG kFingerDefaultTimeout = 60;   // seconds; the published fingerTimeout is 20

class FingerClient
    : public automation::Object<FingerClient, control::SessionFrame<FingerClient, IFingerClient, IFingerClientEvents>> {
  public:
    static constexpr control::ControlProfile kProfile{
        .classInfo = &kFingerClientClass,
        .defaultTimeout = kFingerDefaultTimeout,
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
        .connectedAtDesignTime = true,
    };
    static SessionLibrary &ProtocolLibrary() { return FingerLibrary(); }

    HRESULT get_UserName(BSTR *value) override;
    HRESULT put_UserName(BSTR value) override;
    HRESULT Connect(const VARIANT &remoteHost, const VARIANT &remotePort, const VARIANT &userName,
                    const VARIANT &timeout, const VARIANT &options, VARIANT *error) override;
    HRESULT Disconnect(VARIANT *error) override;
    HRESULT Read(VARIANT *buffer, const VARIANT &length, VARIANT *error) override;

    // What the session frame calls: ending the session, and the step after OnConnect.
    void EndSession() { CloseSession(); }
    void OnSessionConnected();

  protected:
    void ResetOwnState() override;

  private:
    std::string userName_;
};

}  // namespace qs::finger
