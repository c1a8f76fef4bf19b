#include "tools/quill/host/operations.h"

#include <cstdio>
#include <cstdlib>

#include "platform/automation/dispatch_engine.h"
#include "platform/automation/invoke.h"
#include "platform/base/thread.h"
#include "platform/base/window.h"
#include "tools/quill/host/controls.h"
#include "tools/quill/host/values.h"

namespace quill {
namespace {

using qs::automation::ComPtr;
using qs::automation::Variant;

constexpr long kMaxWaitMs = 24L * 3600 * 1000;

bool IsNameStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsNameChar(char c) { return IsNameStart(c) || (c >= '0' && c <= '9'); }

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

// Splits "a, "b,c", " at the commas outside quotes; the closing parenthesis is at `*end`.
bool SplitArguments(std::string_view text, std::size_t open, std::vector<std::string> *args, std::size_t *end)
{
    bool quoted = false;
    std::size_t start = open + 1;
    for (std::size_t i = open + 1; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '\\' && i + 1 < text.size())
                ++i;
            else if (c == '"')
                quoted = false;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',' || c == ')') {
            args->emplace_back(Trim(text.substr(start, i - start)));
            start = i + 1;
            if (c == ')') {
                *end = i;
                if (args->size() == 1 && args->front().empty())
                    args->clear();  // Name() has no argument
                return true;
            }
        }
    }
    return false;
}

bool CannotRead(const std::string &value)
{
    std::printf("error: cannot read the value %s\n", value.c_str());
    return false;
}

void Pump(long milliseconds)
{
    const DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessage(&msg);
        }
        const long elapsed = static_cast<long>(static_cast<DWORD>(GetTickCount() - start));
        if (elapsed >= milliseconds)
            return;
        QsWaitForMessages(nullptr, 0, static_cast<int>(milliseconds - elapsed));
    }
}

}  // namespace

bool ParseOperation(std::string_view text, Operation *operation)
{
    *operation = Operation{};
    std::size_t i = 0;
    if (text.empty() || !IsNameStart(text[0]))
        return false;
    while (i < text.size() && IsNameChar(text[i]))
        ++i;
    operation->name = text.substr(0, i);
    if (i == text.size())
        return true;
    if (text[i] == '=') {
        operation->kind = Operation::Kind::kPut;
        operation->value = text.substr(i + 1);
        return true;
    }
    if (text[i] != '(')
        return false;
    std::size_t close = 0;
    if (!SplitArguments(text, i, &operation->args, &close))
        return false;
    if (close + 1 == text.size()) {
        operation->kind = operation->name == "wait" ? Operation::Kind::kWait : Operation::Kind::kCall;
        return true;
    }
    if (text[close + 1] != '=')
        return false;
    operation->kind = Operation::Kind::kIndexedPut;
    operation->value = text.substr(close + 2);
    return true;
}

ControlSession::ControlSession(IDispatch *control) : control_(control)
{
    control_->GetTypeInfo(0, 0, members_.Out());
    TYPEATTR attr{};
    ComPtr<IConnectionPointContainer> container;
    if (FAILED(qs::automation::GetEventTypeInfo(control, events_.Out())) || FAILED(events_->GetTypeAttr(&attr)) ||
        FAILED(control_.As(&container)) || FAILED(container->FindConnectionPoint(attr.guid, point_.Out()))) {
        return;
    }
    auto sink = ComPtr<IDispatch>::Attach(
        new qs::automation::DispatchSink([this](DISPID id, std::span<VARIANT> args) { PrintEvent(id, args); }));
    point_->Advise(sink.get(), &cookie_);
}

ControlSession::~ControlSession()
{
    if (point_)
        point_->Unadvise(cookie_);
    std::fflush(stdout);
}

void ControlSession::PrintEvent(DISPID id, std::span<VARIANT> args)
{
    std::string name = std::to_string(id);
    BSTR names[1] = {};
    UINT count = 0;
    if (events_ && SUCCEEDED(events_->GetNames(id, names, 1, &count)) && count == 1) {
        name = qs::automation::Utf8FromBstr(names[0]);
        SysFreeString(names[0]);
    }
    std::string line = "event " + name + "(";
    for (std::size_t i = 0; i < args.size(); ++i)
        line += (i ? ", " : "") + FormatValue(args[i]);
    std::printf("%s)\n", line.c_str());
}

