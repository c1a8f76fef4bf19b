// Invoke and GetIDsOfNames over a member table.
//
// Slots handed to a bound method, one per C++ parameter:
//   typed parameter      the argument converted to the parameter's type (owned here);
//   in VARIANT           the argument itself, shallow (a VT_BYREF | VT_VARIANT is followed), or the
//                        missing marker;
//   in/out VARIANT       VT_BYREF | VT_VARIANT to: the variant a VT_BYREF | VT_VARIANT argument refers
//                        to; any other by-reference argument itself (the method sees VT_BYREF | type and
//                        stores through it, see StoreThrough); a copy of a by-value argument (changes stay
//                        here); the missing marker for an omitted one;
//   result               a variant of the result type whose storage the method fills (a VARIANT result is
//                        reached through VT_BYREF | VT_VARIANT).
#include "platform/automation/dispatch_engine.h"

#include <cstdio>
#include <cstring>
#include "platform/automation/errorinfo.h"

namespace qs::automation {
namespace detail {

void MemberTableMismatch(const char *name) {
    std::fprintf(stderr, "member table entry %s does not match the method it binds\n", name ? name : "?");
    std::abort();
}

}  // namespace detail

namespace {

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] + 32) : a[i];
        char y = b[i] >= 'A' && b[i] <= 'Z' ? static_cast<char>(b[i] + 32) : b[i];
        if (x != y) return false;
    }
    return true;
}

struct Call {
    // Zeroed whole: `= {}` would set only each union's first member, leaving the upper half of a
    // result slot's pointer undefined for a method that fails before writing it.
    Call() { std::memset(slots, 0, sizeof slots); }
    Variant owned[kMaxParams + 1];
    VARIANT slots[kMaxParams + 1];
};

// Which rgvarg entry feeds each parameter (-1: omitted).
HRESULT MapArguments(const Member &m, const DISPPARAMS &p, int *given, UINT *argError) {
    UINT n = m.paramCount;
    for (UINT i = 0; i < n; ++i) given[i] = -1;
    bool isPut = m.kind == MemberKind::Put;
    for (UINT k = 0; k < p.cNamedArgs; ++k) {
        DISPID id = p.rgdispidNamedArgs[k];
        UINT slot;
        if (id == DISPID_PROPERTYPUT && isPut) {
            slot = n - 1;
        } else if (id >= 0 && static_cast<UINT>(id) < n) {
            slot = static_cast<UINT>(id);
        } else {
            if (argError) *argError = k;
            return DISP_E_PARAMNOTFOUND;
        }
        if (given[slot] >= 0) {
            if (argError) *argError = k;
            return DISP_E_PARAMNOTFOUND;
        }
        given[slot] = static_cast<int>(k);
    }
    UINT positional = p.cArgs - p.cNamedArgs;
    if (isPut && given[n - 1] < 0) {
        // Without a named value the last positional argument is the value.
        if (positional == 0) return DISP_E_BADPARAMCOUNT;
        given[n - 1] = static_cast<int>(p.cNamedArgs);
        --positional;
    }
    UINT capacity = isPut ? n - 1 : n;
    if (positional > capacity) return DISP_E_BADPARAMCOUNT;
    for (UINT i = 0; i < positional; ++i) {
        if (given[i] >= 0) return DISP_E_PARAMNOTFOUND;
        given[i] = static_cast<int>(p.cArgs - 1 - i);
    }
    return S_OK;
}

HRESULT PrepareSlot(const Param &param, VARIANT *arg, Variant *owned, VARIANT *slot) {
    bool omitted = arg == nullptr;
    bool missing = omitted || IsMissing(Deref(*arg));
    bool optional = (param.flags & kParamOptional) != 0;
    if (omitted && !optional) return DISP_E_PARAMNOTOPTIONAL;
    if (missing && !optional && param.type != VT_VARIANT) return DISP_E_PARAMNOTOPTIONAL;
    if (param.flags & kParamOut) {
        VARIANT *target;
        if (omitted) {
            *owned = Variant::Missing();
            target = owned;
        } else if (arg->vt == (VT_BYREF | VT_VARIANT)) {
            target = arg->pvarVal;
            if (!target) return E_INVALIDARG;
        } else if (arg->vt & VT_BYREF) {
            target = arg;
        } else {
            HRESULT hr = VariantCopy(owned, arg);
            if (FAILED(hr)) return hr;
            target = owned;
        }
        slot->vt = VT_BYREF | VT_VARIANT;
        slot->pvarVal = target;
        return S_OK;
    }
    if (param.type == VT_VARIANT) {
        if (omitted) {
            *owned = Variant::Missing();
            *slot = *owned;
        } else {
            *slot = Deref(*arg);
        }
        return S_OK;
    }
    HRESULT hr = VariantChangeType(owned, arg, 0, param.type);
    if (FAILED(hr)) return hr;
    *slot = *owned;
    return S_OK;
}

