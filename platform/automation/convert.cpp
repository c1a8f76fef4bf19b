// VariantChangeType: the platform's coercion rules (see variant.h for the summary).
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdio>
#include "platform/automation/date.h"
#include "platform/automation/dispatch.h"
#include "platform/automation/variant_internal.h"

namespace {

using qs::automation::Variant;

constexpr std::size_t kNumberTextCap = 64;  // longest text read as a number

bool IsNumeric(VARTYPE vt) {
    switch (vt) {
        case VT_EMPTY:
        case VT_I2:
        case VT_I4:
        case VT_R4:
        case VT_R8:
        case VT_DATE:
        case VT_BOOL:
        case VT_UI1: return true;
        default: return false;
    }
}

double NumberOf(const VARIANT &v) {
    switch (v.vt) {
        case VT_I2: return v.iVal;
        case VT_I4: return v.lVal;
        case VT_R4: return v.fltVal;
        case VT_R8: return v.dblVal;
        case VT_DATE: return v.date;
        case VT_BOOL: return v.boolVal ? -1.0 : 0.0;
        case VT_UI1: return v.bVal;
        default: return 0.0;  // VT_EMPTY
    }
}

// A number into a numeric target; integers round half to even.
HRESULT FromNumber(double d, VARTYPE vt, VARIANT *out) {
    VariantInit(out);
    double r = std::nearbyint(d);
    switch (vt) {
        case VT_I2:
            if (!(r >= -32768.0 && r <= 32767.0)) return DISP_E_OVERFLOW;
            out->iVal = static_cast<SHORT>(r);
            break;
        case VT_I4:
            if (!(r >= -2147483648.0 && r <= 2147483647.0)) return DISP_E_OVERFLOW;
            out->lVal = static_cast<LONG>(r);
            break;
        case VT_UI1:
            if (!(r >= 0.0 && r <= 255.0)) return DISP_E_OVERFLOW;
            out->bVal = static_cast<BYTE>(r);
            break;
        case VT_R4:
            if (std::isfinite(d) && std::fabs(d) > FLT_MAX) return DISP_E_OVERFLOW;
            out->fltVal = static_cast<float>(d);
            break;
        case VT_R8: out->dblVal = d; break;
        case VT_BOOL: out->boolVal = d != 0.0 ? VARIANT_TRUE : VARIANT_FALSE; break;
        case VT_DATE:
            if (!(d >= kMinDate && d <= kMaxDate)) return DISP_E_OVERFLOW;
            out->date = d;
            break;
        default: return DISP_E_TYPEMISMATCH;
    }
    out->vt = vt;
    return S_OK;
}

std::string FormatReal(double d, int digits) {
    if (d == 0.0) return "0";  // also for -0
    char buffer[kNumberTextCap];
    int n = std::snprintf(buffer, sizeof buffer, "%.*G", digits, d);
    return std::string(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

// blanks, [sign] digits [. digits] | . digits, [e|d [sign] digits], blanks
HRESULT ParseNumber(std::string_view input, double *value) {
    std::string_view text = TrimBlanks(input);
    if (text.empty() || text.size() >= kNumberTextCap) return DISP_E_TYPEMISMATCH;
    std::string normal;
    std::size_t i = 0;
    if (text[i] == '+' || text[i] == '-') {
        if (text[i] == '-') normal.push_back('-');
        ++i;
    }
    auto digits = [&]() {
        std::size_t start = i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') normal.push_back(text[i++]);
        return i - start;
    };
    std::size_t mantissa = digits();
    if (i < text.size() && text[i] == '.') {
        normal.push_back(text[i++]);
        mantissa += digits();
    }
    if (mantissa == 0) return DISP_E_TYPEMISMATCH;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E' || text[i] == 'd' || text[i] == 'D')) {
        normal.push_back('e');
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) normal.push_back(text[i++]);
        if (digits() == 0) return DISP_E_TYPEMISMATCH;
    }
    if (i != text.size()) return DISP_E_TYPEMISMATCH;
    double d = 0;
    auto [end, ec] = std::from_chars(normal.data(), normal.data() + normal.size(), d);
    if (ec == std::errc::result_out_of_range) return DISP_E_OVERFLOW;
    if (ec != std::errc() || end != normal.data() + normal.size()) return DISP_E_TYPEMISMATCH;
    *value = d;
    return S_OK;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] + 32) : a[i];
        char y = b[i] >= 'A' && b[i] <= 'Z' ? static_cast<char>(b[i] + 32) : b[i];
        if (x != y) return false;
    }
    return true;
}

HRESULT ToText(const VARIANT &s, VARIANT *out) {
    std::string text;
    switch (s.vt) {
        case VT_EMPTY: break;
        case VT_I2: text = std::to_string(s.iVal); break;
        case VT_I4: text = std::to_string(s.lVal); break;
        case VT_UI1: text = std::to_string(s.bVal); break;
        case VT_R4: text = FormatReal(s.fltVal, 7); break;
        case VT_R8: text = FormatReal(s.dblVal, 15); break;
        case VT_BOOL: text = s.boolVal ? "True" : "False"; break;
        case VT_DATE:
            if (!qs::automation::FormatDate(s.date, &text)) return DISP_E_OVERFLOW;
            break;
        default: return DISP_E_TYPEMISMATCH;
    }
    VariantInit(out);
    out->bstrVal = qs::automation::BstrFromUtf8(text);
    if (!out->bstrVal && !text.empty()) return E_OUTOFMEMORY;
    out->vt = VT_BSTR;
    return S_OK;
}

