// The dispatch interface: members reached by identifier or by name with variant arguments.
#pragma once
#include "platform/automation/unknown.h"
#include "platform/automation/variant.h"

using DISPID = LONG;
using MEMBERID = DISPID;
using LCID = DWORD;

inline constexpr DISPID DISPID_UNKNOWN = -1;
inline constexpr DISPID DISPID_VALUE = 0;
inline constexpr DISPID DISPID_PROPERTYPUT = -3;
inline constexpr DISPID DISPID_ENABLED = -514;
inline constexpr DISPID DISPID_ABOUTBOX = -552;
inline constexpr DISPID DISPID_AMBIENT_DISPLAYNAME = -702;
inline constexpr DISPID DISPID_AMBIENT_LOCALEID = -705;
inline constexpr DISPID DISPID_AMBIENT_USERMODE = -709;
inline constexpr MEMBERID MEMBERID_NIL = DISPID_UNKNOWN;

inline constexpr WORD DISPATCH_METHOD = 0x1;
inline constexpr WORD DISPATCH_PROPERTYGET = 0x2;
inline constexpr WORD DISPATCH_PROPERTYPUT = 0x4;
inline constexpr WORD DISPATCH_PROPERTYPUTREF = 0x8;

// Arguments in reverse order: rgvarg[cArgs - 1] is the first. The first cNamedArgs entries are the named
// ones, identified by rgdispidNamedArgs (a parameter's position, or DISPID_PROPERTYPUT for a put's value).
struct DISPPARAMS {
    VARIANT *rgvarg;
    DISPID *rgdispidNamedArgs;
    UINT cArgs;
    UINT cNamedArgs;
};

struct EXCEPINFO {
    WORD wCode;
    WORD wReserved;
    BSTR bstrSource;
    BSTR bstrDescription;
    BSTR bstrHelpFile;
    DWORD dwHelpContext;
    void *pvReserved;
    HRESULT (*pfnDeferredFillIn)(EXCEPINFO *);
    SCODE scode;
};

struct ITypeInfo;

struct IDispatch : IUnknown {
    static constexpr IID kIid{0x00020400, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    virtual HRESULT GetTypeInfoCount(UINT *count) = 0;
    virtual HRESULT GetTypeInfo(UINT index, LCID lcid, ITypeInfo **info) = 0;
    // names[0] is a member, further names its parameters; matched without regard to case.
    virtual HRESULT GetIDsOfNames(REFIID iid, LPOLESTR *names, UINT count, LCID lcid, DISPID *ids) = 0;
    virtual HRESULT Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS *params, VARIANT *result,
                           EXCEPINFO *exception, UINT *argError) = 0;
};
inline constexpr IID IID_IDispatch = IDispatch::kIid;

namespace qs::automation {

// Owns the texts of one EXCEPINFO.
struct ExcepInfo : EXCEPINFO {
    ExcepInfo() : EXCEPINFO{} {}
    ExcepInfo(const ExcepInfo &) = delete;
    ExcepInfo &operator=(const ExcepInfo &) = delete;
    ~ExcepInfo() { Clear(); }
    void Clear();
    // The error the call failed with: scode, or the code when only wCode is set.
    HRESULT result() const;
    std::string description() const { return Utf8FromBstr(bstrDescription); }
    std::string source() const { return Utf8FromBstr(bstrSource); }
};

}  // namespace qs::automation
