// Shared by the registration and creation files; not part of the runtime's interface.
#pragma once
#include <string>
#include "platform/automation/guid.h"

namespace qs::automation::detail {

// The module path registered under CLSID\{clsid}\InprocServer32.
bool RegisteredModulePath(REFCLSID clsid, std::string *path);

}  // namespace qs::automation::detail
