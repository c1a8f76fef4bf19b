// Finding and creating controls for the host.
#pragma once
#include <string>

#include "platform/automation/dispatch.h"

namespace quill {

// Creates the control registered under `progId` (or a braced class identifier). When the name is not
// registered, the control modules of the host's lib folder (the folder holding the platform library)
// are registered first and the creation is tried once more.
HRESULT CreateControl(const std::string &progId, IDispatch **control);
// Loads `module` (a path or a platform name) and calls its DllRegisterServer or DllUnregisterServer.
HRESULT RegisterModule(const std::string &module, bool unregister, std::string *path);
// "error 0x80020005: Type mismatch": the result with the description it came with, else its own text.
std::string ErrorLine(HRESULT result, const std::string &description);

}  // namespace quill
