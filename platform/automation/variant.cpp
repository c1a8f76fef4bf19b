#include "platform/automation/variant.h"

#include <cstring>
#include "platform/automation/dispatch.h"
#include "platform/automation/safearray.h"
#include "platform/automation/variant_internal.h"

namespace qs::automation::detail {

bool IsValidType(VARTYPE vt) {
    VARTYPE base = vt & VT_TYPEMASK;
    VARTYPE modifiers = vt & ~VT_TYPEMASK;
    if (modifiers & ~(VT_ARRAY | VT_BYREF)) return false;
    switch (base) {
        case VT_EMPTY:
        case VT_NULL: return modifiers == 0;
        case VT_VARIANT: return modifiers != 0;
        case VT_I2:
        case VT_I4:
        case VT_R4:
        case VT_R8:
        case VT_DATE:
        case VT_BSTR:
        case VT_DISPATCH:
        case VT_ERROR:
        case VT_BOOL:
        case VT_UNKNOWN:
        case VT_UI1: return true;
        default: return false;
    }
}

HRESULT ReadReference(const VARIANT &ref, VARIANT *view) {
    if (!ref.byref) return E_INVALIDARG;
    VariantInit(view);
    VARTYPE vt = ref.vt & ~VT_BYREF;
    view->vt = vt;
    if (vt & VT_ARRAY) {
        view->parray = *ref.pparray;
        return S_OK;
    }
    switch (vt) {
        case VT_I2: view->iVal = *ref.piVal; break;
        case VT_I4: view->lVal = *ref.plVal; break;
        case VT_R4: view->fltVal = *ref.pfltVal; break;
        case VT_R8: view->dblVal = *ref.pdblVal; break;
        case VT_DATE: view->date = *ref.pdate; break;
        case VT_BSTR: view->bstrVal = *ref.pbstrVal; break;
        case VT_DISPATCH: view->pdispVal = *ref.ppdispVal; break;
        case VT_UNKNOWN: view->punkVal = *ref.ppunkVal; break;
        case VT_ERROR: view->scode = *ref.pscode; break;
        case VT_BOOL: view->boolVal = *ref.pboolVal; break;
        case VT_UI1: view->bVal = *ref.pbVal; break;
        default: return DISP_E_BADVARTYPE;
    }
    return S_OK;
}

}  // namespace qs::automation::detail

using qs::automation::detail::IsValidType;
using qs::automation::detail::ReadReference;

void VariantInit(VARIANT *v) {
    if (v) std::memset(static_cast<void *>(v), 0, sizeof *v);
}

HRESULT VariantClear(VARIANT *v) {
    if (!v) return E_INVALIDARG;
    if (!IsValidType(v->vt)) return DISP_E_BADVARTYPE;
    if (!(v->vt & VT_BYREF)) {
        if (v->vt & VT_ARRAY) {
            HRESULT hr = SafeArrayDestroy(v->parray);
            if (FAILED(hr)) return hr;
        } else if (v->vt == VT_BSTR) {
            SysFreeString(v->bstrVal);
        } else if ((v->vt == VT_DISPATCH || v->vt == VT_UNKNOWN) && v->punkVal) {
            v->punkVal->Release();
        }
    }
    VariantInit(v);
    return S_OK;
}

HRESULT VariantCopy(VARIANT *dest, const VARIANT *src) {
    if (!dest || !src) return E_INVALIDARG;
    if (dest == src) return S_OK;
    if (!IsValidType(src->vt)) return DISP_E_BADVARTYPE;
    VARIANT copy = *src;
    if (!(src->vt & VT_BYREF)) {
        if (src->vt & VT_ARRAY) {
            HRESULT hr = SafeArrayCopy(src->parray, &copy.parray);
            if (FAILED(hr)) return hr;
        } else if (src->vt == VT_BSTR && src->bstrVal) {
            copy.bstrVal = SysAllocStringLen(src->bstrVal, SysStringLen(src->bstrVal));
            if (!copy.bstrVal) return E_OUTOFMEMORY;
        } else if ((src->vt == VT_DISPATCH || src->vt == VT_UNKNOWN) && src->punkVal) {
            src->punkVal->AddRef();
        }
    }
    HRESULT hr = VariantClear(dest);
    if (FAILED(hr)) {
        VariantClear(&copy);
        return hr;
    }
    *dest = copy;
    return S_OK;
}

