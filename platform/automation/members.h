// One declarative member table per interface drives dispatch, type information and the reference.
//
// Each entry names the dispatch identifier, the name, the kind, the parameters with their types and
// flags, the result type and the C++ method of the typed interface it binds:
//
//   constexpr Member kSampleMembers[] = {
//       Get<&ISample::get_Name>(1, "Name", VT_BSTR, "the sample's name"),
//       Put<&ISample::put_Name>(1, "Name", VT_BSTR),
//       Method<&ISample::Add>(5, "Add", {In("A", VT_I4), In("B", VT_I4)}, VT_I4, "the sum"),
//       Method<&ISample::Describe>(6, "Describe", {Optional("Value")}, VT_VARIANT),
//   };
//
// The bound C++ signature must match the entry: HRESULT result; each parameter's C++ type follows its
// type (VT_I4 LONG, VT_I2 and VT_BOOL SHORT/VARIANT_BOOL, VT_UI1 BYTE, VT_R4 FLOAT, VT_R8 and VT_DATE
// DOUBLE, VT_BSTR BSTR, VT_DISPATCH IDispatch *, VT_UNKNOWN IUnknown *, VT_ARRAY | t SAFEARRAY *, an in
// VT_VARIANT const VARIANT &, an in/out VT_VARIANT VARIANT *); a result comes last as a pointer to that
// type. A property get binds HRESULT get_X([index...,] T *value), a put HRESULT put_X([index...,] T value);
// the put's value is its last parameter. An optional parameter is a VT_VARIANT and arrives as the
// missing marker when omitted. A table declared constexpr that does not match fails to compile.
#pragma once
#include <cstdlib>
#include <initializer_list>
#include <span>
#include <tuple>
#include <type_traits>
#include "platform/automation/dispatch.h"

namespace qs::automation {

enum class MemberKind : std::uint8_t {
    Method = DISPATCH_METHOD,
    Get = DISPATCH_PROPERTYGET,
    Put = DISPATCH_PROPERTYPUT,
};

inline constexpr std::uint8_t kParamOut = 0x1;       // in/out: the method may write through it
inline constexpr std::uint8_t kParamOptional = 0x2;  // may be omitted

struct Param {
    const char *name = nullptr;
    VARTYPE type = VT_EMPTY;
    std::uint8_t flags = 0;
};
constexpr Param In(const char *name, VARTYPE type) { return {name, type, 0}; }
constexpr Param Optional(const char *name) { return {name, VT_VARIANT, kParamOptional}; }
constexpr Param InOut(const char *name) { return {name, VT_VARIANT, kParamOut}; }
constexpr Param OptionalInOut(const char *name) { return {name, VT_VARIANT, kParamOut | kParamOptional}; }

inline constexpr std::size_t kMaxParams = 10;

// Calls the bound method on `self` with one prepared variant per C++ parameter.
using MemberThunk = HRESULT (*)(IUnknown *self, VARIANT *slots);

struct Member {
    DISPID dispid = 0;
    const char *name = nullptr;
    MemberKind kind = MemberKind::Method;
    VARTYPE type = VT_EMPTY;  // result of a method or get, value of a put; VT_EMPTY: none
    std::uint8_t paramCount = 0;
    Param params[kMaxParams] = {};
    const char *doc = "";
    MemberThunk call = nullptr;

