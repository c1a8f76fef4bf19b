#include "platform/automation/invoke.h"

#include "platform/automation/dispatch_engine.h"

namespace qs::automation {

HRESULT GetDispatchId(IDispatch *object, std::string_view name, DISPID *id) {
    if (!object || !id) return E_POINTER;
    std::u16string wide = Utf16FromUtf8(name);
    LPOLESTR names[] = {wide.data()};
    return object->GetIDsOfNames(IID_NULL, names, 1, 0, id);
}

HRESULT InvokeByName(IDispatch *object, std::string_view name, WORD flags, std::span<VARIANT> args, VARIANT *result,
                     EXCEPINFO *excep) {
    if (args.size() > kMaxInvokeArgs) return DISP_E_BADPARAMCOUNT;
    DISPID id;
    HRESULT hr = GetDispatchId(object, name, &id);
    if (FAILED(hr)) return hr;
    VARIANT reversed[kMaxInvokeArgs];
    for (std::size_t i = 0; i < args.size(); ++i) reversed[args.size() - 1 - i] = args[i];
    DISPID putId = DISPID_PROPERTYPUT;
    bool put = (flags & DISPATCH_PROPERTYPUT) != 0;
    if (put && args.empty()) return DISP_E_BADPARAMCOUNT;
    DISPPARAMS params{reversed, put ? &putId : nullptr, static_cast<UINT>(args.size()), put ? 1u : 0u};
    UINT argError = 0;
    return object->Invoke(id, IID_NULL, 0, flags, &params, result, excep, &argError);
}

HRESULT GetProperty(IDispatch *object, std::string_view name, VARIANT *value, EXCEPINFO *excep) {
    return InvokeByName(object, name, DISPATCH_PROPERTYGET, {}, value, excep);
}

HRESULT PutProperty(IDispatch *object, std::string_view name, const VARIANT &value, EXCEPINFO *excep) {
    VARIANT arg = value;  // shallow: the callee only reads it
    return InvokeByName(object, name, DISPATCH_PROPERTYPUT, std::span<VARIANT>(&arg, 1), nullptr, excep);
}

HRESULT CallMethod(IDispatch *object, std::string_view name, std::span<VARIANT> args, VARIANT *result,
                   EXCEPINFO *excep) {
    return InvokeByName(object, name, DISPATCH_METHOD, args, result, excep);
}

}  // namespace qs::automation
