#include "core/trace/trace_library.h"

#include <cstdarg>
#include <cstdio>

#include "core/net/network_library.h"
#include "core/net/socket_api.h"
#include "platform/base/module.h"

namespace qs {
namespace {

constexpr const char *kTraceModule = "qstrace6";

template <class Fn>
void BindExport(HMODULE module, Fn &pointer, const char *name)
{
    pointer = reinterpret_cast<Fn>(GetProcAddress(module, name));
}

bool LoadTraceModule(TraceLibrary &trace)
{
    UINT previousMode = SetErrorMode(SEM_NOOPENFILEERRORBOX);
    HMODULE module = LoadLibraryA(kTraceModule);
    SetErrorMode(previousMode);
    if (module == nullptr)
        return false;
    BindExport(module, trace.WSXSetupTrace, "WSXSetupTrace");
    BindExport(module, trace.WSXEnableTrace, "WSXEnableTrace");
    BindExport(module, trace.WSXDisableTrace, "WSXDisableTrace");
    BindExport(module, trace.WSXGetTraceUsage, "WSXGetTraceUsage");
    BindExport(module, trace.WSXSetTraceFile, "WSXSetTraceFile");
    BindExport(module, trace.WSXGetTraceFile, "WSXGetTraceFile");
    BindExport(module, trace.WSXSetTraceFlags, "WSXSetTraceFlags");
    BindExport(module, trace.WSAGetTraceFlags, "WSAGetTraceFlags");
    BindExport(module, trace.WSXTraceWrite, "WSXTraceWrite");
#define QS_TX_HOOK(name) BindExport(module, trace.TX_##name, "TX_" #name);
#include "core/trace/hooks.inc"
#undef QS_TX_HOOK
    trace.module = module;
    if (trace.WSXSetupTrace != nullptr) {
        // The wrappers, so the trace library reaches the platform's last error even when the socket
        // library lacks these exports.
        static const qstrace::SetupTable table{&sock::WSAGetLastError, &sock::WSASetLastError};
        trace.WSXSetupTrace(&table);
    }
    return true;
}

}  // namespace

TraceLibrary &Trace()
{
    static TraceLibrary trace;
    return trace;
}

int EnableTrace(const char *traceFile, std::uint32_t traceFlags)
{
    if (GetNetworkLibraryModule() == nullptr)
        return 0;
    TraceLibrary &trace = Trace();
    if (trace.module == nullptr && !LoadTraceModule(trace))
        return 0;
    while (trace.references.fetch_add(1) + 1 < 1) {
    }
    return trace.WSXEnableTrace != nullptr ? trace.WSXEnableTrace(traceFile, traceFlags) : 0;
}

int DisableTrace()
{
    TraceLibrary &trace = Trace();
    int count = trace.references.load();
    while (count > 0 && !trace.references.compare_exchange_weak(count, count - 1)) {
    }
    if (count <= 0)
        return 0;
    return trace.WSXDisableTrace != nullptr ? trace.WSXDisableTrace() : 0;
}

int TraceWrite(std::uint32_t flags, const char *format, ...)
{
    TraceLibrary &trace = Trace();
    if (format == nullptr || *format == '\0' || trace.WSXTraceWrite == nullptr)
        return 0;
    char line[kTraceLineCap];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    return trace.WSXTraceWrite(flags & ~kTraceHexDump, line, 0);
}

int TraceData(std::uint32_t flags, const void *data, int length)
{
    TraceLibrary &trace = Trace();
    // Length 0 would tell the trace library to read `data` as a zero-terminated line.
    if (data == nullptr || length <= 0 || trace.WSXTraceWrite == nullptr)
        return 0;
    return trace.WSXTraceWrite(flags, data, length);
}

}  // namespace qs
