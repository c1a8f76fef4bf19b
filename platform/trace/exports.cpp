// The trace library's control calls.
#include "platform/trace/qstrace.h"
#include "platform/trace/trace_log.h"

#define QS_EXPORT extern "C" __attribute__((visibility("default")))

QS_EXPORT int WSXSetupTrace(const qstrace::SetupTable *table)
{
    return qstrace::Setup(table);
}

// Non-zero when tracing is on. A null or empty file keeps the current one (qstrace6.log at first).
QS_EXPORT int WSXEnableTrace(const char *file, std::uint32_t flags)
{
    qstrace::ErrorGuard guard;
    return qstrace::Enable(file, flags);
}

// 1 when a use was given back, 0 when tracing was not on.
QS_EXPORT int WSXDisableTrace()
{
    qstrace::ErrorGuard guard;
    return qstrace::Disable();
}

QS_EXPORT int WSXGetTraceUsage()
{
    return qstrace::Usage();
}

QS_EXPORT int WSXSetTraceFile(const char *file)
{
    qstrace::ErrorGuard guard;
    return qstrace::SetFile(file);
}

// Copies the file name (cut to fit, always terminated) and returns the characters copied; with no
// buffer, returns the name's length.
QS_EXPORT int WSXGetTraceFile(char *buffer, int size)
{
    return qstrace::GetFile(buffer, size);
}

QS_EXPORT int WSXSetTraceFlags(std::uint32_t flags)
{
    return qstrace::SetFlags(flags);
}

QS_EXPORT std::uint32_t WSAGetTraceFlags()
{
    return qstrace::Flags();
}

// length 0: `data` is a text line; otherwise `length` bytes shown as a hex dump.
QS_EXPORT int WSXTraceWrite(std::uint32_t flags, const void *data, int length)
{
    qstrace::ErrorGuard guard;
    if (data == nullptr || length < 0) {
        return 0;
    }
    if (length == 0) {
        return qstrace::WriteLine(static_cast<const char *>(data));
    }
    return qstrace::WriteDump(data, static_cast<std::size_t>(length));
}
