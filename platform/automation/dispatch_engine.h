// Dispatch driven by a member table, and the mixin that gives a dual interface its IDispatch half.
//
//   struct ISample : IDispatch {
//       static constexpr IID kIid{...};
//       static const qs::automation::InterfaceInfo &Info();   // the table, defined with it
//       virtual HRESULT get_Name(BSTR *value) = 0;
//       ...
//   };
//   class Sample : public Object<Sample, DispatchImpl<ISample>> { ... overrides of ISample ... };
#pragma once
#include "platform/automation/members.h"

namespace qs::automation {

inline constexpr UINT kMaxInvokeArgs = 64;  // arguments one call may pass

HRESULT DispatchGetIDsOfNames(const InterfaceInfo &info, LPOLESTR *names, UINT count, DISPID *ids);
// Converts the arguments by the table, calls the bound method on `self` (the interface the table's
// methods belong to) and returns its result. A failing method gives DISP_E_EXCEPTION with `excep` filled
// from the thread's error information (or the result's own text) when `excep` is given, else its result.
HRESULT DispatchInvoke(const InterfaceInfo &info, IUnknown *self, DISPID id, WORD flags, DISPPARAMS *params,
                       VARIANT *result, EXCEPINFO *excep, UINT *argError);

// The type information of one interface (see typeinfo.h). It holds a reference to `owner`, the object
// whose module holds the table, so the module is not unloaded while the information is in use.
HRESULT CreateInterfaceTypeInfo(const InterfaceInfo &info, IUnknown *owner, ITypeInfo **out);

template <class I>
class DispatchImpl : public I {
public:
    HRESULT GetTypeInfoCount(UINT *count) override {
        if (!count) return E_POINTER;
        *count = 1;
        return S_OK;
    }
    HRESULT GetTypeInfo(UINT index, LCID, ITypeInfo **info) override {
        if (!info) return E_POINTER;
        if (index != 0) return DISP_E_BADINDEX;
        return CreateInterfaceTypeInfo(I::Info(), static_cast<I *>(this), info);
    }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR *names, UINT count, LCID, DISPID *ids) override {
        return DispatchGetIDsOfNames(I::Info(), names, count, ids);
    }
    HRESULT Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS *params, VARIANT *result, EXCEPINFO *excep,
                   UINT *argError) override {
        return DispatchInvoke(I::Info(), static_cast<I *>(this), id, flags, params, result, excep, argError);
    }
};

}  // namespace qs::automation
