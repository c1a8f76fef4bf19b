// What the subcommands of the answer-reading controls (finger, whois) share: reading one block of the
// answer through the control's Read into a byte array, so the bytes reach standard output exactly as
// the server sent them, and the control's last error as the host prints it.
#pragma once
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/automation/invoke.h"
#include "platform/automation/safearray.h"

namespace quill {

// The size of one Read.
inline constexpr ULONG kAnswerBlock = 16384;

// One Read of up to kAnswerBlock bytes, written to standard output as they came: the count, 0 when
// the server closed the connection, -1 when the read failed (the control reports why).
inline LONG CopyAnswerBlock(IDispatch *control)
{
    using qs::automation::Variant;
    Variant buffer = Variant::Array(SafeArrayCreateVector(VT_UI1, 0, kAnswerBlock), VT_UI1);
    Variant args[] = {Variant::Ref(&buffer)};
    Variant count;
    if (buffer.parray == nullptr ||
        FAILED(qs::automation::CallMethod(control, "Read", qs::automation::AsVariants(args, 1), &count)) ||
        FAILED(count.ChangeType(VT_I4)))
        return -1;
    if (count.lVal > 0) {
        void *bytes = nullptr;
        if (FAILED(SafeArrayAccessData(buffer.parray, &bytes)))
            return -1;
        std::fwrite(bytes, 1, static_cast<std::size_t>(count.lVal), stdout);
        SafeArrayUnaccessData(buffer.parray);
        std::fflush(stdout);
    }
    return count.lVal;
}

// "error 10061: The connection has been refused by the remote host" from LastError and LastErrorString.
inline void PrintLastError(IDispatch *control)
{
    qs::automation::Variant number, message;
    qs::automation::GetProperty(control, "LastError", &number);
    qs::automation::GetProperty(control, "LastErrorString", &message);
    std::fprintf(stderr, "error %s: %s\n", number.text().c_str(), message.text().c_str());
}

// A whole number in [low, high], else false.
inline bool ParseNumber(const std::string &text, long low, long high, long *value)
{
    char *end = nullptr;
    const long number = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || number < low || number > high)
        return false;
    *value = number;
    return true;
}

}  // namespace quill
