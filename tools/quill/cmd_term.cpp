// quill term --render FILE: interprets a byte stream into a terminal screen and prints the screen.
#include <cstdio>
#include <cstring>
#include <string>

#include "core/error/last_error.h"
#include "terminal/lib/screen.h"
#include "terminal/lib/screen_dump.h"
#include "terminal/lib/screen_table.h"
#include "tools/quill/command.h"

namespace {

constexpr std::size_t kReadChunk = 64 * 1024;

int Fail(const std::string &what, qs::ErrorCode code)
{
    char text[256];
    qs::GetErrorText(code, text, sizeof text);
    std::fprintf(stderr, "quill term: %s: %s\n", what.c_str(), text);
    return 1;
}

bool ParseEmulation(const std::string &name, int *emulation)
{
    static const struct {
        const char *name;
        int value;
    } kNames[] = {{"none", qs::term::nvtNone}, {"ansi", qs::term::nvtANSI},
                  {"vt100", qs::term::nvtVT100}, {"vt220", qs::term::nvtVT220}};
    for (const auto &entry : kNames) {
        if (name == entry.name) {
            *emulation = entry.value;
            return true;
        }
    }
    return false;
}

bool ParseSize(const std::string &text, int *value)
{
    char *end = nullptr;
    const long n = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || n < 0 || n > 100000)
        return false;
    *value = static_cast<int>(n);
    return true;
}

constexpr const char kUsage[] =
    "term --render FILE|- [--emulation none|ansi|vt100|vt220] [--cols C] [--rows R] [--attrs]";

int RunTerm(const quill::Args &argsIn)
{
    quill::Args args = argsIn;
    std::string file, emulationName = "ansi", cols = "80", rows = "24";
    const bool render = quill::TakeOption(args, "--render", &file) || quill::TakeFlag(args, "--render");
    quill::TakeOption(args, "--emulation", &emulationName);
    quill::TakeOption(args, "--cols", &cols);
    quill::TakeOption(args, "--rows", &rows);
    const bool attrs = quill::TakeFlag(args, "--attrs");
    int emulation = 0, columns = 0, lines = 0;
    if (!render || !args.empty() || !ParseEmulation(emulationName, &emulation) || !ParseSize(cols, &columns) ||
        !ParseSize(rows, &lines))
        return quill::Usage({"term", kUsage, RunTerm});

    const int handle = qs::term::NvtCreateScreen(emulation, columns, lines);
    if (handle == -1)
        return Fail("--cols " + cols + " --rows " + rows, qs::GetErrorCode());
    qs::term::TerminalScreen *screen = qs::term::NvtGetScreen(handle);
    // As the Terminal control sets a new screen up.
    screen->SetModes(qs::term::kModeAutoWrap | qs::term::kModeCursorVisible | qs::term::kModeBell, true);

    std::FILE *in = stdin;
    if (!file.empty() && file != "-") {
        in = std::fopen(file.c_str(), "rb");
        if (in == nullptr) {
            qs::term::NvtFreeScreen(handle);
            return Fail(file, qs::MakeErrorCode(qs::qsErrorFileNotFound));
        }
    }
    static unsigned char chunk[kReadChunk];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, in)) > 0)
        qs::term::NvtWrite(handle, chunk, n);
    const bool readFailed = std::ferror(in);
    if (in != stdin)
        std::fclose(in);
    const std::string out = qs::term::DumpScreen(*screen, attrs);
    qs::term::NvtFreeScreen(handle);
    if (readFailed)
        return Fail(file.empty() ? "standard input" : file, qs::MakeErrorCode(qs::qsErrorFileReadFailed));
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0;
}

}  // namespace

QUILL_COMMAND(term, kUsage, RunTerm);
