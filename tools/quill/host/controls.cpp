#include "tools/quill/host/controls.h"

#include <cstdio>
#include <filesystem>

#include "core/control/module_version.h"
#include "platform/automation/classes.h"
#include "platform/automation/server.h"
#include "platform/base/errors.h"
#include "platform/base/module.h"
#include "platform/base/thread.h"

namespace quill {
namespace {

constexpr DWORD kPathCap = 4096;

// The control modules next to the platform library: those that carry a version note and serve classes.
void RegisterLibFolder()
{
    char path[kPathCap];
    const DWORD n = GetModuleFileNameA(QsModuleFromAddress(reinterpret_cast<const void *>(&LoadLibraryA)), path,
                                       sizeof path);
    if (n == 0 || n >= sizeof path)
        return;
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    for (const auto &entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string file = entry.path().string();
        qs::control::FileVersion version;
        if (entry.path().extension() != ".so" || !qs::control::ReadModuleFileVersion(file.c_str(), &version))
            continue;
        std::string registered;
        RegisterModule(file, false, &registered);
    }
}

}  // namespace

HRESULT CreateControl(const std::string &progId, IDispatch **control)
{
    HRESULT hr = qs::automation::CreateInstanceByName(progId, IID_IDispatch, reinterpret_cast<void **>(control));
    if (hr == CO_E_CLASSSTRING || hr == REGDB_E_CLASSNOTREG) {
        RegisterLibFolder();
        hr = qs::automation::CreateInstanceByName(progId, IID_IDispatch, reinterpret_cast<void **>(control));
    }
    return hr;
}

HRESULT RegisterModule(const std::string &module, bool unregister, std::string *path)
{
    *path = module;
    HMODULE handle = LoadLibraryA(module.c_str());
    if (handle == nullptr) {
        const DWORD error = GetLastError();
        return HRESULT_FROM_WIN32(error != 0 ? error : ERROR_MOD_NOT_FOUND);
    }
    char file[kPathCap];
    const DWORD n = GetModuleFileNameA(handle, file, sizeof file);
    if (n > 0 && n < sizeof file)
        path->assign(file, n);
    const char *name = unregister ? "DllUnregisterServer" : "DllRegisterServer";
    auto entry = reinterpret_cast<DllRegisterServerFn>(GetProcAddress(handle, name));
    const HRESULT hr = entry != nullptr ? entry() : CO_E_ERRORINDLL;
    FreeLibrary(handle);
    return hr;
}

std::string ErrorLine(HRESULT result, const std::string &description)
{
    std::string text = description;
    if (text.empty() && HresultText(result) != nullptr)
        text = HresultText(result);
    if (text.empty())
        text = "Unknown error";
    char line[64];
    std::snprintf(line, sizeof line, "error 0x%08X: ", static_cast<unsigned>(result));
    return line + text;
}

}  // namespace quill
