// A small session control for the frame's tests: it connects to an echo server, writes text and reads
// it back with the Read buffer convention, so the frame's session rules (Handle, State, the session's
// time-out, 10038 read as 10057, frozen events, Reset and destruction) are exercised before the first
// protocol control with sessions exists.
#pragma once
#include "core/control/control_frame.h"
#include "core/session/session_library.h"

struct IEchoTest : IDispatch {
    static constexpr IID kIid{0x6B1F3A20, 0x51C4, 0x4C2B, {0x8E, 0x77, 0, 0, 0, 0, 0, 0x01}};
    static const qs::automation::InterfaceInfo &Info();
    virtual HRESULT get_Handle(LONG *value) = 0;
    virtual HRESULT get_LastError(LONG *value) = 0;
    virtual HRESULT get_LocalPort(LONG *value) = 0;
    virtual HRESULT get_RemotePort(LONG *value) = 0;
    virtual HRESULT put_RemotePort(LONG value) = 0;
    virtual HRESULT get_State(LONG *value) = 0;
    virtual HRESULT get_Timeout(LONG *value) = 0;
    virtual HRESULT put_Timeout(LONG value) = 0;
    virtual HRESULT Connect(const VARIANT &host, const VARIANT &port, VARIANT *error) = 0;
    virtual HRESULT Disconnect() = 0;
    virtual HRESULT Read(VARIANT *buffer, const VARIANT &length, LONG *count) = 0;
    virtual HRESULT Reset() = 0;
    virtual HRESULT Write(BSTR text, LONG *count) = 0;
};

struct IEchoTestEvents : IUnknown {
    static constexpr IID kIid{0x6B1F3A20, 0x51C4, 0x4C2B, {0x8E, 0x77, 0, 0, 0, 0, 0, 0x02}};
    static const qs::automation::InterfaceInfo &Info();
    virtual HRESULT OnError(LONG errorCode, BSTR description) = 0;
};

namespace qs::test {

extern const automation::ClassInfo kEchoTestClass;
SessionLibraryOf<ClientSession> &EchoLibrary();

class EchoTest : public automation::Object<EchoTest, control::ControlFrame<EchoTest, IEchoTest, IEchoTestEvents>> {
  public:
    static constexpr control::ControlProfile kProfile{
        .classInfo = &kEchoTestClass,
        .defaultTimeout = 60,
        .sessions = true,
        .onError = 1,
        .onCancel = 0,
        .onTimeout = 0,
        .errorPathRaisesWaitEvents = false,
    };
    static SessionLibrary &ProtocolLibrary() { return EchoLibrary(); }

    HRESULT Connect(const VARIANT &host, const VARIANT &port, VARIANT *error) override;
    HRESULT Disconnect() override;
    HRESULT Read(VARIANT *buffer, const VARIANT &length, LONG *count) override;
    HRESULT Write(BSTR text, LONG *count) override;
    ClientHandle SessionHandle() const { return handle_; }
};

}  // namespace qs::test
