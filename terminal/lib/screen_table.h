// The library's table of screens: a screen is named by an integer handle, as the other libraries name
// their sessions. The display layer creates screens here and keeps its window and font beside them.
#pragma once
#include <cstddef>

#include "terminal/lib/screen.h"

namespace qs::term {

inline constexpr int kScreenHandleBase = 0x400;
inline constexpr std::size_t kScreenTableGrowth = 256;  // entries added each time the table is full

// A handle, or -1 (qsErrorInvalidParameter for a bad size or emulation, qsErrorOutOfMemory).
int NvtCreateScreen(int emulation, int columns, int rows, const DisplayTraits &traits = {},
                    ScreenHost *host = nullptr);
// 1, or 0 (qsErrorInvalidHandle) for an unknown handle.
int NvtFreeScreen(int handle);
// Interprets `count` bytes from the host: 1, or 0 for an unknown handle or a null buffer.
int NvtWrite(int handle, const void *bytes, std::size_t count);
// The screen behind a handle, valid until it is freed; null (qsErrorInvalidHandle) for an unknown one.
TerminalScreen *NvtGetScreen(int handle);

}  // namespace qs::term
