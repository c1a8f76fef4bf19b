// The exit code a command's "exit-signal" request stands for (RFC 4254 6.10), as a shell would report
// it: 128 plus the signal's number.
#pragma once
#include "ssh/wire/wire_reader.h"

namespace qs::ssh {

inline constexpr int kExitCodeSignalled = 128;

// `fields` are the request's fields after want-reply, in either the standard layout (string signal name,
// boolean core dumped, string message, string language) or the older numeric one (uint32 signal number
// and the same three). The layout is the one that fills the fields exactly; with both or neither, or an
// unknown signal, the code is 128.
int ExitCodeFromSignal(ByteView fields);

}  // namespace qs::ssh