void FillException(EXCEPINFO *excep, HRESULT hr) {
    *excep = EXCEPINFO{};
    ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, info.Out()) == S_OK) {
        info->GetSource(&excep->bstrSource);
        info->GetDescription(&excep->bstrDescription);
        info->GetHelpFile(&excep->bstrHelpFile);
        info->GetHelpContext(&excep->dwHelpContext);
    }
    if (!excep->bstrDescription) {
        if (const char *text = HresultText(hr)) excep->bstrDescription = BstrFromUtf8(text);
    }
    excep->scode = hr;
}

}  // namespace

const Member *FindMember(const InterfaceInfo &info, DISPID id, WORD flags) {
    for (WORD kind : {DISPATCH_METHOD, DISPATCH_PROPERTYGET, DISPATCH_PROPERTYPUT}) {
        if (!(flags & kind)) continue;
        for (const Member &m : info.members) {
            if (m.dispid == id && static_cast<WORD>(m.kind) == kind) return &m;
        }
    }
    return nullptr;
}

const Member *FindMemberByName(const InterfaceInfo &info, std::string_view name) {
    for (const Member &m : info.members) {
        if (SameName(m.name, name)) return &m;
    }
    return nullptr;
}

HRESULT DispatchGetIDsOfNames(const InterfaceInfo &info, LPOLESTR *names, UINT count, DISPID *ids) {
    if (!names || !ids) return E_INVALIDARG;
    if (count == 0) return S_OK;
    for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    const Member *member = FindMemberByName(info, Utf8FromUtf16(names[0]));
    if (!member) return DISP_E_UNKNOWNNAME;
    ids[0] = member->dispid;
    HRESULT hr = S_OK;
    for (UINT i = 1; i < count; ++i) {
        std::string name = Utf8FromUtf16(names[i]);
        for (const Member &m : info.members) {
            if (m.dispid != member->dispid) continue;
            for (UINT k = 0; k < m.paramCount && ids[i] == DISPID_UNKNOWN; ++k) {
                if (SameName(m.params[k].name, name)) ids[i] = static_cast<DISPID>(k);
            }
        }
        if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

HRESULT DispatchInvoke(const InterfaceInfo &info, IUnknown *self, DISPID id, WORD flags, DISPPARAMS *params,
                       VARIANT *result, EXCEPINFO *excep, UINT *argError) {
    const Member *m = FindMember(info, id, flags);
    if (!m) return DISP_E_MEMBERNOTFOUND;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    if (!params) params = &none;
    if (params->cArgs > kMaxInvokeArgs) return DISP_E_BADPARAMCOUNT;
    if (params->cNamedArgs > params->cArgs || (params->cArgs && !params->rgvarg) ||
        (params->cNamedArgs && !params->rgdispidNamedArgs)) {
        return E_INVALIDARG;
    }
    int given[kMaxParams];
    HRESULT hr = MapArguments(*m, *params, given, argError);
    if (FAILED(hr)) return hr;

    Call call;
    for (UINT i = 0; i < m->paramCount; ++i) {
        VARIANT *arg = given[i] >= 0 ? &params->rgvarg[given[i]] : nullptr;
        hr = PrepareSlot(m->params[i], arg, &call.owned[i], &call.slots[i]);
        if (FAILED(hr)) {
            if (argError && given[i] >= 0) *argError = static_cast<UINT>(given[i]);
            return hr;
        }
    }
    VARIANT &resultSlot = call.slots[m->paramCount];
    if (m->hasResult()) {
        if (m->type == VT_VARIANT) {
            resultSlot.vt = VT_BYREF | VT_VARIANT;
            resultSlot.pvarVal = &call.owned[m->paramCount];
        } else {
            resultSlot.vt = m->type;  // zeroed storage of the result type, filled by the method
        }
    }

    // Error information left from an earlier call must not be taken for this one's.
    SetErrorInfo(0, nullptr);
    hr = m->call(self, call.slots);

    Variant value;
    if (m->hasResult()) {
        value = m->type == VT_VARIANT ? std::move(call.owned[m->paramCount]) : Variant::Attach(resultSlot);
    }
    if (FAILED(hr)) {
        if (!excep) return hr;
        FillException(excep, hr);
        return DISP_E_EXCEPTION;
    }
    if (result) {
        VariantClear(result);
        *result = value.Detach();
    }
    return hr;
}

void ExcepInfo::Clear() {
    SysFreeString(bstrSource);
    SysFreeString(bstrDescription);
    SysFreeString(bstrHelpFile);
    static_cast<EXCEPINFO &>(*this) = EXCEPINFO{};
}

HRESULT ExcepInfo::result() const {
    if (scode) return scode;
    return wCode ? DISP_E_EXCEPTION : S_OK;
}

}  // namespace qs::automation
