// quill time HOST [--port N] [--timeout S] [--local]: asks HOST's time server (RFC 868 over UDP) through
// the TimeClient control and prints the date and time of its answer, in UTC or local time.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/automation/invoke.h"
#include "tools/quill/command.h"
#include "tools/quill/host/controls.h"

namespace {

using qs::automation::Variant;

bool ParseNumber(const std::string &text, int low, int high, int *value)
{
    char *end = nullptr;
    const long number = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || number < low || number > high)
        return false;
    *value = static_cast<int>(number);
    return true;
}

constexpr const char kUsage[] = "time HOST [--port N] [--timeout S] [--local]";

int RunTime(const quill::Args &input)
{
    quill::Args args = input;
    std::string value;
    int port = 0;
    int timeout = 0;
    if (quill::TakeOption(args, "--port", &value) && !ParseNumber(value, 1, 65535, &port))
        return quill::Usage({"time", kUsage, RunTime});
    if (quill::TakeOption(args, "--timeout", &value) && !ParseNumber(value, 1, 600, &timeout))
        return quill::Usage({"time", kUsage, RunTime});
    const bool local = quill::TakeFlag(args, "--local");
    if (args.size() != 1)
        return quill::Usage({"time", kUsage, RunTime});

    qs::automation::ComPtr<IDispatch> control;
    HRESULT hr = quill::CreateControl("Quillstream.TimeClient.6", control.Out());
    if (SUCCEEDED(hr) && port != 0)
        hr = qs::automation::PutProperty(control.get(), "RemotePort", Variant(port));
    if (SUCCEEDED(hr) && timeout != 0)
        hr = qs::automation::PutProperty(control.get(), "Timeout", Variant(timeout));
    Variant answer;
    Variant callArgs[] = {Variant(args[0]), Variant::Missing(), Variant::Missing(), Variant(local)};
    if (SUCCEEDED(hr))
        hr = qs::automation::CallMethod(control.get(), "GetTime", qs::automation::AsVariants(callArgs, 4), &answer);
    if (FAILED(hr)) {
        std::fprintf(stderr, "%s\n", quill::ErrorLine(hr, {}).c_str());
        return 1;
    }
    const std::string text = answer.text();
    if (text.empty()) {
        Variant number, message;
        qs::automation::GetProperty(control.get(), "LastError", &number);
        qs::automation::GetProperty(control.get(), "LastErrorString", &message);
        std::fprintf(stderr, "error %s: %s\n", number.text().c_str(), message.text().c_str());
        return 1;
    }
    std::printf("%s %s\n", text.c_str(), local ? "local" : "UTC");
    return 0;
}

}  // namespace

QUILL_COMMAND(time, kUsage, RunTime);
