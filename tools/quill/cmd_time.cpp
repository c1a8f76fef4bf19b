// quill time HOST [--port N] [--timeout S] [--local]: asks HOST's time server (RFC 868 over UDP) and
// prints the network time value and the date and time it stands for.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/error/last_error.h"
#include "time/lib/time_library.h"
#include "tools/quill/command.h"

namespace {

int Fail()
{
    qs::ErrorCode code = qs::GetErrorCode();
    char text[512];
    if (qs::GetErrorText(code, text, sizeof text) == 0)
        std::snprintf(text, sizeof text, "Undefined error (0x%08X)", code);
    std::fprintf(stderr, "error %u: %s\n", qs::ErrorNumber(code), text);
    return 1;
}

bool ParseNumber(const std::string &text, int low, int high, int *value)
{
    char *end = nullptr;
    long number = std::strtol(text.c_str(), &end, 10);
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

    qs::SessionLibrary &library = qs::TimeLibrary();
    if (!library.LibraryInitialize(nullptr, nullptr))
        return Fail();
    qs::NetworkTime time = qs::GetNetworkTime(args[0].c_str(), port, timeout);
    if (time == 0) {
        int status = Fail();
        library.LibraryUninitialize();
        return status;
    }
    library.LibraryUninitialize();

    SYSTEMTIME fields{};
    if (!qs::NetworkTimeToCalendar(time, &fields, local)) {
        std::printf("%u\n", time);
        return 0;
    }
    std::printf("%u %04u-%02u-%02u %02u:%02u:%02u %s\n", time, fields.wYear, fields.wMonth, fields.wDay, fields.wHour,
                fields.wMinute, fields.wSecond, local ? "local" : "UTC");
    return 0;
}

}  // namespace

QUILL_COMMAND(time, kUsage, RunTime);
