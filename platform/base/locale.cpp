// Date and time texts: the locale's pictures, the caller's flags, the caller's buffer.
#include "platform/base/locale.h"

#include <langinfo.h>
#include <locale.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

#include "platform/base/calendar.h"
#include "platform/base/date_picture.h"
#include "platform/base/errors.h"
#include "platform/base/thread.h"

using namespace qsbase;

namespace {

constexpr DWORD kCommonFlags = LOCALE_NOUSEROVERRIDE | LOCALE_USE_CP_ACP;
constexpr DWORD kDateFlags = kCommonFlags | DATE_SHORTDATE | DATE_LONGDATE;
constexpr DWORD kTimeFlags = kCommonFlags | TIME_NOMINUTESORSECONDS | TIME_NOSECONDS | TIME_NOTIMEMARKER |
                             TIME_FORCE24HOURFORMAT;

constexpr const char *kFixedShortDate = "yyyy-MM-dd";
constexpr const char *kFixedLongDate = "dddd, d MMMM yyyy";
constexpr const char *kFixedTime = "HH:mm:ss";

// A loaded locale, freed when the last formatting that uses it is done.
struct LoadedLocale {
    LoadedLocale(std::string localeName, locale_t loaded) : name(std::move(localeName)), handle(loaded) {}
    ~LoadedLocale() { freelocale(handle); }
    LoadedLocale(const LoadedLocale &) = delete;
    LoadedLocale &operator=(const LoadedLocale &) = delete;

    const std::string name;
    const locale_t handle;
};

// The C library's names of the C locale, for the fixed formats.
locale_t CLocale()
{
    static locale_t c = newlocale(LC_TIME_MASK, "C", static_cast<locale_t>(0));
    return c;
}

bool IsCLocaleName(const char *name)
{
    return std::strcmp(name, "C") == 0 || std::strcmp(name, "POSIX") == 0 || std::strncmp(name, "C.", 2) == 0;
}

// The user's time locale; null where the C locale is in force. The last one loaded is kept, so a
// steady environment costs one lookup per call.
std::shared_ptr<LoadedLocale> UserLocale()
{
    const char *name = "C";
    for (const char *variable : {"LC_ALL", "LC_TIME", "LANG"}) {
        const char *value = std::getenv(variable);
        if (value != nullptr && value[0] != '\0') {
            name = value;
            break;
        }
    }
    if (IsCLocaleName(name))
        return nullptr;
    static std::mutex lock;
    static std::shared_ptr<LoadedLocale> last;
    std::lock_guard<std::mutex> hold(lock);
    if (last == nullptr || last->name != name) {
        locale_t handle = newlocale(LC_TIME_MASK, name, static_cast<locale_t>(0));
        if (handle == static_cast<locale_t>(0))
            return nullptr;  // not installed: the fixed format
        last = std::make_shared<LoadedLocale>(name, handle);
    }
    return last;
}

// The locale to format with: the user's (or the system's, the same here), or none for the fixed
// format. False for a locale identifier this system does not have.
bool ResolveLocale(LCID id, std::shared_ptr<LoadedLocale> *user)
{
    if (id == LOCALE_INVARIANT) {
        user->reset();
        return true;
    }
    if (id != LOCALE_USER_DEFAULT && id != LOCALE_SYSTEM_DEFAULT && id != LOCALE_NEUTRAL)
        return false;
    *user = UserLocale();
    return true;
}

Picture FixedPicture(const char *text, std::string_view fields)
{
    Picture picture;
    ParsePicture(text, fields, &picture);
    return picture;
}

// The long date in the order of the short date's fields (see locale.h).
Picture LongDateFromShort(const Picture &shortDate)
{
    char first = 0;
    bool dotAfterDay = false;
    for (std::size_t i = 0; i < shortDate.size(); ++i) {
        char field = shortDate[i].field;
        if (first == 0 && (field == 'd' || field == 'M' || field == 'y'))
            first = field;
        if (field == 'd' && i + 1 < shortDate.size() && shortDate[i + 1].field == 0 &&
            shortDate[i + 1].text.front() == '.')
            dotAfterDay = true;
    }
    if (first == 'M')
        return FixedPicture("dddd, MMMM d, yyyy", kDateFields);
    if (first == 'y')
        return FixedPicture("dddd, yyyy MMMM d", kDateFields);
    return FixedPicture(dotAfterDay ? "dddd, d. MMMM yyyy" : "dddd, d MMMM yyyy", kDateFields);
}

int Deliver(const std::string &text, char *buffer, int size)
{
    std::size_t needed = text.size() + 1;
    if (size == 0)
        return static_cast<int>(needed);
    if (static_cast<std::size_t>(size) < needed) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(buffer, text.c_str(), needed);
    return static_cast<int>(needed);
}

int Fail(DWORD error)
{
    SetLastError(error);
    return 0;
}

}  // namespace

