// The sample control as a module: served by class identifier, registered and unregistered by the tests.
#include "platform/automation/server.h"
#include "tests/automation/sample.h"

using namespace qs::automation;

namespace {

extern ModuleServer gServer;

class ModuleSample final : public Sample {
    ModuleLock lock_{gServer};
};

const ServedClass kServed[] = {{&kSampleClass, &CreateObject<ModuleSample>}};
ModuleServer gServer(kServed);

}  // namespace

QS_MODULE_EXPORT HRESULT DllGetClassObject(REFCLSID clsid, REFIID iid, void **out) {
    return gServer.GetClassObject(clsid, iid, out);
}
QS_MODULE_EXPORT HRESULT DllCanUnloadNow() { return gServer.CanUnloadNow(); }
QS_MODULE_EXPORT HRESULT DllRegisterServer() { return gServer.Register(); }
QS_MODULE_EXPORT HRESULT DllUnregisterServer() { return gServer.Unregister(); }
