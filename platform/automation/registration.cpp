// Writing, reading and removing the registration data of classes in the registry store.
#include <string>
#include "platform/automation/classes.h"
#include "platform/automation/classes_internal.h"
#include "platform/base/registry.h"

namespace qs::automation {
namespace {

constexpr DWORD kMaxRegistryText = 4096;  // longest registration value read back

bool WriteText(const std::string &path, const char *name, const std::string &value) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        return false;
    }
    LONG rc = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(value.c_str()),
                             static_cast<DWORD>(value.size() + 1));
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

bool WriteDefault(const std::string &path, const std::string &value) { return WriteText(path, "", value); }

bool CreateKey(const std::string &path) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

bool ReadDefault(const std::string &path, std::string *value) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    char buffer[kMaxRegistryText];
    DWORD size = sizeof buffer;
    DWORD type = REG_NONE;
    LONG rc = RegQueryValueExA(key, "", nullptr, &type, reinterpret_cast<BYTE *>(buffer), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS || type != REG_SZ || size == 0) return false;
    value->assign(buffer, size - 1);  // size counts the terminator
    return true;
}

void DeleteTree(const std::string &path) { RegDeleteTreeA(HKEY_CLASSES_ROOT, path.c_str()); }

std::string Version(const TypeLibInfo &lib) { return std::to_string(lib.major) + "." + std::to_string(lib.minor); }

bool WriteInterface(const InterfaceInfo *info, const TypeLibInfo &lib) {
    if (!info) return true;
    std::string key = "Interface\\" + FormatGuid(info->iid);
    return WriteDefault(key, info->name) && WriteDefault(key + "\\TypeLib", FormatGuid(lib.libid)) &&
           WriteText(key + "\\TypeLib", "Version", Version(lib));
}

}  // namespace

HRESULT RegisterClassInfo(const ClassInfo &info, const char *modulePath) {
    if (!modulePath || !info.progId) return E_INVALIDARG;
    std::string clsid = FormatGuid(info.clsid);
    std::string path = modulePath;
    bool ok = WriteDefault(info.progId, info.description) && WriteDefault(std::string(info.progId) + "\\CLSID", clsid);
    if (ok && info.versionIndependentProgId) {
        std::string vi = info.versionIndependentProgId;
        ok = WriteDefault(vi, info.description) && WriteDefault(vi + "\\CLSID", clsid) &&
             WriteDefault(vi + "\\CurVer", info.progId);
    }
    std::string key = "CLSID\\" + clsid;
    ok = ok && WriteDefault(key, info.description) && WriteDefault(key + "\\ProgID", info.progId) &&
         WriteDefault(key + "\\InprocServer32", path) &&
         WriteText(key + "\\InprocServer32", "ThreadingModel", info.threadingModel ? info.threadingModel : "Apartment");
    if (ok && info.versionIndependentProgId) {
        ok = WriteDefault(key + "\\VersionIndependentProgID", info.versionIndependentProgId);
    }
    if (ok && info.control) {
        ok = CreateKey(key + "\\Programmable") && CreateKey(key + "\\Control") && CreateKey(key + "\\Insertable");
        if (ok && info.toolboxBitmap) {
            ok = WriteDefault(key + "\\ToolboxBitmap32", path + ", " + std::to_string(info.toolboxBitmap));
        }
    }
    if (ok && info.miscStatus) {
        ok = WriteDefault(key + "\\MiscStatus", "0") &&
             WriteDefault(key + "\\MiscStatus\\1", std::to_string(info.miscStatus));
    }
    if (ok && info.typeLib) {
        const TypeLibInfo &lib = *info.typeLib;
        std::string libKey = "TypeLib\\" + FormatGuid(lib.libid) + "\\" + Version(lib);
        ok = WriteDefault(key + "\\TypeLib", FormatGuid(lib.libid)) && WriteDefault(key + "\\Version", Version(lib)) &&
             WriteDefault(libKey, lib.title ? lib.title : "") && WriteDefault(libKey + "\\0\\linux64", path) &&
             WriteDefault(libKey + "\\FLAGS", "0") && WriteInterface(info.dispatch, lib) &&
             WriteInterface(info.events, lib);
    }
    return ok ? S_OK : REGDB_E_WRITEREGDB;
}

HRESULT UnregisterClassInfo(const ClassInfo &info) {
    if (!info.progId) return E_INVALIDARG;
    if (info.versionIndependentProgId) {
        std::string current;
        std::string vi = info.versionIndependentProgId;
        if (!ReadDefault(vi + "\\CurVer", &current) || current == info.progId) DeleteTree(vi);
    }
    DeleteTree(info.progId);
    DeleteTree("CLSID\\" + FormatGuid(info.clsid));
    if (info.typeLib) {
        DeleteTree("TypeLib\\" + FormatGuid(info.typeLib->libid));
        if (info.dispatch) DeleteTree("Interface\\" + FormatGuid(info.dispatch->iid));
        if (info.events) DeleteTree("Interface\\" + FormatGuid(info.events->iid));
    }
    return S_OK;
}

HRESULT ClsidFromProgId(std::string_view progId, CLSID *clsid) {
    if (!clsid) return E_POINTER;
    std::string name(progId);
    if (name.empty() || name.find('\\') != std::string::npos) return CO_E_CLASSSTRING;
    std::string text;
    if (!ReadDefault(name + "\\CLSID", &text)) {
        std::string current;
        if (!ReadDefault(name + "\\CurVer", &current) || current.find('\\') != std::string::npos ||
            !ReadDefault(current + "\\CLSID", &text)) {
            return CO_E_CLASSSTRING;
        }
    }
    return ParseGuid(text, clsid) ? S_OK : CO_E_CLASSSTRING;
}

HRESULT ProgIdFromClsid(REFCLSID clsid, std::string *progId) {
    if (!progId) return E_POINTER;
    return ReadDefault("CLSID\\" + FormatGuid(clsid) + "\\ProgID", progId) ? S_OK : REGDB_E_CLASSNOTREG;
}

namespace detail {

bool RegisteredModulePath(REFCLSID clsid, std::string *path) {
    return ReadDefault("CLSID\\" + FormatGuid(clsid) + "\\InprocServer32", path) && !path->empty();
}

}  // namespace detail
}  // namespace qs::automation

HRESULT CLSIDFromProgID(LPCOLESTR progId, CLSID *clsid) {
    if (!progId) return E_INVALIDARG;
    return qs::automation::ClsidFromProgId(qs::automation::Utf8FromUtf16(progId), clsid);
}
