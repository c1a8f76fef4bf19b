// What every control module adds to its classes: the four entry points the runtime calls, the start of
// the module's own copy of the core when it is loaded (and its stop when it is unloaded), and a lock on
// the module for each object it serves.
//
//   extern ModuleServer gServer;
//   const ServedClass kServed[] = {{&kTimeClientClass, &CreateObject<ServedObject<TimeClient, gServer>>}};
//   ModuleServer gServer(kServed);
//   QS_CONTROL_MODULE_ENTRY_POINTS(gServer)
#pragma once
#include "core/library/core_state.h"
#include "platform/automation/server.h"
#include "platform/base/module.h"

namespace qs::control {

// An object of class T that keeps its module loaded while it lives.
template <class T, automation::ModuleServer &Server>
class ServedObject final : public T {
    automation::ModuleLock lock_{Server};
};

}  // namespace qs::control

#define QS_CONTROL_MODULE_ENTRY_POINTS(server)                                                  \
    QS_MODULE_EXPORT HRESULT DllGetClassObject(REFCLSID clsid, REFIID iid, void **out)          \
    {                                                                                           \
        return server.GetClassObject(clsid, iid, out);                                         \
    }                                                                                           \
    QS_MODULE_EXPORT HRESULT DllCanUnloadNow() { return server.CanUnloadNow(); }                \
    QS_MODULE_EXPORT HRESULT DllRegisterServer() { return server.Register(); }                  \
    QS_MODULE_EXPORT HRESULT DllUnregisterServer() { return server.Unregister(); }              \
    __attribute__((constructor)) static void QsControlModuleLoad()                              \
    {                                                                                           \
        ::qs::CoreStart(QsModuleFromAddress(reinterpret_cast<const void *>(&QsControlModuleLoad))); \
    }                                                                                           \
    __attribute__((destructor)) static void QsControlModuleUnload() { ::qs::CoreStop(); }
