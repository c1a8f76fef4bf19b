// quill do PROGID OP...: drives any control by name through its dispatch interface, one operation per
// argument, in order, on one object (see host/operations.h). When PROGID is not registered, the control
// modules of the lib folder are registered first. Exit status 1 when any operation failed.
#include <cstdio>

#include "tools/quill/command.h"
#include "tools/quill/host/controls.h"
#include "tools/quill/host/operations.h"

namespace {

constexpr const char kUsage[] = "do PROGID OP...  (Name=Value, Name, Name(arg, ...), Name(index)=Value, wait(ms))";

int RunDo(const quill::Args &args)
{
    if (args.empty())
        return quill::Usage({"do", kUsage, RunDo});
    qs::automation::ComPtr<IDispatch> control;
    const HRESULT hr = quill::CreateControl(args[0], control.Out());
    if (FAILED(hr)) {
        std::printf("%s (creating %s)\n", quill::ErrorLine(hr, {}).c_str(), args[0].c_str());
        return 1;
    }
    bool failed = false;
    {
        quill::ControlSession session(control.get());
        for (std::size_t i = 1; i < args.size(); ++i)
            failed |= !session.Run(args[i]);
    }
    std::fflush(stdout);
    return failed ? 1 : 0;
}

}  // namespace

QUILL_COMMAND(do, kUsage, RunDo);
