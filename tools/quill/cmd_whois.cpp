// quill whois QUERY [--host H] [--port N] [--type T] [--timeout S]: searches the whois directory of H
// (port 43 unless N) for QUERY through the WhoisClient control in blocking mode and copies the answer to
// standard output as it arrives, byte for byte. T is a search type: any (0), handle (1, "!"), name (2,
// ".") or mailbox (3, "@"). Referrals in the answer are printed, not followed.
#include <cstdio>
#include <string>

#include "platform/automation/invoke.h"
#include "tools/quill/answer.h"
#include "tools/quill/command.h"
#include "tools/quill/host/controls.h"

namespace {

using qs::automation::Variant;

constexpr const char kUsage[] = "whois QUERY [--host H] [--port N] [--type any|handle|name|mailbox|0-3] [--timeout S]";
constexpr const char *kTypeNames[] = {"any", "handle", "name", "mailbox"};

bool ParseType(const std::string &text, long *type)
{
    for (long i = 0; i < 4; ++i) {
        if (text == kTypeNames[i]) {
            *type = i;
            return true;
        }
    }
    return quill::ParseNumber(text, 0, 3, type);
}

int RunWhois(const quill::Args &input)
{
    quill::Args args = input;
    std::string host, value;
    long port = 0, type = 0, timeout = 0;
    quill::TakeOption(args, "--host", &host);
    if ((quill::TakeOption(args, "--port", &value) && !quill::ParseNumber(value, 1, 65535, &port)) ||
        (quill::TakeOption(args, "--type", &value) && !ParseType(value, &type)) ||
        (quill::TakeOption(args, "--timeout", &value) && !quill::ParseNumber(value, 1, 600, &timeout)) ||
        args.size() != 1)
        return quill::Usage({"whois", kUsage, RunWhois});

    qs::automation::ComPtr<IDispatch> control;
    HRESULT hr = quill::CreateControl("Quillstream.WhoisClient.6", control.Out());
    if (SUCCEEDED(hr))
        hr = qs::automation::PutProperty(control.get(), "Keyword", Variant(args[0]));
    if (SUCCEEDED(hr))
        hr = qs::automation::PutProperty(control.get(), "SearchType", Variant(static_cast<int>(type)));
    if (SUCCEEDED(hr) && timeout != 0)
        hr = qs::automation::PutProperty(control.get(), "Timeout", Variant(static_cast<int>(timeout)));
    // Connect searches for the keyword once the connection is established.
    Variant connectArgs[] = {Variant(host), port != 0 ? Variant(static_cast<int>(port)) : Variant::Missing()};
    Variant error;
    if (SUCCEEDED(hr))
        hr = qs::automation::CallMethod(control.get(), "Connect", qs::automation::AsVariants(connectArgs, 2), &error);
    if (FAILED(hr)) {
        std::fprintf(stderr, "%s\n", quill::ErrorLine(hr, {}).c_str());
        return 1;
    }
    if (error.vt != VT_I4 || error.lVal != 0) {
        quill::PrintLastError(control.get());
        return 1;
    }
    LONG n = 0;
    while ((n = quill::CopyAnswerBlock(control.get())) > 0) {
    }
    if (n < 0) {
        quill::PrintLastError(control.get());
        return 1;
    }
    return 0;
}

}  // namespace

QUILL_COMMAND(whois, kUsage, RunWhois);
