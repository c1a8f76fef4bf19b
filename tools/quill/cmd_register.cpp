// quill register MODULE... and quill unregister MODULE...: write or remove the registration data of
// the classes each module serves (a path, or a platform name such as timeclient6).
#include <cstdio>

#include "tools/quill/command.h"
#include "tools/quill/host/controls.h"

namespace {

int Register(const quill::Args &args, bool unregister, const quill::Command &command)
{
    if (args.empty())
        return quill::Usage(command);
    int status = 0;
    for (const std::string &module : args) {
        std::string path;
        const HRESULT hr = quill::RegisterModule(module, unregister, &path);
        if (SUCCEEDED(hr)) {
            std::printf("%s %s\n", unregister ? "unregistered" : "registered", path.c_str());
        } else {
            std::printf("%s (%s)\n", quill::ErrorLine(hr, {}).c_str(), path.c_str());
            status = 1;
        }
    }
    return status;
}

int RunRegister(const quill::Args &args);
int RunUnregister(const quill::Args &args);
constexpr quill::Command kRegister{"register", "register MODULE...", RunRegister};
constexpr quill::Command kUnregister{"unregister", "unregister MODULE...", RunUnregister};
int RunRegister(const quill::Args &args) { return Register(args, false, kRegister); }
int RunUnregister(const quill::Args &args) { return Register(args, true, kUnregister); }

}  // namespace

QUILL_COMMAND(register, kRegister.usage, RunRegister);
QUILL_COMMAND(unregister, kUnregister.usage, RunUnregister);