const qs::automation::Member *ControlSession::FindMember(DISPID id) const
{
    TYPEATTR attr{};
    if (!members_ || FAILED(members_->GetTypeAttr(&attr)))
        return nullptr;
    for (UINT i = 0; i < attr.cFuncs; ++i) {
        const qs::automation::Member *m = nullptr;
        if (SUCCEEDED(members_->GetFuncDesc(i, &m)) && m->dispid == id && m->kind != qs::automation::MemberKind::Put)
            return m;
    }
    return nullptr;
}

bool ControlSession::Call(const std::string &text, const Operation &operation)
{
    DISPID id = DISPID_UNKNOWN;
    qs::automation::GetDispatchId(control_.get(), operation.name, &id);
    const qs::automation::Member *member = FindMember(id);
    // In/out arguments are passed by reference so what the method stores there can be shown.
    std::vector<Variant> given(operation.args.size());
    std::vector<Variant> args(operation.args.size());
    for (std::size_t i = 0; i < operation.args.size(); ++i) {
        if (operation.args[i].empty()) {
            args[i] = Variant::Missing();
            continue;
        }
        if (!ParseValue(operation.args[i], &given[i]))
            return CannotRead(operation.args[i]);
        const bool out = member != nullptr && i < member->paramCount &&
                         (member->params[i].flags & qs::automation::kParamOut) != 0;
        args[i] = out ? Variant::Ref(&given[i]) : given[i];
    }
    Variant result;
    qs::automation::ExcepInfo excep;
    const HRESULT hr = qs::automation::InvokeByName(control_.get(), operation.name,
                                                    DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                                                    qs::automation::AsVariants(args.data(), args.size()), &result,
                                                    &excep);
    if (FAILED(hr)) {
        const HRESULT raised = hr == DISP_E_EXCEPTION ? excep.result() : hr;
        std::printf("%s\n", ErrorLine(raised, excep.description()).c_str());
        return false;
    }
    std::string outs;
    for (std::size_t i = 0; member != nullptr && i < args.size() && i < member->paramCount; ++i) {
        if ((member->params[i].flags & qs::automation::kParamOut) && !operation.args[i].empty())
            outs += "  " + std::string(member->params[i].name) + " = " + FormatValue(given[i]) + "\n";
    }
    if (member != nullptr ? member->hasResult() : result.vt != VT_EMPTY)
        std::printf("%s = %s\n", text.c_str(), FormatValue(result).c_str());
    else if (!outs.empty())
        std::printf("%s\n", text.c_str());
    std::fputs(outs.c_str(), stdout);
    return true;
}

bool ControlSession::Run(const std::string &text)
{
    Operation operation;
    if (!ParseOperation(text, &operation)) {
        std::printf("error: cannot read the operation %s\n", text.c_str());
        return false;
    }
    qs::automation::ExcepInfo excep;
    HRESULT hr = S_OK;
    switch (operation.kind) {
        case Operation::Kind::kWait: {
            Variant ms;
            if (operation.args.size() != 1 || !ParseValue(operation.args[0], &ms) || FAILED(ms.ChangeType(VT_I4)) ||
                ms.lVal < 0 || ms.lVal > kMaxWaitMs) {
                std::printf("error: wait takes milliseconds, 0 to %ld\n", kMaxWaitMs);
                return false;
            }
            Pump(ms.lVal);
            return true;
        }
        case Operation::Kind::kCall: return Call(text, operation);
        case Operation::Kind::kGet: {
            Variant value;
            hr = qs::automation::GetProperty(control_.get(), operation.name, &value, &excep);
            if (SUCCEEDED(hr))
                std::printf("%s = %s\n", operation.name.c_str(), FormatValue(value).c_str());
            break;
        }
        case Operation::Kind::kPut:
        case Operation::Kind::kIndexedPut: {
            std::vector<Variant> args;
            for (const std::string &arg : operation.args) {
                args.emplace_back();
                if (arg.empty())
                    args.back() = Variant::Missing();
                else if (!ParseValue(arg, &args.back()))
                    return CannotRead(arg);
            }
            args.emplace_back();
            if (!ParseValue(operation.value, &args.back()))
                return CannotRead(operation.value);
            hr = qs::automation::InvokeByName(control_.get(), operation.name, DISPATCH_PROPERTYPUT,
                                              qs::automation::AsVariants(args.data(), args.size()), nullptr, &excep);
            break;
        }
    }
    if (FAILED(hr)) {
        const HRESULT raised = hr == DISP_E_EXCEPTION ? excep.result() : hr;
        std::printf("%s\n", ErrorLine(raised, excep.description()).c_str());
        return false;
    }
    return true;
}

}  // namespace quill
