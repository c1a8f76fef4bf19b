// Date and time pictures: parsing, translation from strftime formats, field removal and rendering.
#include "platform/base/date_picture.h"

#include <langinfo.h>

#include <cstdio>
#include <cstring>

#include "platform/base/calendar.h"

namespace qsbase {
namespace {

// %r refers to T_FMT_AMPM, %X to T_FMT, which may refer to %r again: two levels are all a locale needs.
constexpr int kMaxStrftimeDepth = 3;

void AppendLiteral(Picture *picture, std::string_view text)
{
    if (text.empty())
        return;
    if (!picture->empty() && picture->back().field == 0)
        picture->back().text.append(text);
    else
        picture->push_back({0, 0, std::string(text)});
}

void AppendField(Picture *picture, char field, int count)
{
    picture->push_back({field, count, {}});
}

void Translate(std::string_view format, locale_t locale, int depth, Picture *out)
{
    if (depth > kMaxStrftimeDepth)
        return;
    auto nested = [&](const char *inner) { Translate(inner, locale, depth + 1, out); };
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%') {
            AppendLiteral(out, format.substr(i, 1));
            continue;
        }
        // GNU flags and a width, then the E and O modifiers: only '-' (no padding) matters here.
        bool unpadded = false;
        for (++i; i < format.size() && std::strchr("-_0^#", format[i]) != nullptr; ++i)
            unpadded = unpadded || format[i] == '-';
        while (i < format.size() && format[i] >= '0' && format[i] <= '9')
            ++i;
        if (i < format.size() && (format[i] == 'E' || format[i] == 'O'))
            ++i;
        if (i >= format.size())
            return;
        int number = unpadded ? 1 : 2;
        switch (format[i]) {
        case 'd': AppendField(out, 'd', number); break;
        case 'e': AppendField(out, 'd', 1); break;
        case 'a': AppendField(out, 'd', 3); break;
        case 'A': AppendField(out, 'd', 4); break;
        case 'm': AppendField(out, 'M', number); break;
        case 'b':
        case 'h': AppendField(out, 'M', 3); break;
        case 'B': AppendField(out, 'M', 4); break;
        case 'y': AppendField(out, 'y', number); break;
        case 'Y':
        case 'G': AppendField(out, 'y', 4); break;
        case 'H': AppendField(out, 'H', number); break;
        case 'k': AppendField(out, 'H', 1); break;
        case 'I': AppendField(out, 'h', number); break;
        case 'l': AppendField(out, 'h', 1); break;
        case 'M': AppendField(out, 'm', number); break;
        case 'S': AppendField(out, 's', number); break;
        case 'p':
        case 'P': AppendField(out, 't', 2); break;
        case 'D': nested("%m/%d/%y"); break;
        case 'F': nested("%Y-%m-%d"); break;
        case 'T': nested("%H:%M:%S"); break;
        case 'R': nested("%H:%M"); break;
        case 'r': nested(nl_langinfo_l(T_FMT_AMPM, locale)); break;
        case 'x': nested(nl_langinfo_l(D_FMT, locale)); break;
        case 'X': nested(nl_langinfo_l(T_FMT, locale)); break;
        case 'n': AppendLiteral(out, "\n"); break;
        case 't': AppendLiteral(out, "\t"); break;
        case '%': AppendLiteral(out, "%"); break;
        default: break;  // no picture field for it (time zone, week number, ...)
        }
    }
}

void AppendNumber(std::string *out, unsigned value, int width)
{
    char digits[16];
    int n = std::snprintf(digits, sizeof digits, "%0*u", width, value);
    out->append(digits, static_cast<std::size_t>(n));
}

// The first character of a UTF-8 text.
std::string_view FirstCharacter(std::string_view text)
{
    if (text.empty())
        return text;
    auto lead = static_cast<unsigned char>(text[0]);
    std::size_t length = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    return text.substr(0, length);
}

}  // namespace