HRESULT FromText(BSTR bstr, VARTYPE vt, VARIANT *out) {
    std::string text = qs::automation::Utf8FromBstr(bstr);
    if (vt == VT_DATE) {
        DATE date = 0;
        HRESULT hr = qs::automation::ParseDate(text, &date);
        if (FAILED(hr)) return hr;
        VariantInit(out);
        out->vt = VT_DATE;
        out->date = date;
        return S_OK;
    }
    if (vt == VT_BOOL) {
        std::string_view word = TrimBlanks(text);
        if (EqualsIgnoreCase(word, "true") || EqualsIgnoreCase(word, "false")) {
            VariantInit(out);
            out->vt = VT_BOOL;
            out->boolVal = EqualsIgnoreCase(word, "true") ? VARIANT_TRUE : VARIANT_FALSE;
            return S_OK;
        }
    }
    double d = 0;
    HRESULT hr = ParseNumber(text, &d);
    if (FAILED(hr)) return hr;
    return FromNumber(d, vt, out);
}

HRESULT Convert(const VARIANT &s, USHORT flags, VARTYPE vt, VARIANT *out);

// An object's value is its default property.
HRESULT FromObject(IDispatch *object, USHORT flags, VARTYPE vt, VARIANT *out) {
    if (!object || (flags & VARIANT_NOVALUEPROP)) return DISP_E_TYPEMISMATCH;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    Variant value;
    HRESULT hr = object->Invoke(DISPID_VALUE, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &value, nullptr, nullptr);
    if (FAILED(hr)) return DISP_E_TYPEMISMATCH;
    // One level only: a default property that is itself an object does not convert further.
    return Convert(value, flags | VARIANT_NOVALUEPROP, vt, out);
}

HRESULT Convert(const VARIANT &s, USHORT flags, VARTYPE vt, VARIANT *out) {
    VariantInit(out);
    if (s.vt == vt) return VariantCopy(out, &s);
    if (vt == VT_EMPTY) return S_OK;
    if ((vt & VT_ARRAY) || (s.vt & VT_ARRAY)) return DISP_E_TYPEMISMATCH;
    switch (s.vt) {
        case VT_NULL:
        case VT_ERROR: return DISP_E_TYPEMISMATCH;
        case VT_DISPATCH:
            if (vt == VT_UNKNOWN) {
                if (!s.pdispVal) return DISP_E_TYPEMISMATCH;
                s.pdispVal->AddRef();
                out->vt = VT_UNKNOWN;
                out->punkVal = s.pdispVal;
                return S_OK;
            }
            return FromObject(s.pdispVal, flags, vt, out);
        case VT_UNKNOWN: {
            if (vt != VT_DISPATCH || !s.punkVal) return DISP_E_TYPEMISMATCH;
            IDispatch *object = nullptr;
            if (FAILED(s.punkVal->QueryInterface(IID_IDispatch, reinterpret_cast<void **>(&object)))) {
                return DISP_E_TYPEMISMATCH;
            }
            out->vt = VT_DISPATCH;
            out->pdispVal = object;
            return S_OK;
        }
        case VT_BSTR:
            if (!IsNumeric(vt)) return DISP_E_TYPEMISMATCH;
            return FromText(s.bstrVal, vt, out);
        default: break;
    }
    if (vt == VT_BSTR) return ToText(s, out);
    if (!IsNumeric(s.vt) || !IsNumeric(vt)) return DISP_E_TYPEMISMATCH;
    return FromNumber(NumberOf(s), vt, out);
}

}  // namespace

HRESULT VariantChangeType(VARIANT *dest, const VARIANT *src, USHORT flags, VARTYPE vt) {
    if (!dest || !src) return E_INVALIDARG;
    if (!qs::automation::detail::IsValidType(src->vt)) return DISP_E_BADVARTYPE;
    if ((vt & VT_BYREF) || (vt != VT_EMPTY && !qs::automation::detail::IsValidType(vt))) return DISP_E_BADVARTYPE;
    const VARIANT *s = src;
    VARIANT view;
    if (s->vt == (VT_BYREF | VT_VARIANT)) {
        s = s->pvarVal;
        if (!s) return E_INVALIDARG;
        if (!qs::automation::detail::IsValidType(s->vt) || s->vt == (VT_BYREF | VT_VARIANT)) return DISP_E_BADVARTYPE;
    }
    if (s->vt & VT_BYREF) {
        HRESULT hr = qs::automation::detail::ReadReference(*s, &view);
        if (FAILED(hr)) return hr;
        s = &view;
    }
    Variant result;
    HRESULT hr = Convert(*s, flags, vt, &result);
    if (FAILED(hr)) return hr;
    hr = VariantClear(dest);
    if (FAILED(hr)) return hr;
    *dest = result.Detach();
    return S_OK;
}
