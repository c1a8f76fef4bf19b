#include "tests/terminal/escaped_text.h"

namespace qs::term::testing {
namespace {

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace

bool DecodeEscaped(std::string_view text, std::string *bytes, std::size_t *where)
{
    bytes->clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            bytes->push_back(text[i]);
            continue;
        }
        *where = i;
        if (++i >= text.size())
            return false;
        switch (text[i]) {
        case 'e': bytes->push_back('\x1b'); break;
        case 'r': bytes->push_back('\r'); break;
        case 'n': bytes->push_back('\n'); break;
        case 't': bytes->push_back('\t'); break;
        case 'b': bytes->push_back('\b'); break;
        case 'a': bytes->push_back('\a'); break;
        case '\\': bytes->push_back('\\'); break;
        case '"': bytes->push_back('"'); break;
        case 'x': {
            const int hi = i + 1 < text.size() ? HexDigit(text[i + 1]) : -1;
            const int lo = i + 2 < text.size() ? HexDigit(text[i + 2]) : -1;
            if (hi < 0 || lo < 0)
                return false;
            bytes->push_back(static_cast<char>(hi * 16 + lo));
            i += 2;
            break;
        }
        default:
            return false;
        }
    }
    return true;
}

}  // namespace qs::term::testing
