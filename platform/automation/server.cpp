#include "platform/automation/server.h"

#include "platform/base/module.h"

namespace qs::automation {
namespace {

constexpr DWORD kMaxModulePath = 4096;

class ClassFactory final : public Object<ClassFactory, IClassFactory> {
public:
    using Interfaces = InterfaceList<IClassFactory>;
    ClassFactory(ModuleServer &server, HRESULT (*create)(REFIID, void **))
        : lock_(server), server_(server), create_(create) {}

    HRESULT CreateInstance(IUnknown *outer, REFIID iid, void **out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        return create_(iid, out);
    }
    HRESULT LockServer(BOOL lock) override {
        if (lock) server_.Lock();
        else server_.Unlock();
        return S_OK;
    }

private:
    ModuleLock lock_;  // the factory's code is here, but its create function is the module's
    ModuleServer &server_;
    HRESULT (*create_)(REFIID, void **);
};

}  // namespace

HRESULT ModuleServer::GetClassObject(REFCLSID clsid, REFIID iid, void **out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    for (const ServedClass &c : classes_) {
        if (c.info->clsid == clsid) return CreateObject<ClassFactory>(iid, out, *this, c.create);
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT ModuleServer::Register() {
    char path[kMaxModulePath];
    DWORD n = GetModuleFileNameA(QsModuleFromAddress(this), path, sizeof path);
    if (n == 0 || n >= sizeof path) return E_FAIL;
    for (const ServedClass &c : classes_) {
        HRESULT hr = RegisterClassInfo(*c.info, path);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

HRESULT ModuleServer::Unregister() {
    HRESULT result = S_OK;
    for (const ServedClass &c : classes_) {
        HRESULT hr = UnregisterClassInfo(*c.info);
        if (FAILED(hr)) result = hr;
    }
    return result;
}

}  // namespace qs::automation
