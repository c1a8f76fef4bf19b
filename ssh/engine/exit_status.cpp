#include "ssh/engine/exit_status.h"

#include <string_view>

namespace qs::ssh {
namespace {

struct NamedSignal {
    std::string_view name;
    int code;
};

constexpr NamedSignal kSignals[] = {
    {"ABRT", 134}, {"SEGV", 139}, {"TERM", 143}, {"FPE", 136}, {"ILL", 132}, {"INT", 130},
};

// Signal numbers above this would not give a shell's exit code.
constexpr std::uint32_t kMaxSignalNumber = 127;

bool Tail(WireReader &r)
{
    bool core = false;
    ByteView message, language;
    return r.Bool(core) && r.String(message) && r.String(language) && r.Finish();
}

}  // namespace

int ExitCodeFromSignal(ByteView fields)
{
    WireReader standard(fields);
    std::string_view name;
    const bool standardFits = standard.Text(name) && Tail(standard);

    WireReader numeric(fields);
    std::uint32_t number = 0;
    const bool numericFits = numeric.U32(number) && number != 0 && Tail(numeric);

    if (standardFits == numericFits)
        return kExitCodeSignalled;
    if (numericFits)
        return number <= kMaxSignalNumber ? kExitCodeSignalled + static_cast<int>(number) : kExitCodeSignalled;
    for (const NamedSignal &s : kSignals) {
        if (s.name == name)
            return s.code;
    }
    return kExitCodeSignalled;
}

}  // namespace qs::ssh
