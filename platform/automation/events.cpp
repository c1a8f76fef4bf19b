#include "platform/automation/events.h"

#include "platform/automation/dispatch_engine.h"

namespace qs::automation {

ConnectionPoint::ConnectionPoint(IConnectionPointContainer *container, const InterfaceInfo &events)
    : container_(container), events_(events) {}

ConnectionPoint::~ConnectionPoint() {
    for (Sink &s : sinks_) {
        if (s.typed) s.typed->Release();
        if (s.dispatch) s.dispatch->Release();
        s.unknown->Release();
    }
}

HRESULT ConnectionPoint::QueryInterface(REFIID iid, void **out) {
    if (!out) return E_POINTER;
    if (iid != IUnknown::kIid && iid != IConnectionPoint::kIid) {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    *out = static_cast<IConnectionPoint *>(this);
    AddRef();
    return S_OK;
}

ULONG ConnectionPoint::AddRef() { return container_->AddRef(); }
ULONG ConnectionPoint::Release() { return container_->Release(); }

HRESULT ConnectionPoint::GetConnectionInterface(IID *iid) {
    if (!iid) return E_POINTER;
    *iid = events_.iid;
    return S_OK;
}

HRESULT ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer **container) {
    if (!container) return E_POINTER;
    *container = container_;
    container_->AddRef();
    return S_OK;
}

HRESULT ConnectionPoint::Advise(IUnknown *sink, DWORD *cookie) {
    if (!sink || !cookie) return E_POINTER;
    *cookie = 0;
    if (sinks_.size() >= kMaxSinks) return CONNECT_E_ADVISELIMIT;
    Sink s{0, sink, nullptr, nullptr};
    void *p = nullptr;
    if (events_.sinkIid != IID_NULL && SUCCEEDED(sink->QueryInterface(events_.sinkIid, &p))) {
        // Every interface pointer is also an IUnknown pointer of the same object.
        s.typed = static_cast<IUnknown *>(p);
    } else if (SUCCEEDED(sink->QueryInterface(events_.iid, &p)) ||
               SUCCEEDED(sink->QueryInterface(IID_IDispatch, &p))) {
        s.dispatch = static_cast<IDispatch *>(p);
    } else {
        return CONNECT_E_CANNOTCONNECT;
    }
    sink->AddRef();
    s.cookie = nextCookie_++;
    sinks_.push_back(s);
    *cookie = s.cookie;
    return S_OK;
}

HRESULT ConnectionPoint::Unadvise(DWORD cookie) {
    for (auto it = sinks_.begin(); it != sinks_.end(); ++it) {
        if (it->cookie != cookie) continue;
        Sink s = *it;
        sinks_.erase(it);
        // Released after the list is consistent: a sink's destructor may call back.
        if (s.typed) s.typed->Release();
        if (s.dispatch) s.dispatch->Release();
        s.unknown->Release();
        return S_OK;
    }
    return CONNECT_E_NOCONNECTION;
}

bool ConnectionPoint::Connected(DWORD cookie) const {
    for (const Sink &s : sinks_) {
        if (s.cookie == cookie) return true;
    }
    return false;
}

HRESULT ConnectionPoint::Fire(DISPID id, std::span<VARIANT> args) {
    const Member *m = FindMember(events_, id, DISPATCH_METHOD);
    if (!m) return DISP_E_MEMBERNOTFOUND;
    if (args.size() != m->paramCount) return DISP_E_BADPARAMCOUNT;
    if (sinks_.empty()) return S_OK;

    // Typed sinks get one slot per parameter, dispatch sinks the same values in reverse order.
    Variant owned[kMaxParams];
    VARIANT slots[kMaxParams + 1] = {};
    VARIANT reversed[kMaxParams] = {};
    for (std::size_t i = 0; i < args.size(); ++i) {
        const Param &p = m->params[i];
        if (p.flags & kParamOut) {
            slots[i].vt = VT_BYREF | VT_VARIANT;
            slots[i].pvarVal = &args[i];
        } else if (p.type == VT_VARIANT) {
            slots[i] = Deref(args[i]);
        } else {
            HRESULT hr = VariantChangeType(&owned[i], &args[i], 0, p.type);
            if (FAILED(hr)) return hr;
            slots[i] = owned[i];
        }
        reversed[args.size() - 1 - i] = slots[i];
    }

    // The container and every sink stay alive until the last sink returns, whatever the handlers do.
    container_->AddRef();
    std::vector<Sink> snapshot = sinks_;
    for (Sink &s : snapshot) s.unknown->AddRef();
    for (const Sink &s : snapshot) {
        if (!Connected(s.cookie)) continue;
        if (s.typed) {
            m->call(s.typed, slots);
        } else {
            DISPPARAMS params{reversed, nullptr, static_cast<UINT>(args.size()), 0};
            s.dispatch->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
        }
    }
    for (Sink &s : snapshot) s.unknown->Release();
    container_->Release();
    return S_OK;
}

HRESULT FindEventPoint(ConnectionPoint &point, REFIID iid, IConnectionPoint **out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid != point.events().iid) return CONNECT_E_NOCONNECTION;
    *out = &point;
    point.AddRef();
    return S_OK;
}

HRESULT DispatchSink::GetTypeInfoCount(UINT *count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT DispatchSink::GetTypeInfo(UINT, LCID, ITypeInfo **) { return DISP_E_BADINDEX; }

HRESULT DispatchSink::GetIDsOfNames(REFIID, LPOLESTR *, UINT, LCID, DISPID *) { return DISP_E_UNKNOWNNAME; }

HRESULT DispatchSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS *params, VARIANT *, EXCEPINFO *, UINT *) {
    VARIANT args[kMaxInvokeArgs] = {};
    UINT count = params ? params->cArgs : 0;
    if (count > kMaxInvokeArgs || (count && !params->rgvarg)) return DISP_E_BADPARAMCOUNT;
    for (UINT i = 0; i < count; ++i) args[i] = params->rgvarg[count - 1 - i];
    handler_(id, std::span<VARIANT>(args, count));
    return S_OK;
}

}  // namespace qs::automation