int GetDateFormatA(LCID locale, DWORD flags, const SYSTEMTIME *date, const char *format, char *buffer, int size)
{
    if ((flags & ~kDateFlags) != 0 || ((flags & DATE_SHORTDATE) != 0 && (flags & DATE_LONGDATE) != 0) ||
        (format != nullptr && (flags & (DATE_SHORTDATE | DATE_LONGDATE)) != 0))
        return Fail(ERROR_INVALID_FLAGS);
    std::shared_ptr<LoadedLocale> user;
    if (size < 0 || (size > 0 && buffer == nullptr) || !ResolveLocale(locale, &user))
        return Fail(ERROR_INVALID_PARAMETER);
    SYSTEMTIME now{};
    if (date == nullptr) {
        GetLocalTime(&now);
        date = &now;
    }
    if (!IsValidDate(date->wYear, date->wMonth, date->wDay))
        return Fail(ERROR_INVALID_PARAMETER);
    Picture picture;
    if (format != nullptr) {
        if (!ParsePicture(format, kDateFields, &picture))
            return Fail(ERROR_INVALID_PARAMETER);
    } else if (user == nullptr) {
        picture = FixedPicture((flags & DATE_LONGDATE) != 0 ? kFixedLongDate : kFixedShortDate, kDateFields);
    } else {
        picture = PictureFromStrftime(nl_langinfo_l(D_FMT, user->handle), user->handle);
        if ((flags & DATE_LONGDATE) != 0)
            picture = LongDateFromShort(picture);
    }
    return Deliver(RenderPicture(picture, *date, user != nullptr ? user->handle : CLocale()), buffer, size);
}

int GetTimeFormatA(LCID locale, DWORD flags, const SYSTEMTIME *time, const char *format, char *buffer, int size)
{
    if ((flags & ~kTimeFlags) != 0)
        return Fail(ERROR_INVALID_FLAGS);
    std::shared_ptr<LoadedLocale> user;
    if (size < 0 || (size > 0 && buffer == nullptr) || !ResolveLocale(locale, &user))
        return Fail(ERROR_INVALID_PARAMETER);
    SYSTEMTIME now{};
    if (time == nullptr) {
        GetLocalTime(&now);
        time = &now;
    }
    if (time->wHour >= 24 || time->wMinute >= 60 || time->wSecond >= 60 || time->wMilliseconds >= 1000)
        return Fail(ERROR_INVALID_PARAMETER);
    Picture picture;
    if (format != nullptr) {
        if (!ParsePicture(format, kTimeFields, &picture))
            return Fail(ERROR_INVALID_PARAMETER);
    } else if (user == nullptr) {
        picture = FixedPicture(kFixedTime, kTimeFields);
    } else {
        picture = PictureFromStrftime(nl_langinfo_l(T_FMT, user->handle), user->handle);
    }
    if ((flags & TIME_NOMINUTESORSECONDS) != 0)
        RemoveField(&picture, 'm');
    if ((flags & (TIME_NOMINUTESORSECONDS | TIME_NOSECONDS)) != 0)
        RemoveField(&picture, 's');
    if ((flags & TIME_NOTIMEMARKER) != 0)
        RemoveField(&picture, 't');
    if ((flags & TIME_FORCE24HOURFORMAT) != 0)
        Force24Hour(&picture);
    return Deliver(RenderPicture(picture, *time, user != nullptr ? user->handle : CLocale()), buffer, size);
}