bool ParsePicture(std::string_view text, std::string_view fields, Picture *picture)
{
    if (text.size() > kMaxPictureLength)
        return false;
    picture->clear();
    std::size_t i = 0;
    while (i < text.size()) {
        char c = text[i];
        if (c == '\'' && i + 1 < text.size() && text[i + 1] == '\'') {
            AppendLiteral(picture, "'");
            i += 2;
        } else if (c == '\'') {
            // Quoted text runs to the next lone quote (or the end); '' inside is one quote.
            std::string literal;
            for (++i; i < text.size(); ++i) {
                if (text[i] != '\'') {
                    literal += text[i];
                } else if (i + 1 < text.size() && text[i + 1] == '\'') {
                    literal += '\'';
                    ++i;
                } else {
                    ++i;
                    break;
                }
            }
            AppendLiteral(picture, literal);
        } else if (fields.find(c) != std::string_view::npos) {
            std::size_t start = i;
            while (i < text.size() && text[i] == c)
                ++i;
            AppendField(picture, c, static_cast<int>(i - start));
        } else {
            AppendLiteral(picture, text.substr(i, 1));
            ++i;
        }
    }
    return true;
}

Picture PictureFromStrftime(std::string_view format, locale_t locale)
{
    Picture picture;
    Translate(format, locale, 0, &picture);
    return picture;
}

void RemoveField(Picture *picture, char field)
{
    Picture &p = *picture;
    for (std::size_t i = 0; i < p.size();) {
        if (p[i].field != field) {
            ++i;
            continue;
        }
        std::size_t first = i;
        std::size_t last = i + 1;
        if (i >= 2 && p[i - 1].field == 0)
            first = i - 1;  // the separator after the previous field
        else if (i + 1 < p.size() && p[i + 1].field == 0)
            last = i + 2;  // first field: the separator before the next one
        p.erase(p.begin() + static_cast<std::ptrdiff_t>(first), p.begin() + static_cast<std::ptrdiff_t>(last));
        // Two literals may now meet.
        if (first > 0 && first < p.size() && p[first - 1].field == 0 && p[first].field == 0) {
            p[first - 1].text += p[first].text;
            p.erase(p.begin() + static_cast<std::ptrdiff_t>(first));
        }
        i = first;
    }
}

void Force24Hour(Picture *picture)
{
    for (PictureItem &item : *picture)
        if (item.field == 'h')
            item.field = 'H';
}

std::string RenderPicture(const Picture &picture, const SYSTEMTIME &t, locale_t names)
{
    unsigned hour12 = t.wHour % 12 == 0 ? 12 : t.wHour % 12;
    std::string out;
    for (const PictureItem &item : picture) {
        int width = item.count >= 2 ? 2 : 1;
        switch (item.field) {
        case 0: out += item.text; break;
        case 'd':
            if (item.count <= 2)
                AppendNumber(&out, t.wDay, width);
            else
                out += nl_langinfo_l((item.count == 3 ? ABDAY_1 : DAY_1) + DayOfWeek(t.wYear, t.wMonth, t.wDay), names);
            break;
        case 'M':
            if (item.count <= 2)
                AppendNumber(&out, t.wMonth, width);
            else
                out += nl_langinfo_l((item.count == 3 ? ABMON_1 : MON_1) + t.wMonth - 1, names);
            break;
        case 'y':
            if (item.count <= 2)
                AppendNumber(&out, t.wYear % 100u, width);
            else
                AppendNumber(&out, t.wYear, 4);
            break;
        case 'g': break;
        case 'h': AppendNumber(&out, hour12, width); break;
        case 'H': AppendNumber(&out, t.wHour, width); break;
        case 'm': AppendNumber(&out, t.wMinute, width); break;
        case 's': AppendNumber(&out, t.wSecond, width); break;
        case 't': {
            std::string_view marker = nl_langinfo_l(t.wHour < 12 ? AM_STR : PM_STR, names);
            out += item.count == 1 ? FirstCharacter(marker) : marker;
            break;
        }
        default: break;
        }
    }
    return out;
}

}  // namespace qsbase
