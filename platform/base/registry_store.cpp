#include "platform/base/registry_store.h"

#include <fcntl.h>
#include <pthread.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <string>

#include "platform/base/registry.h"

namespace qsbase::reg {
namespace {

// Identifies one version of the file: a rename always brings a new inode.
struct Stamp {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    long long mtimeSec = 0;
    long mtimeNsec = 0;

    bool operator==(const Stamp &) const = default;
};

Stamp StampOf(const struct stat &st)
{
    return Stamp{true, st.st_dev, st.st_ino, st.st_size, static_cast<long long>(st.st_mtim.tv_sec), st.st_mtim.tv_nsec};
}

struct Store {
    std::mutex lock;
    std::string path;  // the file the tree was read from
    Stamp stamp;
    Tree tree;
    bool corrupt = false;
    bool loaded = false;
};

Store &TheStore()
{
    static Store *store = [] {
        auto *created = new Store;  // never destroyed: keys may be used while the process exits
        pthread_atfork([] { TheStore().lock.lock(); }, [] { TheStore().lock.unlock(); },
                       [] { TheStore().lock.unlock(); });
        return created;
    }();
    return *store;
}

std::string StorePath()
{
    if (const char *path = std::getenv("QS_REGISTRY"); path != nullptr && path[0] != '\0')
        return path;
    const char *home = std::getenv("HOME");
    if (home == nullptr || home[0] == '\0') {
        const passwd *user = getpwuid(getuid());
        home = user != nullptr ? user->pw_dir : "/tmp";
    }
    return std::string(home) + "/.config/quillstream/registry";
}

void Reset(Store &store, const std::string &path, const Stamp &stamp)
{
    store.path = path;
    store.stamp = stamp;
    store.tree = Tree{};
    store.corrupt = false;
    store.loaded = true;
}

bool ReadAll(int fd, std::size_t size, std::string *out)
{
    out->resize(size);
    std::size_t done = 0;
    while (done < size) {
        ssize_t n = read(fd, out->data() + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Brings the tree up to date with the file.
void Refresh(Store &store)
{
    std::string path = StorePath();
    struct stat st{};
    if (stat(path.c_str(), &st) != 0) {
        if (!store.loaded || store.path != path || store.stamp.exists)
            Reset(store, path, Stamp{});
        return;
    }
    if (store.loaded && store.path == path && store.stamp == StampOf(st))
        return;
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || fstat(fd, &st) != 0) {
        if (fd >= 0)
            close(fd);
        Reset(store, path, Stamp{});
        store.corrupt = true;
        return;
    }
    Reset(store, path, StampOf(st));
    std::string text;
    if (static_cast<std::size_t>(st.st_size) > kMaxStoreFile || !ReadAll(fd, static_cast<std::size_t>(st.st_size), &text))
        store.corrupt = true;
    else
        store.corrupt = !ParseTree(text, &store.tree);
    close(fd);
}

bool MakeParents(const std::string &path)
{
    for (std::size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
        std::string dir = path.substr(0, slash);
        if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    return true;
}

bool WriteFile(const std::string &path, const std::string &text)
{
    std::string temp = path + ".tmp" + std::to_string(getpid());
    int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    std::size_t done = 0;
    bool ok = true;
    while (ok && done < text.size()) {
        ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        if (ok)
            done += static_cast<std::size_t>(n);
    }
    ok = ok && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    ok = ok && rename(temp.c_str(), path.c_str()) == 0;
    if (!ok)
        unlink(temp.c_str());
    return ok;
}

}  // namespace

LONG ReadStore(const std::function<LONG(const Tree &)> &read)
{
    Store &store = TheStore();
    std::lock_guard<std::mutex> hold(store.lock);
    Refresh(store);
    return read(store.tree);
}

LONG WriteStore(const std::function<LONG(Tree &, bool *changed)> &change)
{
    Store &store = TheStore();
    std::lock_guard<std::mutex> hold(store.lock);
    std::string path = StorePath();
    if (!MakeParents(path))
        return ERROR_ACCESS_DENIED;
    int lockFd = open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lockFd < 0)
        return ERROR_ACCESS_DENIED;
    while (flock(lockFd, LOCK_EX) != 0 && errno == EINTR) {
    }
    Refresh(store);
    LONG result = ERROR_REGISTRY_CORRUPT;
    if (!store.corrupt) {
        bool changed = false;
        result = change(store.tree, &changed);
        if (result == ERROR_SUCCESS && changed) {
            struct stat st{};
            if (WriteFile(path, FormatTree(store.tree)) && stat(path.c_str(), &st) == 0) {
                store.stamp = StampOf(st);
            } else {
                store.loaded = false;  // the file still holds the old store: read it again next time
                result = ERROR_REGISTRY_IO_FAILED;
            }
        }
    }
    flock(lockFd, LOCK_UN);
    close(lockFd);
    return result;
}

}  // namespace qsbase::reg
