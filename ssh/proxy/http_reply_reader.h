// Reads an HTTP proxy's answer to CONNECT without doing any I/O: the status line, then header lines
// up to the empty line that opens the tunnel. Bytes after that line are the tunnel's own.
#pragma once
#include <cstddef>
#include <string>

#include "core/error/error_codes.h"
#include "ssh/wire/wire_reader.h"

namespace qs::ssh {

// The whole reply (status line and headers) may not exceed this; a proxy that sends more, or a line
// without end, fails with qsErrorInvalidServerResponse instead of growing the buffer.
inline constexpr std::size_t kMaxProxyReplyBytes = 16384;

class HttpReplyReader {
public:
    enum class Result {
        NeedMore,  // every byte given belongs to the reply, which is not complete yet
        Open,      // the reply ended; `used` bytes of the last input were part of it
        Failed,    // Error() says why; every later call fails too
    };

    // `sentCredentials` tells whether the request carried an authorization line, which decides the
    // error of a refusal for lack of authorization.
    explicit HttpReplyReader(bool sentCredentials) : sentCredentials_(sentCredentials) {}

    // Takes bytes up to the end of the reply and adds the count it took to `used`.
    Result Feed(ByteView in, std::size_t &used);

    ErrorCode Error() const { return error_; }
    // True once the status line has been accepted (the headers are being read).
    bool StatusRead() const { return statusRead_; }
    // Reply bytes taken so far.
    std::size_t Taken() const { return taken_; }

private:
    // Handles the complete line in line_ (without its line end).
    Result EndLine();
    Result CheckStatus();
    Result Fail(ErrorCode error);

    bool sentCredentials_;
    bool statusRead_ = false;
    bool done_ = false;
    ErrorCode error_ = 0;
    std::size_t taken_ = 0;
    std::string line_;  // the line being read, bounded by kMaxProxyReplyBytes through taken_
};

}  // namespace qs::ssh
