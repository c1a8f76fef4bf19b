// Calling a dispatch object by member name, as a script host does. Arguments are given in their natural
// order; a missing one is Variant::Missing(); by-reference arguments are Variant::Ref(&target).
#pragma once
#include <span>
#include <string_view>
#include "platform/automation/dispatch.h"

namespace qs::automation {

HRESULT GetDispatchId(IDispatch *object, std::string_view name, DISPID *id);
// flags: DISPATCH_METHOD, DISPATCH_PROPERTYGET (both for "Name(args)"), DISPATCH_PROPERTYPUT (the last
// argument is the value, passed as the named DISPID_PROPERTYPUT argument). `result` and `excep` may be null.
HRESULT InvokeByName(IDispatch *object, std::string_view name, WORD flags, std::span<VARIANT> args, VARIANT *result,
                     EXCEPINFO *excep);
HRESULT GetProperty(IDispatch *object, std::string_view name, VARIANT *value, EXCEPINFO *excep = nullptr);
HRESULT PutProperty(IDispatch *object, std::string_view name, const VARIANT &value, EXCEPINFO *excep = nullptr);
HRESULT CallMethod(IDispatch *object, std::string_view name, std::span<VARIANT> args, VARIANT *result,
                   EXCEPINFO *excep = nullptr);

}  // namespace qs::automation
