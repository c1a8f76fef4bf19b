// quill finger [USER]@HOST [--port N] [--timeout S]: asks HOST's finger server (port 79 unless N) about
// USER, or about the users logged on when USER is empty, through the FingerClient control in
// asynchronous mode: the query goes out on OnConnect, each OnRead copies what arrived to standard
// output byte for byte, OnDisconnect ends the run and OnError reports a failure. A forwarding query
// (user@host1@host2) goes to the last host. Without any event for S seconds (default 60) the run ends
// with a time-out.
#include <cstdio>
#include <string>

#include "core/error/error_codes.h"
#include "platform/automation/events.h"
#include "platform/automation/invoke.h"
#include "platform/automation/typeinfo.h"
#include "platform/base/thread.h"
#include "platform/base/window.h"
#include "tools/quill/answer.h"
#include "tools/quill/command.h"
#include "tools/quill/host/controls.h"

namespace {

using qs::automation::ComPtr;
using qs::automation::Variant;

constexpr const char kUsage[] = "finger [USER]@HOST [--port N] [--timeout S]";
constexpr long kDefaultIdleSeconds = 60;
constexpr int kPumpSliceMs = 250;

// The control's events, handled as they fire.
class FingerRun {
  public:
    explicit FingerRun(IDispatch *control) : control_(control) {}
    ~FingerRun()
    {
        if (point_)
            point_->Unadvise(cookie_);
    }

    bool Listen()
    {
        TYPEATTR attr{};
        ComPtr<IConnectionPointContainer> container;
        if (FAILED(qs::automation::GetEventTypeInfo(control_.get(), events_.Out())) ||
            FAILED(events_->GetTypeAttr(&attr)) || FAILED(control_.As(&container)) ||
            FAILED(container->FindConnectionPoint(attr.guid, point_.Out())))
            return false;
        auto sink = ComPtr<IDispatch>::Attach(
            new qs::automation::DispatchSink([this](DISPID id, std::span<VARIANT> args) { OnEvent(id, args); }));
        return SUCCEEDED(point_->Advise(sink.get(), &cookie_));
    }

    // Dispatches messages until the server closed the connection or something failed, or no event came
    // for `idleSeconds`. The exit status.
    int Run(long idleSeconds)
    {
        lastEvent_ = GetTickCount();
        while (!done_) {
            QsWaitForMessages(nullptr, 0, kPumpSliceMs);
            MSG msg;
            while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&msg);
                DispatchMessage(&msg);
            }
            if (!done_ && static_cast<DWORD>(GetTickCount() - lastEvent_) >= static_cast<DWORD>(idleSeconds) * 1000) {
                std::fprintf(stderr, "error %u: %s\n", qs::qsErrorOperationTimeout,
                             qs::FindMessage(qs::qsErrorOperationTimeout));
                failed_ = done_ = true;
            }
        }
        return failed_ ? 1 : 0;
    }

  private:
    void OnEvent(DISPID id, std::span<VARIANT> args)
    {
        lastEvent_ = GetTickCount();
        const std::string name = EventName(id);
        if (name == "OnRead") {
            quill::CopyAnswerBlock(control_.get());
        } else if (name == "OnDisconnect") {
            // What arrived before the close.
            while (quill::CopyAnswerBlock(control_.get()) > 0) {
            }
            done_ = true;
        } else if (name == "OnError" && args.size() == 2) {
            Variant number, text;
            VariantCopyInd(&number, &args[0]);
            VariantCopyInd(&text, &args[1]);
            std::fprintf(stderr, "error %s: %s\n", number.text().c_str(), text.text().c_str());
            failed_ = done_ = true;
        }
    }
    std::string EventName(DISPID id)
    {
        BSTR names[1] = {};
        UINT count = 0;
        if (FAILED(events_->GetNames(id, names, 1, &count)) || count != 1)
            return {};
        std::string name = qs::automation::Utf8FromBstr(names[0]);
        SysFreeString(names[0]);
        return name;
    }

    ComPtr<IDispatch> control_;
    ComPtr<ITypeInfo> events_;
    ComPtr<IConnectionPoint> point_;
    DWORD cookie_ = 0;
    DWORD lastEvent_ = 0;
    bool done_ = false;
    bool failed_ = false;
};

int RunFinger(const quill::Args &input)
{
    quill::Args args = input;
    std::string value;
    long port = 0, idle = kDefaultIdleSeconds;
    if ((quill::TakeOption(args, "--port", &value) && !quill::ParseNumber(value, 1, 65535, &port)) ||
        (quill::TakeOption(args, "--timeout", &value) && !quill::ParseNumber(value, 1, 600, &idle)) ||
        args.size() != 1 || args[0].find('@') == std::string::npos)
        return quill::Usage({"finger", kUsage, RunFinger});
    const std::size_t at = args[0].rfind('@');
    const std::string user = args[0].substr(0, at);
    const std::string host = args[0].substr(at + 1);

    ComPtr<IDispatch> control;
    HRESULT hr = quill::CreateControl("Quillstream.FingerClient.6", control.Out());
    if (FAILED(hr)) {
        std::fprintf(stderr, "%s\n", quill::ErrorLine(hr, {}).c_str());
        return 1;
    }
    FingerRun run(control.get());
    hr = run.Listen() ? qs::automation::PutProperty(control.get(), "Blocking", Variant(false)) : E_FAIL;
    Variant connectArgs[] = {Variant(host), port != 0 ? Variant(static_cast<int>(port)) : Variant::Missing(),
                             Variant(user)};
    Variant error;
    if (SUCCEEDED(hr))
        hr = qs::automation::CallMethod(control.get(), "Connect", qs::automation::AsVariants(connectArgs, 3), &error);
    if (FAILED(hr)) {
        std::fprintf(stderr, "%s\n", quill::ErrorLine(hr, {}).c_str());
        return 1;
    }
    // A failure inside Connect has been reported through OnError already.
    if (error.vt != VT_I4 || error.lVal != 0)
        return 1;
    const int status = run.Run(idle);
    Variant ignored;
    qs::automation::CallMethod(control.get(), "Disconnect", {}, &ignored);
    return status;
}

}  // namespace

QUILL_COMMAND(finger, kUsage, RunFinger);
