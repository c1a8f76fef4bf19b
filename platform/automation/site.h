// The container side of a control: the site a host implements (ambient properties, notification
// around property changes) and the control side it calls (site, frozen events, ambient changes).
#pragma once
#include <map>
#include "platform/automation/dispatch.h"
#include "platform/automation/unknown.h"

struct IControlSite : IUnknown {
    static constexpr IID kIid{0x5C1E8E30, 0x6A3B, 0x4D7E, {0x9B, 0x21, 0x51, 0x7A, 0x0C, 0x3E, 0x42, 0x01}};
    // An ambient property by its dispatch identifier (DISPID_AMBIENT_USERMODE, ...);
    // DISP_E_MEMBERNOTFOUND when the container has none.
    virtual HRESULT GetAmbientProperty(DISPID id, VARIANT *value) = 0;
    // Before a bindable property changes: S_OK lets the change happen, S_FALSE refuses it.
    virtual HRESULT OnRequestEdit(DISPID id) = 0;
    // After it changed.
    virtual HRESULT OnChanged(DISPID id) = 0;
};

struct IControl : IUnknown {
    static constexpr IID kIid{0x5C1E8E31, 0x6A3B, 0x4D7E, {0x9B, 0x21, 0x51, 0x7A, 0x0C, 0x3E, 0x42, 0x01}};
    virtual HRESULT SetSite(IControlSite *site) = 0;  // null: taken off its container
    virtual HRESULT GetSite(IControlSite **site) = 0;
    // Counted: each TRUE must be matched by a FALSE.
    virtual HRESULT FreezeEvents(BOOL freeze) = 0;
    virtual HRESULT OnAmbientPropertyChange(DISPID id) = 0;
};

namespace qs::automation {

// Run mode from the site: no site or no answer is run mode, a boolean answer is the mode, any other
// answer is design mode.
bool AmbientUserMode(IControlSite *site);

// A site answering a fixed set of ambient properties and allowing every change. The default one answers
// UserMode true (run mode).
class AmbientSite final : public Object<AmbientSite, IControlSite> {
public:
    using Interfaces = InterfaceList<IControlSite>;
    AmbientSite();
    void SetAmbient(DISPID id, const VARIANT &value);
    void RemoveAmbient(DISPID id);

    HRESULT GetAmbientProperty(DISPID id, VARIANT *value) override;
    HRESULT OnRequestEdit(DISPID id) override;
    HRESULT OnChanged(DISPID id) override;

private:
    std::map<DISPID, Variant> ambients_;
};

HRESULT CreateDefaultSite(IControlSite **site);

// The control half: keeps the site and the freeze count, and tells the control T through
// T::OnFreezeChanged(count) after each change and T::OnAmbientChanged(id).
template <class T>
class ControlImpl : public IControl {
public:
    HRESULT SetSite(IControlSite *site) override {
        site_ = site;
        return S_OK;
    }
    HRESULT GetSite(IControlSite **site) override {
        if (!site) return E_POINTER;
        *site = site_.get();
        if (*site) (*site)->AddRef();
        return S_OK;
    }
    HRESULT FreezeEvents(BOOL freeze) override {
        if (freeze) {
            ++freezeCount_;
        } else if (freezeCount_ > 0) {
            --freezeCount_;
        } else {
            return S_OK;  // an unmatched thaw changes nothing
        }
        static_cast<T *>(this)->OnFreezeChanged(freezeCount_);
        return S_OK;
    }
    HRESULT OnAmbientPropertyChange(DISPID id) override {
        static_cast<T *>(this)->OnAmbientChanged(id);
        return S_OK;
    }

protected:
    IControlSite *site() const { return site_.get(); }
    int freezeCount() const { return freezeCount_; }
    bool userMode() const { return AmbientUserMode(site_.get()); }

private:
    ComPtr<IControlSite> site_;
    int freezeCount_ = 0;
};

}  // namespace qs::automation
