// For module writers: the entry points every module that serves classes exports, and the helper that
// implements them from a table of the classes it serves.
//
//   static const ServedClass kClasses[] = {{&kTimeClientClass, &CreateObject<TimeClient>}};
//   ModuleServer gServer(kClasses);
//   QS_MODULE_EXPORT HRESULT DllGetClassObject(REFCLSID clsid, REFIID iid, void **out) {
//       return gServer.GetClassObject(clsid, iid, out);
//   }
//   QS_MODULE_EXPORT HRESULT DllCanUnloadNow() { return gServer.CanUnloadNow(); }
//   QS_MODULE_EXPORT HRESULT DllRegisterServer() { return gServer.Register(); }
//   QS_MODULE_EXPORT HRESULT DllUnregisterServer() { return gServer.Unregister(); }
//
// Objects the module creates hold a ModuleLock, so the module is not unloaded while they live.
#pragma once
#include <atomic>
#include "platform/automation/classes.h"

#define QS_MODULE_EXPORT extern "C" __attribute__((visibility("default")))

// The entry points, as the runtime finds them by name.
using DllGetClassObjectFn = HRESULT (*)(REFCLSID clsid, REFIID iid, void **out);
using DllCanUnloadNowFn = HRESULT (*)();       // S_OK when no object or lock is left
using DllRegisterServerFn = HRESULT (*)();     // writes the registration data of every class
using DllUnregisterServerFn = HRESULT (*)();   // removes it

namespace qs::automation {

struct ServedClass {
    const ClassInfo *info;
    HRESULT (*create)(REFIID iid, void **out);  // for example &CreateObject<TimeClient>
};

class ModuleServer {
public:
    explicit constexpr ModuleServer(std::span<const ServedClass> classes) : classes_(classes) {}

    // CLASS_E_CLASSNOTAVAILABLE for a class the module does not serve.
    HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void **out);
    HRESULT CanUnloadNow() const { return locks_.load() == 0 ? S_OK : S_FALSE; }
    // Registers every class with the path of the module that holds this server.
    HRESULT Register();
    HRESULT Unregister();
    void Lock() { ++locks_; }
    void Unlock() { --locks_; }

private:
    std::span<const ServedClass> classes_;
    std::atomic<long> locks_{0};
};

// Keeps the module loaded for as long as it lives.
class ModuleLock {
public:
    explicit ModuleLock(ModuleServer &server) : server_(server) { server_.Lock(); }
    ~ModuleLock() { server_.Unlock(); }
    ModuleLock(const ModuleLock &) = delete;
    ModuleLock &operator=(const ModuleLock &) = delete;

private:
    ModuleServer &server_;
};

}  // namespace qs::automation
