// The platform's error numbers reported through GetLastError and the registry calls.
#pragma once
#include "platform/base/types.h"

inline constexpr LONG ERROR_SUCCESS = 0;
inline constexpr LONG ERROR_FILE_NOT_FOUND = 2;
inline constexpr LONG ERROR_ACCESS_DENIED = 5;
inline constexpr LONG ERROR_INVALID_HANDLE = 6;
inline constexpr LONG ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr LONG ERROR_INVALID_PARAMETER = 87;
inline constexpr LONG ERROR_BUFFER_OVERFLOW = 111;
inline constexpr LONG ERROR_INSUFFICIENT_BUFFER = 122;
inline constexpr LONG ERROR_MOD_NOT_FOUND = 126;
inline constexpr LONG ERROR_PROC_NOT_FOUND = 127;
inline constexpr LONG ERROR_NOT_LOCKED = 158;
inline constexpr LONG ERROR_BAD_EXE_FORMAT = 193;
inline constexpr LONG ERROR_MORE_DATA = 234;
inline constexpr LONG ERROR_NO_MORE_ITEMS = 259;
inline constexpr LONG ERROR_INVALID_FLAGS = 1004;
inline constexpr LONG ERROR_REGISTRY_CORRUPT = 1015;  // the store's file cannot be read back safely
inline constexpr LONG ERROR_REGISTRY_IO_FAILED = 1016;
inline constexpr LONG ERROR_KEY_DELETED = 1018;
inline constexpr LONG ERROR_NO_MORE_USER_HANDLES = 1158;
inline constexpr LONG ERROR_NOT_FOUND = 1168;
inline constexpr LONG ERROR_PRIVILEGE_NOT_HELD = 1314;
inline constexpr LONG ERROR_INVALID_WINDOW_HANDLE = 1400;
inline constexpr LONG ERROR_INVALID_INDEX = 1413;
inline constexpr LONG ERROR_CLIPBOARD_NOT_OPEN = 1418;
inline constexpr LONG ERROR_INVALID_THREAD_ID = 1444;
inline constexpr LONG ERROR_NO_SYSTEM_RESOURCES = 1450;
inline constexpr LONG ERROR_NOT_ENOUGH_QUOTA = 1816;
