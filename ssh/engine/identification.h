// The identification-line exchange (RFC 4253 section 4.2): the server's line is read from the first bytes
// of the stream, after any other lines it sends first, and the protocol is chosen from its version.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

#include "ssh/wire/wire_reader.h"

namespace qs::ssh {

// The identification line with its CR LF may not pass this.
inline constexpr std::size_t kMaxIdentificationLine = 255;
// Lines a server may send before its identification line, and the length of each.
inline constexpr std::size_t kMaxPreambleLines = 64;
inline constexpr std::size_t kMaxPreambleLineBytes = 1024;

class IdentificationReader {
public:
    enum class Status { NeedMore, Done, Failed };

    // Takes bytes up to and including the identification line's line feed and adds their count to
    // `consumed`; the bytes after it belong to the packets. Failed sets the error.
    Status Feed(ByteView in, std::size_t &consumed);

    // The line without its line end, and the protocol version text after "SSH-" (for example "2.0").
    const std::string &Line() const { return line_; }
    std::string_view ProtocolVersion() const;

private:
    Status Fail();

    std::string line_;
    std::size_t lines_ = 0;
    bool inPreamble_ = false;  // inside a line that does not start with "SSH-"
    std::size_t preambleBytes_ = 0;
    bool failed_ = false;
};

// The protocol preference: 0 SSH-1 only, 2 both with SSH-2 preferred, 3 SSH-2 only.
enum class ProtocolChoice { None, Ssh1, Ssh2 };
ProtocolChoice ChooseProtocol(std::string_view serverVersion, int preference);

// "SSH-2.0-Quillstream_6.0", without the line end.
std::string ClientIdentification();

}  // namespace qs::ssh
