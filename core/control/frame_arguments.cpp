// Optional arguments and results.
#include "core/control/frame.h"

namespace qs::control {

using automation::Variant;

bool Frame::IsMissingArgument(const VARIANT &value)
{
    const VARIANT &v = automation::Deref(value);
    return v.vt == VT_EMPTY || v.vt == VT_ERROR;
}

HRESULT Frame::TextArgument(const VARIANT &value, std::string_view fallback, std::string *out)
{
    if (IsMissingArgument(value)) {
        out->assign(fallback);
        return S_OK;
    }
    Variant converted;
    HRESULT hr = VariantChangeType(&converted, &value, 0, VT_BSTR);
    if (FAILED(hr))
        return hr;
    *out = automation::Utf8FromBstr(converted.bstrVal);
    return S_OK;
}

HRESULT Frame::LongArgument(const VARIANT &value, LONG fallback, LONG *out)
{
    if (IsMissingArgument(value)) {
        *out = fallback;
        return S_OK;
    }
    Variant converted;
    HRESULT hr = VariantChangeType(&converted, &value, 0, VT_I4);
    if (FAILED(hr))
        return hr;
    *out = converted.lVal;
    return S_OK;
}

HRESULT Frame::BoolArgument(const VARIANT &value, bool fallback, bool *out)
{
    if (IsMissingArgument(value)) {
        *out = fallback;
        return S_OK;
    }
    Variant converted;
    HRESULT hr = VariantChangeType(&converted, &value, 0, VT_BOOL);
    if (FAILED(hr))
        return hr;
    *out = converted.boolVal != VARIANT_FALSE;
    return S_OK;
}

void Frame::SetErrorResult(VARIANT *error, std::uint32_t number)
{
    if (error == nullptr)
        return;
    VariantClear(error);
    error->vt = VT_I4;
    error->lVal = static_cast<LONG>(number & 0xFFFF);
}

HRESULT Frame::TextResult(std::string_view text, BSTR *out)
{
    *out = automation::BstrFromUtf8(text);
    return *out != nullptr || text.empty() ? S_OK : E_OUTOFMEMORY;
}

HRESULT Frame::BoolResult(bool value, VARIANT_BOOL *out)
{
    *out = value ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

}  // namespace qs::control
