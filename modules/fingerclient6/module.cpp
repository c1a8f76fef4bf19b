// The fingerclient6 module: serves FingerClient ("Quillstream.FingerClient.6") and registers it.
#include "core/control/module_entry.h"
#include "core/control/module_version.h"
#include "finger/control/finger_client.h"

using namespace qs::automation;

namespace {

extern ModuleServer gServer;
const ServedClass kServed[] = {
    {&qs::finger::kFingerClientClass, &CreateObject<qs::control::ServedObject<qs::finger::FingerClient, gServer>>}};
ModuleServer gServer(kServed);

}  // namespace

QS_MODULE_VERSION_NOTE(QS_FILE_VERSION);
QS_CONTROL_MODULE_ENTRY_POINTS(gServer)
