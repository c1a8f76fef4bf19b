// Type information generated from the member tables: a library of enumerations (with their aliases),
// dispatch and event interfaces and classes, each reachable as an ITypeInfo.
#pragma once
#include <string>
#include "platform/automation/members.h"

namespace qs::automation {

struct EnumConstant {
    const char *name;
    LONG value;
};

struct EnumInfo {
    const char *name;   // "_timeTraceConstants"
    const char *alias;  // "TraceConstants", or null
    std::span<const EnumConstant> constants;
};

struct ClassInfo;

// A type library: what one module publishes.
struct TypeLibInfo {
    const char *name;   // "TimeClientCtl"
    GUID libid;
    WORD major;
    WORD minor;
    const char *title;  // "Quillstream Time Protocol Control 6.0"
    std::span<const EnumInfo> enums;
    std::span<const InterfaceInfo *const> interfaces;
    std::span<const ClassInfo *const> classes;
};

// A creatable class: its identity, its interfaces and its registration data.
struct ClassInfo {
    const char *name;                      // the coclass, "TimeClient"
    CLSID clsid;
    const char *progId;                    // "Quillstream.TimeClient.6"
    const char *versionIndependentProgId;  // "Quillstream.TimeClient", or null
    const char *description;               // "Quillstream Time Protocol Control 6.0"
    const char *threadingModel;            // "Apartment"
    bool control;                          // registered as a programmable, insertable control
    DWORD miscStatus;                      // aspect 1; 0: none
    int toolboxBitmap;                     // bitmap resource of the module; 0: none
    const InterfaceInfo *dispatch;         // the default interface
    const InterfaceInfo *events;           // the default source, or null
    const TypeLibInfo *typeLib;
};

}  // namespace qs::automation

enum TYPEKIND { TKIND_ENUM = 0, TKIND_DISPATCH = 4, TKIND_COCLASS = 5, TKIND_ALIAS = 6 };

struct TYPEATTR {
    GUID guid;
    TYPEKIND typekind;
    WORD cFuncs;      // members of a dispatch interface
    WORD cVars;       // constants of an enumeration
    WORD cImplTypes;  // interfaces of a class; 1 for an alias (the enumeration it names)
    WORD wMajorVerNum;
    WORD wMinorVerNum;
};

struct TLIBATTR {
    GUID guid;
    WORD wMajorVerNum;
    WORD wMinorVerNum;
};

inline constexpr int IMPLTYPEFLAG_FDEFAULT = 0x1;
inline constexpr int IMPLTYPEFLAG_FSOURCE = 0x2;

struct ITypeLib;

struct ITypeInfo : IUnknown {
    static constexpr IID kIid{0x00020401, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    virtual HRESULT GetTypeAttr(TYPEATTR *attr) = 0;
    // MEMBERID_NIL: the type itself. `doc` may be null.
    virtual HRESULT GetDocumentation(MEMBERID id, BSTR *name, BSTR *doc) = 0;
    // The member table entry itself (valid while the type information is held).
    virtual HRESULT GetFuncDesc(UINT index, const qs::automation::Member **desc) = 0;
    virtual HRESULT GetVarDesc(UINT index, const qs::automation::EnumConstant **desc) = 0;
    // The member's name followed by its parameters' names.
    virtual HRESULT GetNames(MEMBERID id, BSTR *names, UINT max, UINT *count) = 0;
    virtual HRESULT GetIDsOfNames(LPOLESTR *names, UINT count, MEMBERID *ids) = 0;
    // A class's interfaces (flags IMPLTYPEFLAG_...), an alias's enumeration.
    virtual HRESULT GetImplTypeInfo(UINT index, ITypeInfo **info, int *flags) = 0;
    virtual HRESULT GetContainingTypeLib(ITypeLib **lib, UINT *index) = 0;
};

struct ITypeLib : IUnknown {
    static constexpr IID kIid{0x00020402, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    virtual UINT GetTypeInfoCount() = 0;
    virtual HRESULT GetTypeInfo(UINT index, ITypeInfo **info) = 0;
    virtual HRESULT GetTypeInfoOfGuid(REFGUID guid, ITypeInfo **info) = 0;
    virtual HRESULT GetLibAttr(TLIBATTR *attr) = 0;
    // index -1: the library (name and title).
    virtual HRESULT GetDocumentation(int index, BSTR *name, BSTR *doc) = 0;
};

namespace qs::automation {

HRESULT CreateTypeLib(const TypeLibInfo &info, ITypeLib **out);
// The event interface of the object's class: the source interface of the class in the object's type
// library whose default interface is the object's. TYPE_E_ELEMENTNOTFOUND when there is none.
HRESULT GetEventTypeInfo(IDispatch *object, ITypeInfo **events);

enum class ReferenceFormat { Text, Markdown };

// The reference of every type of a library: enumerations, interfaces with their members (dispatch
// identifier, name, kind, type, parameters, description), events and classes.
HRESULT WriteReference(ITypeLib *lib, ReferenceFormat format, std::string *out);
// The reference of one dispatch or event interface.
HRESULT WriteInterfaceReference(ITypeInfo *info, ReferenceFormat format, std::string *out);
// "long", "string", "boolean", "variant", "date", "byte()" ...
std::string TypeName(VARTYPE vt);

}  // namespace qs::automation
