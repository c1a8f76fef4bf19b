#include "platform/trace/trace_log.h"

#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

namespace qstrace {
namespace {

constexpr std::size_t kDumpRow = 16;

struct State {
    std::mutex lock;
    std::string path = kDefaultFile;
    std::uint32_t flags = 0;
    int usage = 0;
    std::FILE *file = nullptr;
    SetupTable table{};
};

State &Get()
{
    static State state;
    return state;
}

// "HH:MM:SS.mmm tid " before every line.
void Prefix(std::FILE *file)
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    localtime_r(&now.tv_sec, &local);
    std::fprintf(file, "%02d:%02d:%02d.%03ld %ld ", local.tm_hour, local.tm_min, local.tm_sec,
                 now.tv_nsec / 1000000, static_cast<long>(syscall(SYS_gettid)));
}

// Caller holds the lock. False when the file cannot be opened.
bool OpenLocked(State &state)
{
    if (state.file != nullptr) {
        std::fclose(state.file);
    }
    state.file = std::fopen(state.path.c_str(), "ae");
    return state.file != nullptr;
}

void CloseLocked(State &state)
{
    if (state.file != nullptr) {
        std::fclose(state.file);
        state.file = nullptr;
    }
}

bool SetPathLocked(State &state, const char *file)
{
    if (file == nullptr || *file == '\0' || std::strlen(file) >= kMaxPath) {
        return false;
    }
    state.path = file;
    return true;
}

}  // namespace

int Setup(const SetupTable *table)
{
    if (table == nullptr) {
        return 0;
    }
    State &state = Get();
    std::lock_guard<std::mutex> hold(state.lock);
    state.table = *table;
    return 1;
}

int Enable(const char *file, std::uint32_t flags)
{
    State &state = Get();
    std::lock_guard<std::mutex> hold(state.lock);
    bool newPath = file != nullptr && *file != '\0' && state.path != file;
    if (file != nullptr && *file != '\0' && !SetPathLocked(state, file)) {
        return 0;
    }
    state.flags = flags;
    if ((state.file == nullptr || newPath) && !OpenLocked(state)) {
        return 0;
    }
    ++state.usage;
    Prefix(state.file);
    std::fprintf(state.file, "trace on (flags 0x%x, use %d)\n", flags, state.usage);
    std::fflush(state.file);
    return 1;
}

int Disable()
{
    State &state = Get();
    std::lock_guard<std::mutex> hold(state.lock);
    if (state.usage == 0) {
        return 0;
    }
    if (--state.usage == 0 && state.file != nullptr) {
        Prefix(state.file);
        std::fprintf(state.file, "trace off\n");
        CloseLocked(state);
    }
    return 1;
}

int Usage()
{
    State &state = Get();
    std::lock_guard<std::mutex> hold(state.lock);
    return state.usage;
}

int SetFile(const char *file)
{
    State &state = Get();
    std::lock_guard<std::mutex> hold(state.lock);
    if (!SetPathLocked(state, file)) {
        return 0;
    }
    if (state.usage > 0 && !OpenLocked(state)) {
        return 0;
    }
    return 1;
}

int GetFile(char *buffer, int size)
{
    State &state = Get();
    std::lock_guard<std::mutex> hold(state.lock);
    int length = static_cast<int>(state.path.size());
    if (buffer == nullptr || size <= 0) {
        return length;  // the size needed, without the terminator
    }
    int copied = length < size ? length : size - 1;
    std::memcpy(buffer, state.path.data(), static_cast<std::size_t>(copied));
    buffer[copied] = '\0';
    return copied;
}

int SetFlags(std::uint32_t flags)
{
    State &state = Get();
    std::lock_guard<std::mutex> hold(state.lock);
    state.flags = flags;
    return 1;
}

std::uint32_t Flags()
{
    State &state = Get();
    std::lock_guard<std::mutex> hold(state.lock);
    return state.flags;
}

bool Active()
{
    State &state = Get();
    std::lock_guard<std::mutex> hold(state.lock);
    return state.file != nullptr;
}

int WriteLine(const char *text)
{
    State &state = Get();
    std::lock_guard<std::mutex> hold(state.lock);
    if (state.file == nullptr) {
        return 0;
    }
    Prefix(state.file);
    // One record is one line: line ends inside the text would forge further records.
    for (const char *p = text; *p != '\0'; ++p) {
        std::fputc(*p == '\n' || *p == '\r' ? ' ' : *p, state.file);
    }
    std::fputc('\n', state.file);
    std::fflush(state.file);
    return 1;
}

int WriteDump(const void *data, std::size_t length)
{
    State &state = Get();
    std::lock_guard<std::mutex> hold(state.lock);
    if (state.file == nullptr) {
        return 0;
    }
    const auto *bytes = static_cast<const unsigned char *>(data);
    std::size_t shown = length < kMaxDumpBytes ? length : kMaxDumpBytes;
    for (std::size_t row = 0; row < shown; row += kDumpRow) {
        std::fprintf(state.file, "    %04zx ", row);
        for (std::size_t i = row; i < row + kDumpRow; ++i) {
            if (i < shown) {
                std::fprintf(state.file, " %02x", bytes[i]);
            } else {
                std::fputs("   ", state.file);
            }
        }
        std::fputs("  ", state.file);
        for (std::size_t i = row; i < row + kDumpRow && i < shown; ++i) {
            std::fputc(bytes[i] >= 0x20 && bytes[i] < 0x7F ? bytes[i] : '.', state.file);
        }
        std::fputc('\n', state.file);
    }
    if (shown < length) {
        std::fprintf(state.file, "    ... %zu more bytes\n", length - shown);
    }
    std::fflush(state.file);
    return 1;
}

ErrorGuard::ErrorGuard() : restore_(nullptr), error_(0), errno_(errno)
{
    State &state = Get();
    std::lock_guard<std::mutex> hold(state.lock);
    if (state.table.getLastError != nullptr && state.table.setLastError != nullptr) {
        error_ = state.table.getLastError();
        restore_ = state.table.setLastError;
    }
}

ErrorGuard::~ErrorGuard()
{
    if (restore_ != nullptr) {
        restore_(error_);
    }
    errno = errno_;
}

}  // namespace qstrace
