// The component half of the control frame: dispatch from the control's member table, its events,
// persistence of the extent, the container site and error information, and the common members bound
// to the frame.
//
//   class TimeClient : public Object<TimeClient, ControlFrame<TimeClient, ITimeClient, ITimeClientEvents>> {
//     public:
//       static constexpr ControlProfile kProfile{...};
//       static SessionLibrary &ProtocolLibrary();
//       HRESULT GetTime(...) override;   // the control's own members
//   };
//
// The common members below are not marked override: each one overrides the member of the control's
// interface with the same signature when that interface declares it, and is an unused helper when it
// does not (the time control has no Blocking, for example). A control whose interface declares a
// member nobody implements does not compile, since it stays abstract. For the same reason nothing in
// this class is marked override (the compiler asks for all or none).
#pragma once
#include "core/control/frame.h"
#include "platform/automation/dispatch_engine.h"
#include "platform/automation/errorinfo.h"
#include "platform/automation/events.h"
#include "platform/automation/persist.h"
#include "platform/automation/site.h"

namespace qs::control {

template <class Derived, class Interface, class Events>
class ControlFrame : public automation::DispatchImpl<Interface>,
                     public automation::EventSource<Events>,
                     public automation::PersistImpl<Derived>,
                     public automation::ControlImpl<Derived>,
                     public automation::SupportErrorInfoImpl<Interface>,
                     public Frame {
  public:
    using Interfaces = automation::InterfaceList<Interface, IDispatch, IConnectionPointContainer, IPersistStreamInit,
                                                 IPersistPropertyBag, IControl, ISupportErrorInfo>;

    static const automation::ClassInfo &Class() { return *Derived::kProfile.classInfo; }

    // --- Common members ----------------------------------------------------------------------------------

    HRESULT About() { return ShowAbout(); }
    HRESULT get_AutoResolve(VARIANT_BOOL *value) { return GetAutoResolve(value); }
    HRESULT put_AutoResolve(VARIANT_BOOL value) { return PutAutoResolve(value); }
    HRESULT Cancel(VARIANT *error) { return CancelMethod(error); }
    HRESULT get_Enabled(VARIANT_BOOL *value) { return GetEnabled(value); }
    HRESULT put_Enabled(VARIANT_BOOL value) { return PutEnabled(value); }
    HRESULT get_Handle(LONG *value) { return GetHandle(value); }
    HRESULT get_HostAddress(BSTR *value) { return GetHostAddress(value); }
    HRESULT put_HostAddress(BSTR value) { return PutHostAddress(value); }
    HRESULT get_HostName(BSTR *value) { return GetHostName(value); }
    HRESULT put_HostName(BSTR value) { return PutHostName(value); }
    HRESULT Initialize(const VARIANT &moduleName, const VARIANT &options, const VARIANT &reserved, VARIANT *error)
    {
        return InitializeMethod(moduleName, options, reserved, error);
    }
    HRESULT get_IsBlocked(VARIANT_BOOL *value) { return GetIsBlocked(value); }
    HRESULT get_LastError(LONG *value) { return GetLastError(value); }
    HRESULT put_LastError(LONG value) { return PutLastError(value); }
    HRESULT get_LastErrorString(BSTR *value) { return GetLastErrorString(value); }
    HRESULT get_Library(BSTR *value) { return GetLibrary(value); }
    HRESULT put_Library(BSTR value) { return PutLibrary(value); }
    HRESULT get_LocalAddress(BSTR *value) { return GetLocalAddress(value); }
    HRESULT get_LocalName(BSTR *value) { return GetLocalName(value); }
    HRESULT get_LocalPort(LONG *value) { return GetLocalPort(value); }
    HRESULT get_RemotePort(LONG *value) { return GetRemotePort(value); }
    HRESULT put_RemotePort(LONG value) { return PutRemotePort(value); }
    HRESULT get_RemoteService(BSTR *value) { return GetRemoteService(value); }
    HRESULT put_RemoteService(BSTR value) { return PutRemoteService(value); }
    HRESULT Reset() { return ResetMethod(); }
    HRESULT get_State(LONG *value) { return GetState(value); }
    HRESULT get_ThrowError(VARIANT_BOOL *value) { return GetThrowError(value); }
    HRESULT put_ThrowError(VARIANT_BOOL value) { return PutThrowError(value); }
    HRESULT get_Timeout(LONG *value) { return GetTimeout(value); }
    HRESULT put_Timeout(LONG value) { return PutTimeout(value); }
    HRESULT get_Trace(VARIANT_BOOL *value) { return GetTrace(value); }
    HRESULT put_Trace(VARIANT_BOOL value) { return PutTrace(value); }
    HRESULT get_TraceFile(BSTR *value) { return GetTraceFile(value); }
    HRESULT put_TraceFile(BSTR value) { return PutTraceFile(value); }
    HRESULT get_TraceFlags(LONG *value) { return GetTraceFlags(value); }
    HRESULT put_TraceFlags(LONG value) { return PutTraceFlags(value); }
    HRESULT Uninitialize() { return UninitializeMethod(); }
    HRESULT get_Version(BSTR *value) { return GetVersion(value); }
    HRESULT get_WinsockVendor(BSTR *value) { return GetWinsockVendor(value); }
    HRESULT get_WinsockVersion(BSTR *value) { return GetWinsockVersion(value); }

    // --- Persistence: the extent only --------------------------------------------------------------------

    HRESULT SaveProperties(automation::PropertyWriter &out)
    {
        HRESULT hr = out.Write("_cx", automation::Variant(static_cast<int>(ExtentX())));
        return SUCCEEDED(hr) ? out.Write("_cy", automation::Variant(static_cast<int>(ExtentY()))) : hr;
    }
    HRESULT LoadProperties(automation::PropertyReader &in)
    {
        automation::Variant cx, cy;
        HRESULT hr = in.Read("_cx", VT_I4, &cx);
        if (SUCCEEDED(hr))
            hr = in.Read("_cy", VT_I4, &cy);
        if (FAILED(hr))
            return hr;
        SetExtent(cx.vt == VT_I4 ? cx.lVal : ExtentX(), cy.vt == VT_I4 ? cy.lVal : ExtentY());
        return S_OK;
    }
    HRESULT InitProperties()
    {
        ResetExtent();
        return S_OK;
    }

    // --- The container site ------------------------------------------------------------------------------

    void OnFreezeChanged(int count) { FreezeChanged(count); }
    void OnAmbientChanged(DISPID) {}

  protected:
    ControlFrame() : Frame(Derived::kProfile, Derived::ProtocolLibrary()) {}

    bool InRunMode() { return this->userMode(); }
    void FireEvent(DISPID id, std::span<VARIANT> args) { this->eventPoint().Fire(id, args); }
    bool RequestEdit(DISPID id)
    {
        IControlSite *site = this->site();
        return site == nullptr || site->OnRequestEdit(id) != S_FALSE;
    }
    void Changed(DISPID id)
    {
        if (IControlSite *site = this->site())
            site->OnChanged(id);
    }
};

}  // namespace qs::control
