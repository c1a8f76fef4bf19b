// The registry store: a small hierarchical key/value store kept in one file.
//
// The file is $QS_REGISTRY when set, else ~/.config/quillstream/registry. Every root maps to its own
// subtree of that file. Changes are written back at once (under a file lock) so several processes agree;
// the text format is described in registry_format.cpp. A file that cannot be read back cleanly is never
// overwritten: changes then fail with ERROR_REGISTRY_CORRUPT. Operations on a key that another handle
// or process deleted fail with ERROR_KEY_DELETED.
#pragma once
#include "platform/base/errors.h"
#include "platform/base/types.h"

struct QsRegKey;
using HKEY = QsRegKey *;

extern const HKEY HKEY_CLASSES_ROOT;
extern const HKEY HKEY_CURRENT_USER;
extern const HKEY HKEY_LOCAL_MACHINE;

inline constexpr DWORD REG_NONE = 0;
inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD REG_BINARY = 3;
inline constexpr DWORD REG_DWORD = 4;

inline constexpr DWORD KEY_QUERY_VALUE = 0x0001;
inline constexpr DWORD KEY_SET_VALUE = 0x0002;
inline constexpr DWORD KEY_CREATE_SUB_KEY = 0x0004;
inline constexpr DWORD KEY_ENUMERATE_SUB_KEYS = 0x0008;
inline constexpr DWORD KEY_READ = 0x20019;
inline constexpr DWORD KEY_WRITE = 0x20006;
inline constexpr DWORD KEY_ALL_ACCESS = 0xF003F;

inline constexpr DWORD REG_CREATED_NEW_KEY = 1;
inline constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

// Key paths use '\\' as separator and are matched case-insensitively. Access rights are checked as on the
// platform: values need KEY_QUERY_VALUE to be read and KEY_SET_VALUE to be changed, new subkeys need
// KEY_CREATE_SUB_KEY on the parent handle, enumerating subkeys KEY_ENUMERATE_SUB_KEYS.
LONG RegOpenKeyExA(HKEY root, const char *subKey, DWORD options, DWORD access, HKEY *result);
LONG RegCreateKeyExA(HKEY root, const char *subKey, DWORD reserved, char *cls, DWORD options, DWORD access,
                     void *security, HKEY *result, DWORD *disposition);
LONG RegCloseKey(HKEY key);
// data null: only *type and *size are reported. Too small a buffer: ERROR_MORE_DATA with *size the need.
// REG_SZ values are reported with their terminating zero counted in *size.
LONG RegQueryValueExA(HKEY key, const char *name, DWORD *reserved, DWORD *type, BYTE *data, DWORD *size);
LONG RegSetValueExA(HKEY key, const char *name, DWORD reserved, DWORD type, const BYTE *data, DWORD size);
LONG RegDeleteValueA(HKEY key, const char *name);
// Deletes the key and everything below it.
LONG RegDeleteTreeA(HKEY root, const char *subKey);
LONG RegEnumKeyExA(HKEY key, DWORD index, char *name, DWORD *nameSize, DWORD *reserved, char *cls,
                   DWORD *clsSize, void *lastWrite);
LONG RegEnumValueA(HKEY key, DWORD index, char *name, DWORD *nameSize, DWORD *reserved, DWORD *type,
                   BYTE *data, DWORD *dataSize);
