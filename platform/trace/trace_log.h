// The trace file: one per process, switched on by a use count, written one line (or one hex dump) at
// a time under a lock.
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/trace/qstrace.h"

namespace qstrace {

inline constexpr std::uint32_t kFlagError = 1;
inline constexpr std::uint32_t kFlagWarning = 2;
inline constexpr std::uint32_t kFlagHexDump = 4;
inline constexpr char kDefaultFile[] = "qstrace6.log";  // in the current directory
inline constexpr std::size_t kMaxPath = 4096;
inline constexpr std::size_t kMaxDumpBytes = 64 * 1024;  // per record; the rest is counted, not shown

int Setup(const SetupTable *table);
int Enable(const char *file, std::uint32_t flags);
int Disable();
int Usage();
int SetFile(const char *file);
int GetFile(char *buffer, int size);
int SetFlags(std::uint32_t flags);
std::uint32_t Flags();
bool Active();
// Both return 1 when written, 0 when tracing is off.
int WriteLine(const char *text);
int WriteDump(const void *data, std::size_t length);

// Keeps the socket library's last error (and errno) as they were across the trace library's own work.
class ErrorGuard {
public:
    ErrorGuard();
    ~ErrorGuard();
    ErrorGuard(const ErrorGuard &) = delete;
    ErrorGuard &operator=(const ErrorGuard &) = delete;
    int error() const { return error_; }

private:
    ws::WSASetLastError_fn restore_;
    int error_;
    int errno_;
};

}  // namespace qstrace
