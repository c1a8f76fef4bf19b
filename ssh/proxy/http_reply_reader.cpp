#include "ssh/proxy/http_reply_reader.h"

#include <string_view>

namespace qs::ssh {
namespace {

constexpr std::string_view kVersionPrefix = "HTTP/";
constexpr int kStatusDigits = 3;
constexpr int kUnauthorized = 401;
constexpr int kProxyAuthenticationRequired = 407;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Moves past one or more digits; false when there is none.
bool SkipNumber(std::string_view text, std::size_t &pos)
{
    const std::size_t start = pos;
    while (pos < text.size() && IsDigit(text[pos]))
        ++pos;
    return pos > start;
}

// "HTTP/" major "." minor, blanks, then a three-digit status followed by a blank or the end. -1 when the
// line does not have that form.
int ParseStatusLine(std::string_view line)
{
    if (line.substr(0, kVersionPrefix.size()) != kVersionPrefix)
        return -1;
    std::size_t pos = kVersionPrefix.size();
    if (!SkipNumber(line, pos) || pos >= line.size() || line[pos] != '.')
        return -1;
    ++pos;
    if (!SkipNumber(line, pos))
        return -1;
    const std::size_t versionEnd = pos;
    while (pos < line.size() && IsBlank(line[pos]))
        ++pos;
    if (pos == versionEnd || line.size() - pos < kStatusDigits)
        return -1;
    int status = 0;
    for (int i = 0; i < kStatusDigits; ++i, ++pos) {
        if (!IsDigit(line[pos]))
            return -1;
        status = status * 10 + (line[pos] - '0');
    }
    if (pos < line.size() && !IsBlank(line[pos]))
        return -1;
    return status;
}

}  // namespace

HttpReplyReader::Result HttpReplyReader::Fail(ErrorCode error)
{
    error_ = error;
    return Result::Failed;
}

HttpReplyReader::Result HttpReplyReader::CheckStatus()
{
    const int status = ParseStatusLine(line_);
    if (status < 0)
        return Fail(MakeErrorCode(qsErrorInvalidServerResponse));
    if (status / 100 == 2) {
        statusRead_ = true;
        return Result::NeedMore;
    }
    if (status == kProxyAuthenticationRequired || status == kUnauthorized)
        return Fail(MakeErrorCode(sentCredentials_ ? qsErrorInvalidProxyLogin : qsErrorProxyAuthenticationRequired));
    return Fail(MakeErrorCode(qsErrorUnexpectedServerResponse));
}

HttpReplyReader::Result HttpReplyReader::EndLine()
{
    if (!statusRead_)
        return CheckStatus();
    // Header contents are not used, so a folded line (one starting with a blank) needs no joining: only
    // the empty line matters.
    if (line_.empty()) {
        done_ = true;
        return Result::Open;
    }
    return Result::NeedMore;
}

HttpReplyReader::Result HttpReplyReader::Feed(ByteView in, std::size_t &used)
{
    if (error_ != 0)
        return Result::Failed;
    if (done_)
        return Result::Open;
    for (std::size_t i = 0; i < in.size(); ++i) {
        if (taken_ == kMaxProxyReplyBytes)
            return Fail(MakeErrorCode(qsErrorInvalidServerResponse));
        ++taken_;
        ++used;
        const char c = static_cast<char>(in[i]);
        if (c != '\n') {
            line_ += c;
            continue;
        }
        if (!line_.empty() && line_.back() == '\r')
            line_.pop_back();
        Result result = EndLine();
        line_.clear();
        if (result != Result::NeedMore)
            return result;
    }
    return Result::NeedMore;
}

}  // namespace qs::ssh
