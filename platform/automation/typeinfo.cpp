#include "platform/automation/typeinfo.h"

#include <vector>
#include "platform/automation/dispatch_engine.h"

namespace qs::automation {
namespace {

struct Entry {
    TYPEKIND kind;
    const void *desc;  // EnumInfo (also for its alias), InterfaceInfo or ClassInfo
};

class TypeLib;

class TypeInfo final : public Object<TypeInfo, ITypeInfo> {
public:
    using Interfaces = InterfaceList<ITypeInfo>;
    TypeInfo(Entry entry, TypeLib *lib);

    HRESULT GetTypeAttr(TYPEATTR *attr) override;
    HRESULT GetDocumentation(MEMBERID id, BSTR *name, BSTR *doc) override;
    HRESULT GetFuncDesc(UINT index, const Member **desc) override;
    HRESULT GetVarDesc(UINT index, const EnumConstant **desc) override;
    HRESULT GetNames(MEMBERID id, BSTR *names, UINT max, UINT *count) override;
    HRESULT GetIDsOfNames(LPOLESTR *names, UINT count, MEMBERID *ids) override;
    HRESULT GetImplTypeInfo(UINT index, ITypeInfo **info, int *flags) override;
    HRESULT GetContainingTypeLib(ITypeLib **lib, UINT *index) override;

private:
    const EnumInfo &enumInfo() const { return *static_cast<const EnumInfo *>(entry_.desc); }
    const InterfaceInfo &interfaceInfo() const { return *static_cast<const InterfaceInfo *>(entry_.desc); }
    const ClassInfo &classInfo() const { return *static_cast<const ClassInfo *>(entry_.desc); }

    Entry entry_;
    ComPtr<TypeLib> lib_;
};

class TypeLib final : public Object<TypeLib, ITypeLib> {
public:
    using Interfaces = InterfaceList<ITypeLib>;
    // `owner`, when given, is the object whose module holds the tables; it stays alive with the library.
    explicit TypeLib(const TypeLibInfo &info, IUnknown *owner = nullptr) : info_(info), owner_(owner) {
        for (const EnumInfo &e : info.enums) {
            entries_.push_back({TKIND_ENUM, &e});
            if (e.alias) entries_.push_back({TKIND_ALIAS, &e});
        }
        for (const InterfaceInfo *i : info.interfaces) entries_.push_back({TKIND_DISPATCH, i});
        for (const ClassInfo *c : info.classes) entries_.push_back({TKIND_COCLASS, c});
    }

    UINT GetTypeInfoCount() override { return static_cast<UINT>(entries_.size()); }
    HRESULT GetTypeInfo(UINT index, ITypeInfo **info) override {
        if (!info) return E_POINTER;
        *info = nullptr;
        if (index >= entries_.size()) return TYPE_E_ELEMENTNOTFOUND;
        *info = new TypeInfo(entries_[index], this);
        return S_OK;
    }
    HRESULT GetTypeInfoOfGuid(REFGUID guid, ITypeInfo **info) override {
        if (!info) return E_POINTER;
        *info = nullptr;
        for (UINT i = 0; i < entries_.size(); ++i) {
            const Entry &e = entries_[i];
            bool match = (e.kind == TKIND_DISPATCH && static_cast<const InterfaceInfo *>(e.desc)->iid == guid) ||
                         (e.kind == TKIND_COCLASS && static_cast<const ClassInfo *>(e.desc)->clsid == guid);
            if (match) return GetTypeInfo(i, info);
        }
        return TYPE_E_ELEMENTNOTFOUND;
    }
    HRESULT GetLibAttr(TLIBATTR *attr) override {
        if (!attr) return E_POINTER;
        *attr = {info_.libid, info_.major, info_.minor};
        return S_OK;
    }
    HRESULT GetDocumentation(int index, BSTR *name, BSTR *doc) override {
        if (index == -1) {
            if (name) *name = BstrFromUtf8(info_.name);
            if (doc) *doc = BstrFromUtf8(info_.title ? info_.title : "");
            return S_OK;
        }
        ComPtr<ITypeInfo> type;
        HRESULT hr = GetTypeInfo(static_cast<UINT>(index), type.Out());
        if (FAILED(hr)) return hr;
        return type->GetDocumentation(MEMBERID_NIL, name, doc);
    }

