#include "platform/automation/site.h"

namespace qs::automation {

bool AmbientUserMode(IControlSite *site) {
    if (!site) return true;
    Variant value;
    if (FAILED(site->GetAmbientProperty(DISPID_AMBIENT_USERMODE, &value))) return true;
    if (value.vt != VT_BOOL) return false;
    return value.boolVal != VARIANT_FALSE;
}

AmbientSite::AmbientSite() { ambients_[DISPID_AMBIENT_USERMODE] = Variant(true); }

void AmbientSite::SetAmbient(DISPID id, const VARIANT &value) { ambients_[id] = Variant(value); }

void AmbientSite::RemoveAmbient(DISPID id) { ambients_.erase(id); }

HRESULT AmbientSite::GetAmbientProperty(DISPID id, VARIANT *value) {
    if (!value) return E_POINTER;
    auto it = ambients_.find(id);
    if (it == ambients_.end()) return DISP_E_MEMBERNOTFOUND;
    return VariantCopy(value, &it->second);
}

HRESULT AmbientSite::OnRequestEdit(DISPID) { return S_OK; }
HRESULT AmbientSite::OnChanged(DISPID) { return S_OK; }

HRESULT CreateDefaultSite(IControlSite **site) {
    return CreateObject<AmbientSite>(IControlSite::kIid, reinterpret_cast<void **>(site));
}

}  // namespace qs::automation
