// Loading modules by platform name.
//
// A platform-style name maps to a file case-insensitively: "WS2_32.DLL" -> "libws2_32.so",
// "qstrace6" -> "libqstrace6.so". A name containing '/' is used as a path. Other names are searched in
// the directories of QS_MODULE_PATH (colon-separated), then in the directory holding libqsbase.so.
#pragma once
#include "platform/base/types.h"

inline constexpr UINT SEM_FAILCRITICALERRORS = 0x0001;
inline constexpr UINT SEM_NOOPENFILEERRORBOX = 0x8000;

// null on failure, last error set: 126 when no file of that name is found, 193 when the first file
// found is not a loadable module (the search stops there).
HMODULE LoadLibraryA(const char *name);
void *GetProcAddress(HMODULE module, const char *name);
BOOL FreeLibrary(HMODULE module);
// The module's file path; hmodule null means the main program. Returns the length, 0 on failure.
DWORD GetModuleFileNameA(HMODULE module, char *buffer, DWORD size);
// The module that contains `address` (for a deliverable to find its own handle).
HMODULE QsModuleFromAddress(const void *address);
UINT SetErrorMode(UINT mode);             // returns the previous mode
// The file name a platform name maps to ("WS2_32.DLL" -> "libws2_32.so").
const char *QsMapModuleName(const char *name, char *buffer, DWORD size);
