// The optional trace library "qstrace6": loaded by name on the first EnableTrace that finds the socket
// library loaded, never unloaded. Its TX_ hooks see every traced socket call (core/net/socket_api.h);
// with the library absent everything behaves the same and EnableTrace reports 0.
#pragma once
#include <atomic>
#include <cstdint>

#include "platform/base/types.h"
#include "platform/trace/qstrace.h"

namespace qs {

struct TraceLibrary {
    HMODULE module = nullptr;
    std::atomic<int> references{0};
    qstrace::WSXSetupTrace_fn WSXSetupTrace = nullptr;
    qstrace::WSXEnableTrace_fn WSXEnableTrace = nullptr;
    qstrace::WSXDisableTrace_fn WSXDisableTrace = nullptr;
    qstrace::WSXGetTraceUsage_fn WSXGetTraceUsage = nullptr;
    qstrace::WSXSetTraceFile_fn WSXSetTraceFile = nullptr;
    qstrace::WSXGetTraceFile_fn WSXGetTraceFile = nullptr;
    qstrace::WSXSetTraceFlags_fn WSXSetTraceFlags = nullptr;
    qstrace::WSAGetTraceFlags_fn WSAGetTraceFlags = nullptr;
    qstrace::WSXTraceWrite_fn WSXTraceWrite = nullptr;
#define QS_TX_HOOK(name) qstrace::TX_##name##_fn TX_##name = nullptr;
#include "core/trace/hooks.inc"
#undef QS_TX_HOOK
};

TraceLibrary &Trace();

// Trace flags as the controls publish them (each with its own prefix).
inline constexpr std::uint32_t kTraceInfo = 0;
inline constexpr std::uint32_t kTraceError = 1;
inline constexpr std::uint32_t kTraceWarning = 2;
inline constexpr std::uint32_t kTraceHexDump = 4;
inline constexpr std::uint32_t kTraceProcess = 4096;

// Longest formatted trace line, terminating zero included.
inline constexpr int kTraceLineCap = 1024;

// Non-zero when tracing is on (the trace library's answer); 0 without a socket library or trace library.
int EnableTrace(const char *traceFile, std::uint32_t traceFlags);
// The trace library's answer, 0 when nothing was on.
int DisableTrace();
// Formats one line (at most kTraceLineCap characters) and hands it over with the hex-dump flag cleared.
int TraceWrite(std::uint32_t flags, const char *format, ...) __attribute__((format(printf, 2, 3)));
// Hands raw bytes over for a dump; nothing for a null or empty block.
int TraceData(std::uint32_t flags, const void *data, int length);

}  // namespace qs