    // The entry describing `desc` as `kind`, standing alone when the library does not list it.
    HRESULT InfoFor(TYPEKIND kind, const void *desc, ITypeInfo **info) {
        for (UINT i = 0; i < entries_.size(); ++i) {
            if (entries_[i].kind == kind && entries_[i].desc == desc) return GetTypeInfo(i, info);
        }
        *info = new TypeInfo({kind, desc}, this);
        return S_OK;
    }
    UINT IndexOf(const Entry &entry) const {
        for (UINT i = 0; i < entries_.size(); ++i) {
            if (entries_[i].kind == entry.kind && entries_[i].desc == entry.desc) return i;
        }
        return static_cast<UINT>(-1);
    }

private:
    TypeLibInfo info_;
    ComPtr<IUnknown> owner_;
    std::vector<Entry> entries_;
};

TypeInfo::TypeInfo(Entry entry, TypeLib *lib) : entry_(entry), lib_(lib) {}

HRESULT TypeInfo::GetTypeAttr(TYPEATTR *attr) {
    if (!attr) return E_POINTER;
    *attr = TYPEATTR{};
    attr->typekind = entry_.kind;
    attr->wMajorVerNum = 1;
    switch (entry_.kind) {
        case TKIND_ENUM: attr->cVars = static_cast<WORD>(enumInfo().constants.size()); break;
        case TKIND_ALIAS: attr->cImplTypes = 1; break;
        case TKIND_DISPATCH:
            attr->guid = interfaceInfo().iid;
            attr->cFuncs = static_cast<WORD>(interfaceInfo().members.size());
            break;
        case TKIND_COCLASS:
            attr->guid = classInfo().clsid;
            attr->cImplTypes = classInfo().events ? 2 : 1;
            break;
    }
    return S_OK;
}

HRESULT TypeInfo::GetDocumentation(MEMBERID id, BSTR *name, BSTR *doc) {
    const char *n = nullptr;
    const char *d = "";
    if (id == MEMBERID_NIL) {
        switch (entry_.kind) {
            case TKIND_ENUM: n = enumInfo().name; break;
            case TKIND_ALIAS: n = enumInfo().alias, d = enumInfo().name; break;
            case TKIND_DISPATCH: n = interfaceInfo().name, d = interfaceInfo().doc; break;
            case TKIND_COCLASS: n = classInfo().name, d = classInfo().description; break;
        }
    } else if (entry_.kind == TKIND_DISPATCH) {
        const Member *m =
            FindMember(interfaceInfo(), id, DISPATCH_METHOD | DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUT);
        if (!m) return TYPE_E_ELEMENTNOTFOUND;
        n = m->name, d = m->doc;
    } else if (entry_.kind == TKIND_ENUM && id >= 0 && static_cast<std::size_t>(id) < enumInfo().constants.size()) {
        n = enumInfo().constants[id].name;
    } else {
        return TYPE_E_ELEMENTNOTFOUND;
    }
    if (name) *name = BstrFromUtf8(n ? n : "");
    if (doc) *doc = BstrFromUtf8(d ? d : "");
    return S_OK;
}

HRESULT TypeInfo::GetFuncDesc(UINT index, const Member **desc) {
    if (!desc) return E_POINTER;
    if (entry_.kind != TKIND_DISPATCH || index >= interfaceInfo().members.size()) return TYPE_E_ELEMENTNOTFOUND;
    *desc = &interfaceInfo().members[index];
    return S_OK;
}

HRESULT TypeInfo::GetVarDesc(UINT index, const EnumConstant **desc) {
    if (!desc) return E_POINTER;
    if (entry_.kind != TKIND_ENUM || index >= enumInfo().constants.size()) return TYPE_E_ELEMENTNOTFOUND;
    *desc = &enumInfo().constants[index];
    return S_OK;
}

HRESULT TypeInfo::GetNames(MEMBERID id, BSTR *names, UINT max, UINT *count) {
    if (!names || !count) return E_POINTER;
    *count = 0;
    if (entry_.kind != TKIND_DISPATCH) return TYPE_E_ELEMENTNOTFOUND;
    const Member *m = FindMember(interfaceInfo(), id, DISPATCH_METHOD | DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUT);
    if (!m) return TYPE_E_ELEMENTNOTFOUND;
    // A put's value has no name of its own.
    UINT params = m->kind == MemberKind::Put ? m->paramCount - 1u : m->paramCount;
    if (max > 0) names[(*count)++] = BstrFromUtf8(m->name);
    for (UINT i = 0; i < params && *count < max; ++i) names[(*count)++] = BstrFromUtf8(m->params[i].name);
    return S_OK;
}

HRESULT TypeInfo::GetIDsOfNames(LPOLESTR *names, UINT count, MEMBERID *ids) {
    if (entry_.kind != TKIND_DISPATCH) return TYPE_E_ELEMENTNOTFOUND;
    return DispatchGetIDsOfNames(interfaceInfo(), names, count, ids);
}

HRESULT TypeInfo::GetImplTypeInfo(UINT index, ITypeInfo **info, int *flags) {
    if (!info) return E_POINTER;
    *info = nullptr;
    if (flags) *flags = 0;
    if (entry_.kind == TKIND_ALIAS && index == 0) return lib_->InfoFor(TKIND_ENUM, entry_.desc, info);
    if (entry_.kind != TKIND_COCLASS) return TYPE_E_ELEMENTNOTFOUND;
    const InterfaceInfo *target = index == 0 ? classInfo().dispatch : index == 1 ? classInfo().events : nullptr;
    if (!target) return TYPE_E_ELEMENTNOTFOUND;
    if (flags) *flags = IMPLTYPEFLAG_FDEFAULT | (index == 1 ? IMPLTYPEFLAG_FSOURCE : 0);
    return lib_->InfoFor(TKIND_DISPATCH, target, info);
}

HRESULT TypeInfo::GetContainingTypeLib(ITypeLib **lib, UINT *index) {
    if (!lib) return E_POINTER;
    *lib = lib_.get();
    (*lib)->AddRef();
    if (index) *index = lib_->IndexOf(entry_);
    return S_OK;
}

}  // namespace

HRESULT CreateTypeLib(const TypeLibInfo &info, ITypeLib **out) {
    return CreateObject<TypeLib>(ITypeLib::kIid, reinterpret_cast<void **>(out), info);
}

HRESULT CreateInterfaceTypeInfo(const InterfaceInfo &info, IUnknown *owner, ITypeInfo **out) {
    if (!out) return E_POINTER;
    // An interface outside any library gets an empty one of its own, so every type has a library.
    TypeLibInfo alone{info.name, GUID_NULL, 1, 0, "", {}, {}, {}};
    auto lib = ComPtr<TypeLib>::Attach(new TypeLib(info.typeLib ? *info.typeLib : alone, owner));
    return lib->InfoFor(TKIND_DISPATCH, &info, out);
}

HRESULT GetEventTypeInfo(IDispatch *object, ITypeInfo **events) {
    if (!object || !events) return E_POINTER;
    *events = nullptr;
    ComPtr<ITypeInfo> info;
    ComPtr<ITypeLib> lib;
    TYPEATTR attr;
    HRESULT hr = object->GetTypeInfo(0, 0, info.Out());
    if (SUCCEEDED(hr)) hr = info->GetTypeAttr(&attr);
    if (SUCCEEDED(hr)) hr = info->GetContainingTypeLib(lib.Out(), nullptr);
    if (FAILED(hr)) return hr;
    for (UINT i = 0, n = lib->GetTypeInfoCount(); i < n; ++i) {
        ComPtr<ITypeInfo> type, main;
        TYPEATTR typeAttr, mainAttr;
        if (FAILED(lib->GetTypeInfo(i, type.Out())) || FAILED(type->GetTypeAttr(&typeAttr)) ||
            typeAttr.typekind != TKIND_COCLASS || FAILED(type->GetImplTypeInfo(0, main.Out(), nullptr)) ||
            FAILED(main->GetTypeAttr(&mainAttr)) || mainAttr.guid != attr.guid) {
            continue;
        }
        for (UINT k = 1; k < typeAttr.cImplTypes; ++k) {
            ComPtr<ITypeInfo> source;
            int flags = 0;
            if (SUCCEEDED(type->GetImplTypeInfo(k, source.Out(), &flags)) && (flags & IMPLTYPEFLAG_FSOURCE)) {
                *events = source.Detach();
                return S_OK;
            }
        }
    }
    return TYPE_E_ELEMENTNOTFOUND;
}

}  // namespace qs::automation
