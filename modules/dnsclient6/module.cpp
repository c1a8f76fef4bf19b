// The dnsclient6 module: serves DnsClient ("Quillstream.DnsClient.6") and registers it.
#include "core/control/module_entry.h"
#include "core/control/module_version.h"
#include "dns/control/dns_client.h"

using namespace qs::automation;

namespace {

extern ModuleServer gServer;
const ServedClass kServed[] = {
    {&qs::dns::kDnsClientClass, &CreateObject<qs::control::ServedObject<qs::dns::DnsClient, gServer>>}};
ModuleServer gServer(kServed);

}  // namespace

QS_MODULE_VERSION_NOTE(QS_FILE_VERSION);
QS_CONTROL_MODULE_ENTRY_POINTS(gServer)