    constexpr std::span<const Param> parameters() const { return {params, paramCount}; }
    constexpr bool hasResult() const { return kind != MemberKind::Put && type != VT_EMPTY; }
};

struct TypeLibInfo;

// A dispatch interface or an event interface described by its table.
struct InterfaceInfo {
    const char *name;
    IID iid;
    std::span<const Member> members;
    const char *doc = "";
    const TypeLibInfo *typeLib = nullptr;
    IID sinkIid = IID_NULL;  // events: the typed C++ sink interface, if any
};

// A member by identifier whose kind is among `flags` (DISPATCH_METHOD, ...); null when none.
const Member *FindMember(const InterfaceInfo &info, DISPID id, WORD flags);
// The first member of that name, in any case; null when none.
const Member *FindMemberByName(const InterfaceInfo &info, std::string_view name);

namespace detail {

[[noreturn]] void MemberTableMismatch(const char *name);

template <class F>
struct MethodTraits;
template <class C, class... A>
struct MethodTraits<HRESULT (C::*)(A...)> {
    using Class = C;
    using Args = std::tuple<A...>;
    static constexpr std::size_t arity = sizeof...(A);
};

// Whether C++ parameter type P carries a parameter of this type and flags (or, as a pointer, a result).
template <class P>
constexpr bool Carries(VARTYPE vt, std::uint8_t flags, bool result) {
    if (result) {
        if constexpr (std::is_pointer_v<P>) {
            using R = std::remove_pointer_t<P>;
            if constexpr (std::is_same_v<R, VARIANT>) return vt == VT_VARIANT;
            else if constexpr (std::is_same_v<R, LONG>) return vt == VT_I4;
            else if constexpr (std::is_same_v<R, SHORT>) return vt == VT_I2 || vt == VT_BOOL;
            else if constexpr (std::is_same_v<R, BYTE>) return vt == VT_UI1;
            else if constexpr (std::is_same_v<R, FLOAT>) return vt == VT_R4;
            else if constexpr (std::is_same_v<R, DOUBLE>) return vt == VT_R8 || vt == VT_DATE;
            else if constexpr (std::is_same_v<R, BSTR>) return vt == VT_BSTR;
            else if constexpr (std::is_same_v<R, IDispatch *>) return vt == VT_DISPATCH;
            else if constexpr (std::is_same_v<R, IUnknown *>) return vt == VT_UNKNOWN;
            else if constexpr (std::is_same_v<R, SAFEARRAY *>) return (vt & VT_ARRAY) != 0;
        }
        return false;
    }
    if ((flags & kParamOptional) && vt != VT_VARIANT) return false;
    if constexpr (std::is_same_v<P, const VARIANT &>) return vt == VT_VARIANT && !(flags & kParamOut);
    else if constexpr (std::is_same_v<P, VARIANT *>) return vt == VT_VARIANT && (flags & kParamOut);
    else if constexpr (std::is_same_v<P, LONG>) return vt == VT_I4 && !flags;
    else if constexpr (std::is_same_v<P, SHORT>) return (vt == VT_I2 || vt == VT_BOOL) && !flags;
    else if constexpr (std::is_same_v<P, BYTE>) return vt == VT_UI1 && !flags;
    else if constexpr (std::is_same_v<P, FLOAT>) return vt == VT_R4 && !flags;
    else if constexpr (std::is_same_v<P, DOUBLE>) return (vt == VT_R8 || vt == VT_DATE) && !flags;
    else if constexpr (std::is_same_v<P, BSTR>) return vt == VT_BSTR && !flags;
    else if constexpr (std::is_same_v<P, IDispatch *>) return vt == VT_DISPATCH && !flags;
    else if constexpr (std::is_same_v<P, IUnknown *>) return vt == VT_UNKNOWN && !flags;
    else if constexpr (std::is_same_v<P, SAFEARRAY *>) return (vt & VT_ARRAY) != 0 && !flags;
    else return false;
}

// The C++ argument a prepared slot holds. Typed slots hold a value of their type; VARIANT * and result
// slots are prepared as described in dispatch.cpp.
template <class P>
P FromSlot(VARIANT &slot) {
    if constexpr (std::is_same_v<P, const VARIANT &>) return slot;
    else if constexpr (std::is_same_v<P, VARIANT *>) return slot.pvarVal;
    else if constexpr (std::is_same_v<P, LONG>) return slot.lVal;
    else if constexpr (std::is_same_v<P, SHORT>) return slot.vt == VT_BOOL ? slot.boolVal : slot.iVal;
    else if constexpr (std::is_same_v<P, BYTE>) return slot.bVal;
    else if constexpr (std::is_same_v<P, FLOAT>) return slot.fltVal;
    else if constexpr (std::is_same_v<P, DOUBLE>) return slot.vt == VT_DATE ? slot.date : slot.dblVal;
    else if constexpr (std::is_same_v<P, BSTR>) return slot.bstrVal;
    else if constexpr (std::is_same_v<P, IDispatch *>) return slot.pdispVal;
    else if constexpr (std::is_same_v<P, IUnknown *>) return slot.punkVal;
    else if constexpr (std::is_same_v<P, SAFEARRAY *>) return slot.parray;
    else if constexpr (std::is_same_v<P, LONG *>) return &slot.lVal;
    else if constexpr (std::is_same_v<P, SHORT *>) return slot.vt == VT_BOOL ? &slot.boolVal : &slot.iVal;
    else if constexpr (std::is_same_v<P, BYTE *>) return &slot.bVal;
    else if constexpr (std::is_same_v<P, FLOAT *>) return &slot.fltVal;
    else if constexpr (std::is_same_v<P, DOUBLE *>) return slot.vt == VT_DATE ? &slot.date : &slot.dblVal;
    else if constexpr (std::is_same_v<P, BSTR *>) return &slot.bstrVal;
    else if constexpr (std::is_same_v<P, IDispatch **>) return &slot.pdispVal;
    else if constexpr (std::is_same_v<P, IUnknown **>) return &slot.punkVal;
    else if constexpr (std::is_same_v<P, SAFEARRAY **>) return &slot.parray;
    else static_assert(sizeof(P) == 0, "parameter type without a variant form");
}

template <auto Fn, std::size_t... I>
HRESULT CallWithSlots(IUnknown *self, VARIANT *slots, std::index_sequence<I...>) {
    using Traits = MethodTraits<decltype(Fn)>;
    auto *object = static_cast<typename Traits::Class *>(self);
    return (object->*Fn)(FromSlot<std::tuple_element_t<I, typename Traits::Args>>(slots[I])...);
}

template <auto Fn>
HRESULT Thunk(IUnknown *self, VARIANT *slots) {
    using Traits = MethodTraits<decltype(Fn)>;
    return CallWithSlots<Fn>(self, slots, std::make_index_sequence<Traits::arity>{});
}

template <auto Fn, std::size_t... I>
constexpr bool SignatureMatches(const Member &m, std::index_sequence<I...>) {
    using Args = typename MethodTraits<decltype(Fn)>::Args;
    std::size_t params = m.paramCount;
    return ((I < params ? Carries<std::tuple_element_t<I, Args>>(m.params[I].type, m.params[I].flags, false)
                        : Carries<std::tuple_element_t<I, Args>>(m.type, 0, true)) &&
            ... && true);
}

template <auto Fn>
constexpr Member Make(DISPID id, const char *name, MemberKind kind, std::initializer_list<Param> params, VARTYPE type,
                      const char *doc, bool appendValue) {
    using Traits = MethodTraits<decltype(Fn)>;
    Member m;
    m.dispid = id;
    m.name = name;
    m.kind = kind;
    m.type = type;
    m.doc = doc;
    m.call = &Thunk<Fn>;
    if (params.size() + (appendValue ? 1 : 0) > kMaxParams) MemberTableMismatch(name);
    for (const Param &p : params) m.params[m.paramCount++] = p;
    if (appendValue) m.params[m.paramCount++] = In("Value", type);
    if (m.paramCount + (m.hasResult() ? 1u : 0u) != Traits::arity) MemberTableMismatch(name);
    if (!SignatureMatches<Fn>(m, std::make_index_sequence<Traits::arity>{})) MemberTableMismatch(name);
    return m;
}

}  // namespace detail

template <auto Fn>
constexpr Member Method(DISPID id, const char *name, std::initializer_list<Param> params = {},
                        VARTYPE result = VT_EMPTY, const char *doc = "") {
    return detail::Make<Fn>(id, name, MemberKind::Method, params, result, doc, false);
}

template <auto Fn>
constexpr Member Get(DISPID id, const char *name, VARTYPE type, const char *doc = "",
                     std::initializer_list<Param> index = {}) {
    return detail::Make<Fn>(id, name, MemberKind::Get, index, type, doc, false);
}

template <auto Fn>
constexpr Member Put(DISPID id, const char *name, VARTYPE type, const char *doc = "",
                     std::initializer_list<Param> index = {}) {
    return detail::Make<Fn>(id, name, MemberKind::Put, index, type, doc, true);
}

}  // namespace qs::automation
