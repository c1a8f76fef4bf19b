// The whoisclient6 module: serves WhoisClient ("Quillstream.WhoisClient.6") and registers it.
#include "core/control/module_entry.h"
#include "core/control/module_version.h"
#include "whois/control/whois_client.h"

using namespace qs::automation;

namespace {

extern ModuleServer gServer;
const ServedClass kServed[] = {
    {&qs::whois::kWhoisClientClass, &CreateObject<qs::control::ServedObject<qs::whois::WhoisClient, gServer>>}};
ModuleServer gServer(kServed);

}  // namespace

QS_MODULE_VERSION_NOTE(QS_FILE_VERSION);
QS_CONTROL_MODULE_ENTRY_POINTS(gServer)
