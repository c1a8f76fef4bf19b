// TimeClient: the time control. It asks a time server for the time (GetTime), keeps the last answer and
// shows it as local or UTC date and time texts, can set the computer's clock (SetTime) and runs a simple
// interval timer (Interval, OnTimer). Everything else is the control frame's.
#pragma once
#include "core/control/control_frame.h"
#include "time/lib/time_library.h"

// The dual interface, in the order of its dispatch identifiers (time_client_members.cpp).
struct ITimeClient : IDispatch {
    static constexpr IID kIid{0x15D4F046, 0x9720, 0x451E, {0xB4, 0x10, 0x93, 0xE6, 0xD9, 0x51, 0x83, 0x87}};
    static const qs::automation::InterfaceInfo &Info();

    virtual HRESULT About() = 0;
    virtual HRESULT get_Enabled(VARIANT_BOOL *value) = 0;
    virtual HRESULT put_Enabled(VARIANT_BOOL value) = 0;
    virtual HRESULT get_AutoResolve(VARIANT_BOOL *value) = 0;
    virtual HRESULT put_AutoResolve(VARIANT_BOOL value) = 0;
    virtual HRESULT get_Handle(LONG *value) = 0;
    virtual HRESULT get_HostAddress(BSTR *value) = 0;
    virtual HRESULT put_HostAddress(BSTR value) = 0;
    virtual HRESULT get_HostName(BSTR *value) = 0;
    virtual HRESULT put_HostName(BSTR value) = 0;
    virtual HRESULT get_Interval(LONG *value) = 0;
    virtual HRESULT put_Interval(LONG value) = 0;
    virtual HRESULT get_IsBlocked(VARIANT_BOOL *value) = 0;
    virtual HRESULT get_LastError(LONG *value) = 0;
    virtual HRESULT put_LastError(LONG value) = 0;
    virtual HRESULT get_LastErrorString(BSTR *value) = 0;
    virtual HRESULT get_Library(BSTR *value) = 0;
    virtual HRESULT put_Library(BSTR value) = 0;
    virtual HRESULT get_LocalAddress(BSTR *value) = 0;
    virtual HRESULT get_LocalDate(BSTR *value) = 0;
    virtual HRESULT get_LocalName(BSTR *value) = 0;
    virtual HRESULT get_LocalPort(LONG *value) = 0;
    virtual HRESULT get_LocalTime(BSTR *value) = 0;
    virtual HRESULT get_RemotePort(LONG *value) = 0;
    virtual HRESULT put_RemotePort(LONG value) = 0;
    virtual HRESULT get_RemoteService(BSTR *value) = 0;
    virtual HRESULT put_RemoteService(BSTR value) = 0;
    virtual HRESULT get_State(LONG *value) = 0;
    virtual HRESULT get_SystemDate(BSTR *value) = 0;
    virtual HRESULT get_SystemTime(BSTR *value) = 0;
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
    virtual HRESULT GetTime(const VARIANT &remoteHost, const VARIANT &remotePort, const VARIANT &timeout,
                            const VARIANT &localize, VARIANT *result) = 0;
    virtual HRESULT Initialize(const VARIANT &moduleName, const VARIANT &options, const VARIANT &reserved,
                               VARIANT *error) = 0;
    virtual HRESULT Reset() = 0;
    virtual HRESULT SetTime(const VARIANT &networkTime, VARIANT *result) = 0;
    virtual HRESULT Uninitialize() = 0;
};

// The events, for C++ sinks; dispatch sinks see the same members as _ITimeClientEvents.
struct ITimeClientEvents : IUnknown {
    static constexpr IID kIid{0xD3AFDC31, 0x6F18, 0x486E, {0x8C, 0x5E, 0x46, 0x1D, 0xC3, 0x5E, 0x3B, 0x8D}};
    static const qs::automation::InterfaceInfo &Info();

    virtual HRESULT OnCancel() = 0;
    virtual HRESULT OnError(LONG errorCode, BSTR description) = 0;
    virtual HRESULT OnTimer() = 0;
    virtual HRESULT OnTimeout() = 0;
};

namespace qs::time {

inline constexpr IID kTimeClientEventsIid{0x58C93225, 0x9C0C, 0x464F, {0x93, 0x3C, 0xA3, 0xF9, 0x83, 0x33, 0x78, 0x98}};
inline constexpr CLSID kTimeClientClsid{0xE8629F63, 0x5CD9, 0x48A0, {0x9A, 0x05, 0x48, 0x54, 0x3E, 0x8C, 0xC8, 0x8C}};
inline constexpr GUID kTimeClientLibId{0xF61DD74F, 0xAA2C, 0x4F11, {0x9F, 0xDE, 0xE1, 0x10, 0x6C, 0x2A, 0x8D, 0x36}};

extern const automation::ClassInfo kTimeClientClass;
extern const automation::TypeLibInfo kTimeClientLib;

// Event identifiers of _ITimeClientEvents.
enum TimeEvent : DISPID { kOnCancel = 1, kOnError = 2, kOnTimer = 3, kOnTimeout = 4 };

inline constexpr LONG kMaxInterval = 0xFFFE;   // milliseconds
inline constexpr UINT_PTR kTimerId = 1;
inline constexpr int kTimeTextCap = 64;        // a date or time text, terminator included

class TimeClient : public automation::Object<TimeClient, control::ControlFrame<TimeClient, ITimeClient, ITimeClientEvents>> {
  public:
    static constexpr control::ControlProfile kProfile{
        .classInfo = &kTimeClientClass,
        .defaultTimeout = 10,
        .sessions = false,
        .onError = kOnError,
        .onCancel = kOnCancel,
        .onTimeout = kOnTimeout,
        .errorPathRaisesWaitEvents = true,
    };
    static SessionLibrary &ProtocolLibrary() { return TimeLibrary(); }

    HRESULT get_Interval(LONG *value) override;
    HRESULT put_Interval(LONG value) override;
    HRESULT get_LocalDate(BSTR *value) override;
    HRESULT get_LocalTime(BSTR *value) override;
    HRESULT get_SystemDate(BSTR *value) override;
    HRESULT get_SystemTime(BSTR *value) override;
    HRESULT GetTime(const VARIANT &remoteHost, const VARIANT &remotePort, const VARIANT &timeout,
                    const VARIANT &localize, VARIANT *result) override;
    HRESULT SetTime(const VARIANT &networkTime, VARIANT *result) override;

    // The last network time GetTime received (0: none, or the last query failed).
    NetworkTime LastNetworkTime() const { return lastTime_; }

    ~TimeClient() override;

  protected:
    LRESULT OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void ResetOwnState() override;

  private:
    enum class Text { kDate, kTime };
    HRESULT TimeText(bool local, Text text, BSTR *value);
    void StopTimer();

    NetworkTime lastTime_ = 0;
    LONG interval_ = 0;
    UINT_PTR timer_ = 0;
    bool inTimerEvent_ = false;
};

}  // namespace qs::time
