// The calling thread's last error: a thread-local slot, a process-wide fallback copy, and the platform's
// own per-thread last error, all written by every store.
#pragma once
#include <cstddef>
#include "core/error/error_codes.h"

namespace qs {

void SetErrorCode(std::uint32_t code);
ErrorCode GetErrorCode();
// Reads the socket library's last error; 0 stores nothing. Returns the ErrorCode stored, or 0.
ErrorCode SetErrorFromNetwork();
// Writes the message of `code` (0: the thread's current code) into `buffer` of `size` characters and
// returns its length, 0 when there is none. `buffer` may be null: only the length is returned.
int GetErrorText(ErrorCode code, char *buffer, int size);

// The slot's lifetime follows the core's (allocated at core start, freed at core stop).
bool AllocateErrorSlot();
void FreeErrorSlot();

}  // namespace qs