HRESULT VariantCopyInd(VARIANT *dest, const VARIANT *src) {
    if (!dest || !src) return E_INVALIDARG;
    if (!(src->vt & VT_BYREF)) return VariantCopy(dest, src);
    if (!IsValidType(src->vt)) return DISP_E_BADVARTYPE;
    if (src->vt == (VT_BYREF | VT_VARIANT)) {
        if (!src->pvarVal) return E_INVALIDARG;
        qs::automation::Variant copy;
        HRESULT hr = VariantCopy(&copy, src->pvarVal);
        if (FAILED(hr)) return hr;
        hr = VariantClear(dest);
        if (FAILED(hr)) return hr;
        *dest = copy.Detach();
        return S_OK;
    }
    VARIANT view;
    HRESULT hr = ReadReference(*src, &view);
    if (FAILED(hr)) return hr;
    // `view` borrows the referenced value; the copy owns its own.
    qs::automation::Variant copy;
    hr = VariantCopy(&copy, &view);
    if (FAILED(hr)) return hr;
    hr = VariantClear(dest);
    if (FAILED(hr)) return hr;
    *dest = copy.Detach();
    return S_OK;
}

namespace qs::automation {

bool IsMissing(const VARIANT &v) { return v.vt == VT_ERROR && v.scode == DISP_E_PARAMNOTFOUND; }

const VARIANT &Deref(const VARIANT &v) {
    return v.vt == (VT_BYREF | VT_VARIANT) && v.pvarVal ? *v.pvarVal : v;
}

HRESULT StoreThrough(VARIANT *target, const VARIANT &value) {
    if (!target) return E_POINTER;
    if (target->vt == (VT_BYREF | VT_VARIANT)) {
        if (!target->pvarVal) return E_INVALIDARG;
        return VariantCopy(target->pvarVal, &value);
    }
    if (!(target->vt & VT_BYREF)) return VariantCopy(target, &value);
    if (!target->byref) return E_INVALIDARG;
    VARTYPE want = target->vt & ~VT_BYREF;
    Variant converted;
    HRESULT hr = VariantChangeType(&converted, &value, 0, want);
    if (FAILED(hr)) return hr;
    if (want & VT_ARRAY) {
        hr = SafeArrayDestroy(*target->pparray);
        if (FAILED(hr)) return hr;
        *target->pparray = converted.parray;
        converted.Detach();
        return S_OK;
    }
    switch (want) {
        case VT_I2: *target->piVal = converted.iVal; break;
        case VT_I4: *target->plVal = converted.lVal; break;
        case VT_R4: *target->pfltVal = converted.fltVal; break;
        case VT_R8: *target->pdblVal = converted.dblVal; break;
        case VT_DATE: *target->pdate = converted.date; break;
        case VT_ERROR: *target->pscode = converted.scode; break;
        case VT_BOOL: *target->pboolVal = converted.boolVal; break;
        case VT_UI1: *target->pbVal = converted.bVal; break;
        case VT_BSTR:
            SysFreeString(*target->pbstrVal);
            *target->pbstrVal = converted.bstrVal;
            converted.Detach();
            break;
        case VT_DISPATCH:
        case VT_UNKNOWN:
            if (*target->ppunkVal) (*target->ppunkVal)->Release();
            *target->ppunkVal = converted.punkVal;
            converted.Detach();
            break;
        default: return DISP_E_BADVARTYPE;
    }
    return S_OK;
}

Variant::Variant(std::string_view utf8) : Variant() {
    vt = VT_BSTR;
    bstrVal = BstrFromUtf8(utf8);
}

Variant::Variant(const Bstr &text) : Variant() {
    vt = VT_BSTR;
    bstrVal = text.get() ? SysAllocStringLen(text.get(), text.length()) : nullptr;
}

Variant::Variant(IDispatch *object) : Variant() {
    vt = VT_DISPATCH;
    pdispVal = object;
    if (object) object->AddRef();
}

Variant Variant::Missing() { return Error(DISP_E_PARAMNOTFOUND); }

Variant Variant::Null() {
    Variant v;
    v.vt = VT_NULL;
    return v;
}

Variant Variant::Date(DATE value) {
    Variant v;
    v.vt = VT_DATE;
    v.date = value;
    return v;
}

Variant Variant::Error(SCODE code) {
    Variant v;
    v.vt = VT_ERROR;
    v.scode = code;
    return v;
}

Variant Variant::Array(SAFEARRAY *array, VARTYPE elementType) {
    Variant v;
    v.vt = VT_ARRAY | elementType;
    v.parray = array;
    return v;
}

Variant Variant::Ref(VARIANT *target) {
    Variant v;
    v.vt = VT_BYREF | VT_VARIANT;
    v.pvarVal = target;
    return v;
}

Variant Variant::Attach(VARIANT value) {
    Variant v;
    static_cast<VARIANT &>(v) = value;
    return v;
}

VARIANT Variant::Detach() {
    VARIANT out = *this;
    VariantInit(this);
    return out;
}

std::string Variant::text() const {
    Variant t;
    if (FAILED(VariantChangeType(&t, this, 0, VT_BSTR))) return std::string();
    return Utf8FromBstr(t.bstrVal);
}

}  // namespace qs::automation
