// quill members PROGID [--markdown]: the control's members and events from its type information
// (dispatch identifier, name, kind, type and parameters), as its member table declares them.
#include <cstdio>

#include "platform/automation/typeinfo.h"
#include "tools/quill/command.h"
#include "tools/quill/host/controls.h"

namespace {

constexpr const char kUsage[] = "members PROGID [--markdown]";

int RunMembers(const quill::Args &input)
{
    quill::Args args = input;
    const auto format = quill::TakeFlag(args, "--markdown") ? qs::automation::ReferenceFormat::Markdown
                                                            : qs::automation::ReferenceFormat::Text;
    if (args.size() != 1)
        return quill::Usage({"members", kUsage, RunMembers});
    qs::automation::ComPtr<IDispatch> control;
    HRESULT hr = quill::CreateControl(args[0], control.Out());
    qs::automation::ComPtr<ITypeInfo> members, events;
    if (SUCCEEDED(hr))
        hr = control->GetTypeInfo(0, 0, members.Out());
    std::string text;
    if (SUCCEEDED(hr))
        hr = qs::automation::WriteInterfaceReference(members.get(), format, &text);
    if (FAILED(hr)) {
        std::printf("%s (%s)\n", quill::ErrorLine(hr, {}).c_str(), args[0].c_str());
        return 1;
    }
    if (SUCCEEDED(qs::automation::GetEventTypeInfo(control.get(), events.Out())))
        qs::automation::WriteInterfaceReference(events.get(), format, &text);
    std::fputs(text.c_str(), stdout);
    return 0;
}

}  // namespace

QUILL_COMMAND(members, kUsage, RunMembers);
