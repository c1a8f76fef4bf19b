// The timeclient6 module: serves TimeClient ("Quillstream.TimeClient.6") and registers it.
#include "core/control/module_entry.h"
#include "core/control/module_version.h"
#include "time/control/time_client.h"

using namespace qs::automation;

namespace {

extern ModuleServer gServer;
const ServedClass kServed[] = {
    {&qs::time::kTimeClientClass, &CreateObject<qs::control::ServedObject<qs::time::TimeClient, gServer>>}};
ModuleServer gServer(kServed);

}  // namespace

QS_MODULE_VERSION_NOTE(QS_FILE_VERSION);
QS_CONTROL_MODULE_ENTRY_POINTS(gServer)
