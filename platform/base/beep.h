// The system beep. There is no sound to make here: both calls succeed and do nothing, so a caller such
// as the terminal's bell runs as on the platform.
#pragma once
#include "platform/base/types.h"

inline constexpr UINT MB_OK = 0x00000000;
inline constexpr UINT MB_ICONHAND = 0x00000010;
inline constexpr UINT MB_ICONQUESTION = 0x00000020;
inline constexpr UINT MB_ICONEXCLAMATION = 0x00000030;
inline constexpr UINT MB_ICONASTERISK = 0x00000040;
inline constexpr UINT MB_SIMPLEBEEP = 0xFFFFFFFF;

// The platform's frequency range is 37 to 32767 Hz; others fail with ERROR_INVALID_PARAMETER.
// Returns at once whatever the duration.
BOOL Beep(DWORD frequency, DWORD durationMs);
BOOL MessageBeep(UINT type);
