// Modules by platform name over dlopen.
#include "platform/base/module.h"

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/base/errors.h"
#include "platform/base/thread.h"

namespace {

constexpr std::size_t kMaxModulePath = 4096;

std::atomic<UINT> g_errorMode{0};

bool EndsWithNoCase(const std::string &text, const char *suffix)
{
    std::size_t n = std::strlen(suffix);
    if (text.size() < n)
        return false;
    for (std::size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(text[text.size() - n + i])) != suffix[i])
            return false;
    return true;
}

// The file name for a platform name; empty when the name is empty or too long.
std::string MapName(const char *name)
{
    std::string text = name;
    if (text.empty() || text.size() >= kMaxModulePath)
        return {};
    if (text.find('/') != std::string::npos || EndsWithNoCase(text, ".so"))
        return text;  // a path, or already a file name
    for (char &c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (EndsWithNoCase(text, ".dll"))
        text.resize(text.size() - 4);
    if (text.empty())
        return {};
    return "lib" + text + ".so";
}

// The directory holding libqsbase.so, found through one of its own functions.
std::string OwnDirectory()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<const void *>(&LoadLibraryA), &info) == 0 || info.dli_fname == nullptr)
        return {};
    std::string path = info.dli_fname;
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

HMODULE Open(const std::string &path)
{
    void *handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr)
        SetLastError(ERROR_BAD_EXE_FORMAT);  // the file exists but is no loadable module
    return handle;
}

DWORD CopyOut(const char *text, char *buffer, DWORD size)
{
    if (buffer == nullptr || size == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::size_t length = std::strlen(text);
    if (length + 1 > size) {
        // The platform truncates, terminates and reports the whole buffer as used.
        std::memcpy(buffer, text, size - 1);
        buffer[size - 1] = '\0';
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    std::memcpy(buffer, text, length + 1);
    return static_cast<DWORD>(length);
}

}  // namespace

const char *QsMapModuleName(const char *name, char *buffer, DWORD size)
{
    if (name == nullptr || buffer == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::string mapped = MapName(name);
    if (mapped.empty()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (mapped.size() + 1 > size) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return nullptr;
    }
    std::memcpy(buffer, mapped.c_str(), mapped.size() + 1);
    return buffer;
}

HMODULE LoadLibraryA(const char *name)
{
    if (name == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::string file = MapName(name);
    if (file.empty()) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    if (file.find('/') != std::string::npos)
        return access(file.c_str(), F_OK) == 0 ? Open(file) : (SetLastError(ERROR_MOD_NOT_FOUND), nullptr);
    std::string dirs;
    if (const char *path = std::getenv("QS_MODULE_PATH"))
        dirs = path;
    std::string own = OwnDirectory();
    if (!own.empty())
        dirs += (dirs.empty() ? "" : ":") + own;
    std::size_t start = 0;
    while (start <= dirs.size()) {
        std::size_t end = dirs.find(':', start);
        if (end == std::string::npos)
            end = dirs.size();
        std::string dir = dirs.substr(start, end - start);
        start = end + 1;
        if (dir.empty())
            continue;
        std::string candidate = dir + "/" + file;
        if (candidate.size() < kMaxModulePath && access(candidate.c_str(), F_OK) == 0)
            return Open(candidate);
    }
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

void *GetProcAddress(HMODULE module, const char *name)
{
    if (name == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    void *handle = module != nullptr ? module : dlopen(nullptr, RTLD_NOW);
    void *symbol = dlsym(handle, name);
    if (module == nullptr)
        dlclose(handle);
    // dlsym also searches the module's dependencies (the C library has htonl, socket ...); only the
    // module's own exports count, as on the platform.
    link_map *map = nullptr;
    Dl_info found{};
    if (symbol != nullptr && module != nullptr && dlinfo(module, RTLD_DI_LINKMAP, &map) == 0 && map != nullptr &&
        dladdr(symbol, &found) != 0 && found.dli_fname != nullptr && map->l_name != nullptr &&
        std::strcmp(found.dli_fname, map->l_name) != 0)
        symbol = nullptr;
    if (symbol == nullptr)
        SetLastError(ERROR_PROC_NOT_FOUND);
    return symbol;
}

BOOL FreeLibrary(HMODULE module)
{
    if (module == nullptr || dlclose(module) != 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

DWORD GetModuleFileNameA(HMODULE module, char *buffer, DWORD size)
{
    if (module == nullptr) {
        char path[kMaxModulePath];
        ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
        if (n < 0) {
            SetLastError(ERROR_FILE_NOT_FOUND);
            return 0;
        }
        path[n] = '\0';
        return CopyOut(path, buffer, size);
    }
    link_map *map = nullptr;
    if (dlinfo(module, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr || map->l_name == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    if (map->l_name[0] == '\0')
        return GetModuleFileNameA(nullptr, buffer, size);
    return CopyOut(map->l_name, buffer, size);
}

HMODULE QsModuleFromAddress(const void *address)
{
    Dl_info info{};
    link_map *map = nullptr;
    if (dladdr1(address, &info, reinterpret_cast<void **>(&map), RTLD_DL_LINKMAP) == 0 || map == nullptr) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    // The handle names a module that is already loaded; like the platform's module lookup it adds
    // no reference, so the extra one taken here is given back at once.
    const char *file = map->l_name[0] == '\0' ? nullptr : map->l_name;
    void *handle = dlopen(file, RTLD_NOW | RTLD_NOLOAD);
    if (handle == nullptr) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    dlclose(handle);
    return handle;
}

UINT SetErrorMode(UINT mode)
{
    return g_errorMode.exchange(mode);
}
