// The reference document of a library's members, written from its type information.
#include <algorithm>
#include <vector>
#include "platform/automation/typeinfo.h"

namespace qs::automation {
namespace {

std::string Take(BSTR s) {
    std::string text = Utf8FromBstr(s);
    SysFreeString(s);
    return text;
}

// One row: a method, or a property's get and put merged.
struct Row {
    DISPID dispid;
    std::string name;
    std::string kind;
    std::string type;
    std::string params;
    std::string doc;
};

std::string ParamText(const Param &p) {
    std::string text = p.name ? p.name : "?";
    if (p.type != VT_VARIANT) text += ": " + TypeName(p.type);
    if (p.flags & kParamOptional) text = "[" + text + "]";
    if (p.flags & kParamOut) text += " (in/out)";
    return text;
}

std::vector<Row> Rows(ITypeInfo *info) {
    std::vector<Row> rows;
    TYPEATTR attr;
    if (FAILED(info->GetTypeAttr(&attr))) return rows;
    for (UINT i = 0; i < attr.cFuncs; ++i) {
        const Member *m = nullptr;
        if (FAILED(info->GetFuncDesc(i, &m))) continue;
        const char *kind = m->kind == MemberKind::Method ? "method" : m->kind == MemberKind::Get ? "get" : "put";
        Row *row = nullptr;
        if (m->kind != MemberKind::Method) {
            for (Row &r : rows) {
                if (r.dispid == m->dispid && r.name == m->name && r.kind != "method") row = &r;
            }
        }
        if (row) {
            row->kind = "get/put";
        } else {
            rows.push_back({m->dispid, m->name, kind, "", "", ""});
            row = &rows.back();
        }
        if (row->type.empty() && m->type != VT_EMPTY) row->type = TypeName(m->type);
        if (row->doc.empty() && m->doc) row->doc = m->doc;
        if (row->params.empty()) {
            UINT count = m->kind == MemberKind::Put ? m->paramCount - 1u : m->paramCount;
            for (UINT k = 0; k < count; ++k) {
                if (!row->params.empty()) row->params += ", ";
                row->params += ParamText(m->params[k]);
            }
        }
    }
    return rows;
}

std::string Pad(std::string text, std::size_t width) {
    if (text.size() < width) text.append(width - text.size(), ' ');
    return text;
}

std::string Right(const std::string &text, std::size_t width) {
    return text.size() < width ? std::string(width - text.size(), ' ') + text : text;
}

void WriteRows(ITypeInfo *info, ReferenceFormat format, std::string *out) {
    std::vector<Row> rows = Rows(info);
    if (format == ReferenceFormat::Markdown) {
        *out += "| DISPID | Member | Kind | Type | Parameters | Description |\n|---|---|---|---|---|---|\n";
        for (const Row &r : rows) {
            *out += "| " + std::to_string(r.dispid) + " | `" + r.name + "` | " + r.kind + " | " + r.type + " | " +
                    r.params + " | " + r.doc + " |\n";
        }
        return;
    }
    std::size_t nameWidth = 6;
    for (const Row &r : rows) nameWidth = std::max(nameWidth, r.name.size());
    for (const Row &r : rows) {
        std::string line = Right(std::to_string(r.dispid), 6) + "  " + Pad(r.name, nameWidth) + "  " + Pad(r.kind, 7) +
                           "  " + Pad(r.type, 8) + "  " + r.params;
        while (!line.empty() && line.back() == ' ') line.pop_back();
        *out += line + "\n";
    }
}

std::string NameOf(ITypeInfo *info) {
    BSTR name = nullptr;
    info->GetDocumentation(MEMBERID_NIL, &name, nullptr);
    return Take(name);
}

void WriteEnum(ITypeInfo *info, const std::string &alias, ReferenceFormat format, std::string *out) {
    TYPEATTR attr;
    if (FAILED(info->GetTypeAttr(&attr))) return;
    std::string name = NameOf(info);
    if (format == ReferenceFormat::Markdown) {
        *out +=
            "### " + name + (alias.empty() ? "" : " (alias " + alias + ")") + "\n\n| Constant | Value |\n|---|---|\n";
    } else {
        *out += "enum " + name + (alias.empty() ? "" : " (" + alias + ")") + "\n";
    }
    for (UINT i = 0; i < attr.cVars; ++i) {
        const EnumConstant *c = nullptr;
        if (FAILED(info->GetVarDesc(i, &c))) continue;
        if (format == ReferenceFormat::Markdown) {
            *out += "| `" + std::string(c->name) + "` | " + std::to_string(c->value) + " |\n";
        } else {
            *out += "  " + std::string(c->name) + " = " + std::to_string(c->value) + "\n";
        }
    }
    *out += format == ReferenceFormat::Markdown ? "\n" : "";
}

}  // namespace

std::string TypeName(VARTYPE vt) {
    if (vt & VT_ARRAY) return TypeName(vt & ~VT_ARRAY) + "()";
    switch (vt) {
        case VT_EMPTY: return "";
        case VT_I2: return "short";
        case VT_I4: return "long";
        case VT_R4: return "single";
        case VT_R8: return "double";
        case VT_DATE: return "date";
        case VT_BSTR: return "string";
        case VT_DISPATCH: return "object";
        case VT_ERROR: return "error";
        case VT_BOOL: return "boolean";
        case VT_VARIANT: return "variant";
        case VT_UNKNOWN: return "unknown";
        case VT_UI1: return "byte";
        default: return "type " + std::to_string(vt);
    }
}

HRESULT WriteInterfaceReference(ITypeInfo *info, ReferenceFormat format, std::string *out) {
    if (!info || !out) return E_POINTER;
    TYPEATTR attr;
    HRESULT hr = info->GetTypeAttr(&attr);
    if (FAILED(hr)) return hr;
    if (attr.typekind != TKIND_DISPATCH) return TYPE_E_ELEMENTNOTFOUND;
    BSTR name = nullptr, doc = nullptr;
    info->GetDocumentation(MEMBERID_NIL, &name, &doc);
    std::string title = Take(name), text = Take(doc);
    std::string iid = FormatGuid(attr.guid);
    if (format == ReferenceFormat::Markdown) {
        *out +=
            "## " + title + "\n\n" + (text.empty() ? "" : text + "\n\n") + "Interface identifier `" + iid + "`.\n\n";
        WriteRows(info, format, out);
        *out += "\n";
    } else {
        *out += title + " " + iid + "\n";
        WriteRows(info, format, out);
    }
    return S_OK;
}

HRESULT WriteReference(ITypeLib *lib, ReferenceFormat format, std::string *out) {
    if (!lib || !out) return E_POINTER;
    BSTR name = nullptr, title = nullptr;
    lib->GetDocumentation(-1, &name, &title);
    TLIBATTR attr{};
    lib->GetLibAttr(&attr);
    std::string version = std::to_string(attr.wMajorVerNum) + "." + std::to_string(attr.wMinorVerNum);
    std::string head = Take(name) + " " + version + " - " + Take(title);
    *out += format == ReferenceFormat::Markdown ? "# " + head + "\n\n" : head + "\n";
    UINT count = lib->GetTypeInfoCount();
    for (UINT i = 0; i < count; ++i) {
        ComPtr<ITypeInfo> info;
        if (FAILED(lib->GetTypeInfo(i, info.Out()))) continue;
        TYPEATTR type;
        if (FAILED(info->GetTypeAttr(&type))) continue;
        switch (type.typekind) {
            case TKIND_ENUM: {
                // The alias, when there is one, is the entry that follows.
                std::string alias;
                ComPtr<ITypeInfo> next;
                TYPEATTR nextType;
                if (i + 1 < count && SUCCEEDED(lib->GetTypeInfo(i + 1, next.Out())) &&
                    SUCCEEDED(next->GetTypeAttr(&nextType)) && nextType.typekind == TKIND_ALIAS) {
                    alias = NameOf(next.get());
                }
                WriteEnum(info.get(), alias, format, out);
                break;
            }
            case TKIND_DISPATCH: WriteInterfaceReference(info.get(), format, out); break;
            case TKIND_COCLASS: {
                std::string line = "class " + NameOf(info.get()) + " " + FormatGuid(type.guid);
                for (UINT k = 0; k < type.cImplTypes; ++k) {
                    ComPtr<ITypeInfo> impl;
                    int flags = 0;
                    if (FAILED(info->GetImplTypeInfo(k, impl.Out(), &flags))) continue;
                    line += (flags & IMPLTYPEFLAG_FSOURCE ? ", events " : ", interface ") + NameOf(impl.get());
                }
                *out += format == ReferenceFormat::Markdown ? "## " + line + "\n\n" : line + "\n";
                break;
            }
            default: break;
        }
    }
    return S_OK;
}

}  // namespace qs::automation
