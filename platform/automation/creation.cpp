// Creation of registered classes: the process's table of loaded modules and their class factories.
#include <mutex>
#include <vector>
#include "platform/automation/classes.h"
#include "platform/automation/classes_internal.h"
#include "platform/automation/server.h"
#include "platform/base/errors.h"
#include "platform/base/module.h"
#include "platform/base/thread.h"

namespace {

struct LoadedModule {
    std::string path;
    HMODULE module;
};

std::mutex gModulesLock;
std::vector<LoadedModule> gModules;  // each registered module is loaded once

HRESULT LoadModule(const std::string &path, HMODULE *module) {
    std::lock_guard<std::mutex> hold(gModulesLock);
    for (const LoadedModule &m : gModules) {
        if (m.path == path) {
            *module = m.module;
            return S_OK;
        }
    }
    HMODULE loaded = LoadLibraryA(path.c_str());
    if (!loaded) {
        DWORD error = GetLastError();
        return HRESULT_FROM_WIN32(error ? error : ERROR_MOD_NOT_FOUND);
    }
    gModules.push_back({path, loaded});
    *module = loaded;
    return S_OK;
}

}  // namespace

HRESULT CoGetClassObject(REFCLSID clsid, DWORD context, void *, REFIID iid, void **out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!(context & CLSCTX_INPROC_SERVER)) return REGDB_E_CLASSNOTREG;
    std::string path;
    if (!qs::automation::detail::RegisteredModulePath(clsid, &path)) return REGDB_E_CLASSNOTREG;
    HMODULE module = nullptr;
    HRESULT hr = LoadModule(path, &module);
    if (FAILED(hr)) return hr;
    auto entry = reinterpret_cast<DllGetClassObjectFn>(GetProcAddress(module, "DllGetClassObject"));
    if (!entry) return CO_E_ERRORINDLL;
    return entry(clsid, iid, out);
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown *outer, DWORD context, REFIID iid, void **out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    qs::automation::ComPtr<IClassFactory> factory;
    HRESULT hr = CoGetClassObject(clsid, context, nullptr, IID_IClassFactory, factory.OutVoid());
    if (FAILED(hr)) return hr;
    return factory->CreateInstance(nullptr, iid, out);
}

void CoFreeUnusedLibraries() {
    std::lock_guard<std::mutex> hold(gModulesLock);
    for (auto it = gModules.begin(); it != gModules.end();) {
        auto canUnload = reinterpret_cast<DllCanUnloadNowFn>(GetProcAddress(it->module, "DllCanUnloadNow"));
        if (canUnload && canUnload() == S_OK) {
            FreeLibrary(it->module);
            it = gModules.erase(it);
        } else {
            ++it;
        }
    }
}

namespace qs::automation {

HRESULT CreateInstanceByName(std::string_view name, REFIID iid, void **out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    CLSID clsid;
    HRESULT hr = !name.empty() && name.front() == '{' ? (ParseGuid(name, &clsid) ? S_OK : CO_E_CLASSSTRING)
                                                      : ClsidFromProgId(name, &clsid);
    if (FAILED(hr)) return hr;
    return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, out);
}

}  // namespace qs::automation
