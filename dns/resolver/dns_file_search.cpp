#include "dns/resolver/dns_file_search.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/error/last_error.h"
#include "platform/base/module.h"

namespace qs {
namespace {

constexpr std::size_t kDirectoryCap = 4096;
constexpr const char kSystemDirectory[] = "/etc";

bool Exists(const std::string &path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

// The full path of an existing file.
bool Found(const std::string &candidate, char *path, std::size_t capacity)
{
    if (!Exists(candidate))
        return false;
    char full[PATH_MAX];
    if (::realpath(candidate.c_str(), full) == nullptr || std::strlen(full) >= capacity)
        return false;
    std::memcpy(path, full, std::strlen(full) + 1);
    return true;
}

std::string Join(const std::string &directory, const char *name)
{
    return directory.empty() ? std::string(name) : directory + "/" + name;
}

}  // namespace

bool DnsSearchFile(const char *name, char *path, std::size_t capacity)
{
    if (std::strchr(name, '/') != nullptr) {
        if (Found(name, path, capacity))
            return true;
        SetErrorCode(qsErrorFileNotFound);
        return false;
    }
    char directory[kDirectoryCap];
    if (GetModuleFileNameA(nullptr, directory, sizeof directory) != 0) {
        char *slash = std::strrchr(directory, '/');
        if (slash != nullptr) {
            *slash = '\0';
            if (Found(Join(directory, name), path, capacity))
                return true;
        }
    }
    if (::getcwd(directory, sizeof directory) != nullptr && Found(Join(directory, name), path, capacity))
        return true;
    if (Found(Join(kSystemDirectory, name), path, capacity))
        return true;
    const char *list = std::getenv("PATH");
    for (const char *at = list; at != nullptr && *at != '\0';) {
        const char *end = std::strchr(at, ':');
        const std::string entry(at, end != nullptr ? static_cast<std::size_t>(end - at) : std::strlen(at));
        if (!entry.empty() && Found(Join(entry, name), path, capacity))
            return true;
        at = end != nullptr ? end + 1 : nullptr;
    }
    SetErrorCode(qsErrorFileNotFound);
    return false;
}

}  // namespace qs
