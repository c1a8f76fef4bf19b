#include "ssh/engine/identification.h"

#include <cstdio>

#include "core/error/last_error.h"

namespace qs::ssh {
namespace {

constexpr std::string_view kPrefix = "SSH-";

// The integers before and after the first dot; later parts are ignored.
struct Version {
    long major = 0;
    long minor = 0;
};

Version ParseVersion(std::string_view text)
{
    Version v;
    std::size_t i = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9' && v.major < 100000; ++i)
        v.major = v.major * 10 + (text[i] - '0');
    if (i < text.size() && text[i] == '.') {
        for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9' && v.minor < 100000; ++i)
            v.minor = v.minor * 10 + (text[i] - '0');
    }
    return v;
}

bool Below(Version a, long major, long minor)
{
    return a.major < major || (a.major == major && a.minor < minor);
}

}  // namespace

IdentificationReader::Status IdentificationReader::Fail()
{
    failed_ = true;
    SetErrorCode(qsErrorInvalidProtocolVersion);
    return Status::Failed;
}

IdentificationReader::Status IdentificationReader::Feed(ByteView in, std::size_t &consumed)
{
    if (failed_)
        return Status::Failed;
    for (const std::uint8_t byte : in) {
        ++consumed;
        const char c = static_cast<char>(byte);
        if (inPreamble_) {
            if (++preambleBytes_ > kMaxPreambleLineBytes)
                return Fail();
            if (c == '\n')
                inPreamble_ = false;
            continue;
        }
        if (line_.size() < kPrefix.size() && c != kPrefix[line_.size()]) {
            // Not an identification line: skip it, within the bounds.
            if (++lines_ > kMaxPreambleLines)
                return Fail();
            preambleBytes_ = line_.size() + 1;
            line_.clear();
            inPreamble_ = c != '\n';
            continue;
        }
        if (c == '\n') {
            if (!line_.empty() && line_.back() == '\r')
                line_.pop_back();
            // The line must not hold a CR or NUL inside; everything after the version is free text.
            if (line_.find_first_of(std::string_view("\r\0", 2)) != std::string::npos)
                return Fail();
            return Status::Done;
        }
        if (line_.size() + 2 > kMaxIdentificationLine)
            return Fail();
        line_ += c;
    }
    return Status::NeedMore;
}

std::string_view IdentificationReader::ProtocolVersion() const
{
    std::string_view rest = std::string_view(line_).substr(kPrefix.size());
    return rest.substr(0, rest.find('-'));
}

ProtocolChoice ChooseProtocol(std::string_view serverVersion, int preference)
{
    const Version v = ParseVersion(serverVersion);
    if (Below(v, 1, 99))
        return preference == 3 ? ProtocolChoice::None : ProtocolChoice::Ssh1;
    if (preference == 0)
        return Below(v, 2, 0) ? ProtocolChoice::Ssh1 : ProtocolChoice::None;
    return ProtocolChoice::Ssh2;
}

std::string ClientIdentification()
{
    char line[64];
    std::snprintf(line, sizeof line, "SSH-2.0-Quillstream_%d.%d", 6, 0);
    return line;
}

}  // namespace qs::ssh
