#include "tests/core/fake_trace/fake_trace.h"

#include "platform/trace/qstrace.h"

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

FakeTraceState g_state;

}  // namespace

FAKE_EXPORT FakeTraceState *FakeTrace() { return &g_state; }

FAKE_EXPORT int WSXSetupTrace(const qstrace::SetupTable *table)
{
    if (table != nullptr && table->getLastError != nullptr && table->setLastError != nullptr) {
        table->setLastError(10054);
        g_state.setupGotLastError = table->getLastError() == 10054;
        table->setLastError(0);
    }
    return 1;
}

FAKE_EXPORT int WSXEnableTrace(const char *file, std::uint32_t flags)
{
    ++g_state.enables;
    g_state.file = file != nullptr ? file : "";
    g_state.flags = flags;
    return 1;
}

FAKE_EXPORT int WSXDisableTrace()
{
    ++g_state.disables;
    return 1;
}

FAKE_EXPORT int WSXTraceWrite(std::uint32_t flags, const void *data, int length)
{
    std::string line = std::to_string(flags) + ":";
    line += length == 0 ? std::string(static_cast<const char *>(data)) : "#" + std::to_string(length);
    g_state.lines.push_back(line);
    return 1;
}

FAKE_EXPORT int TX_select(int result, int, ws::fd_set *, ws::fd_set *, ws::fd_set *, const ws::timeval *)
{
    g_state.hooks.push_back("TX_select " + std::to_string(result));
    return result;
}

FAKE_EXPORT int TX_closesocket(int result, ws::SOCKET s)
{
    g_state.hooks.push_back("TX_closesocket " + std::to_string(result) + " " + std::to_string(s));
    return result;
}

// Changes what the caller sees, to show that the wrapper returns the hook's answer.
FAKE_EXPORT int TX_shutdown(int result, ws::SOCKET s, int how)
{
    g_state.hooks.push_back("TX_shutdown " + std::to_string(result) + " " + std::to_string(s) + " " +
                            std::to_string(how));
    return 42;
}
