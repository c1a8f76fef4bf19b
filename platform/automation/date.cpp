#include "platform/automation/date.h"

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <langinfo.h>
#include <locale.h>

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;
constexpr std::size_t kDateTextCap = 128;  // longest text one date formats to

// Days from 1970-01-01 to the given proleptic Gregorian date.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    unsigned yoe = static_cast<unsigned>(y - era * 400);
    unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int *year, unsigned *month, unsigned *day) {
    z += 719468;
    std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    unsigned doe = static_cast<unsigned>(z - era * 146097);
    unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
    unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    unsigned mp = (5 * doy + 2) / 153;
    *day = doy - (153 * mp + 2) / 5 + 1;
    *month = mp < 10 ? mp + 3 : mp - 9;
    *year = static_cast<int>(y + (*month <= 2));
}

const std::int64_t kEpochDay = DaysFromCivil(1899, 12, 30);

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

unsigned DaysInMonth(int y, unsigned m) {
    static const unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

// A date value from its day (relative to 1899-12-30) and seconds into that day.
DATE Compose(std::int64_t day, std::int64_t seconds) {
    double time = static_cast<double>(seconds) / kSecondsPerDay;
    return day >= 0 ? static_cast<double>(day) + time : static_cast<double>(day) - time;
}

// The calendar day and the seconds of a date value, rounded to the second.
void Decompose(DATE date, std::int64_t *day, std::int64_t *seconds) {
    double whole = std::trunc(date);
    double fraction = std::fabs(date - whole);
    std::int64_t d = static_cast<std::int64_t>(whole);
    std::int64_t s = std::llround(fraction * kSecondsPerDay);
    if (s >= kSecondsPerDay) {
        s -= kSecondsPerDay;
        ++d;
    }
    *day = d;
    *seconds = s;
}

bool FieldsValid(int y, unsigned m, unsigned d, unsigned h, unsigned mi, unsigned s) {
    return y >= 100 && y <= 9999 && m >= 1 && m <= 12 && d >= 1 && d <= DaysInMonth(y, m) && h < 24 && mi < 60 &&
           s < 60;
}

// The user's time locale, or none where the C locale is in force or the named one is not installed.
class UserLocale {
public:
    UserLocale() {
        const char *name = "C";
        for (const char *var : {"LC_ALL", "LC_TIME", "LANG"}) {
            const char *v = std::getenv(var);
            if (v && *v) {
                name = v;
                break;
            }
        }
        bool isC = std::strcmp(name, "C") == 0 || std::strcmp(name, "POSIX") == 0 || std::strncmp(name, "C.", 2) == 0;
        if (!isC) locale_ = newlocale(LC_TIME_MASK, name, static_cast<locale_t>(0));
    }
    ~UserLocale() {
        if (locale_) freelocale(locale_);
    }
    UserLocale(const UserLocale &) = delete;
    UserLocale &operator=(const UserLocale &) = delete;
    locale_t get() const { return locale_; }

private:
    locale_t locale_ = static_cast<locale_t>(0);
};

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

// Reads 1..maxDigits decimal digits; moves the view only on success.
bool ReadNumber(std::string_view *text, int minDigits, int maxDigits, unsigned *value) {
    unsigned v = 0;
    int n = 0;
    while (n < maxDigits && n < static_cast<int>(text->size()) && (*text)[n] >= '0' && (*text)[n] <= '9') {
        v = v * 10 + static_cast<unsigned>((*text)[n] - '0');
        ++n;
    }
    if (n < minDigits) return false;
    text->remove_prefix(n);
    *value = v;
    return true;
}

bool Take(std::string_view *text, char c) {
    if (text->empty() || text->front() != c) return false;
    text->remove_prefix(1);
    return true;
}

// "HH:MM[:SS]" filling the whole view.
bool ParseFixedTime(std::string_view text, unsigned *h, unsigned *mi, unsigned *s) {
    *s = 0;
    if (!ReadNumber(&text, 1, 2, h) || !Take(&text, ':') || !ReadNumber(&text, 2, 2, mi)) return false;
    if (Take(&text, ':') && !ReadNumber(&text, 2, 2, s)) return false;
    return text.empty();
}

bool ParseFixed(std::string_view text, DATE *date) {
    unsigned y, m, d, h = 0, mi = 0, s = 0;
    std::string_view rest = text;
    if (ReadNumber(&rest, 4, 4, &y) && Take(&rest, '-')) {
        if (!ReadNumber(&rest, 1, 2, &m) || !Take(&rest, '-') || !ReadNumber(&rest, 1, 2, &d)) return false;
        if (!rest.empty()) {
            if (rest.front() != ' ' && rest.front() != 'T') return false;
            rest.remove_prefix(1);
            if (!ParseFixedTime(Trim(rest), &h, &mi, &s)) return false;
        }
        if (!FieldsValid(static_cast<int>(y), m, d, h, mi, s)) return false;
        *date = Compose(DaysFromCivil(y, m, d) - kEpochDay, h * 3600 + mi * 60 + s);
        return true;
    }
    if (!ParseFixedTime(text, &h, &mi, &s) || h >= 24 || mi >= 60 || s >= 60) return false;
    *date = Compose(0, h * 3600 + mi * 60 + s);
    return true;
}

// One of the locale's formats, consuming the whole text.
bool ParseWithLocale(const std::string &text, const std::string &format, locale_t locale, bool hasDate, DATE *date) {
    struct tm tm {};
    const char *end = strptime_l(text.c_str(), format.c_str(), &tm, locale);
    if (!end || !Trim(end).empty()) return false;
    int y = hasDate ? tm.tm_year + 1900 : 1899;
    unsigned m = hasDate ? static_cast<unsigned>(tm.tm_mon + 1) : 12;
    unsigned d = hasDate ? static_cast<unsigned>(tm.tm_mday) : 30;
    unsigned h = static_cast<unsigned>(tm.tm_hour), mi = static_cast<unsigned>(tm.tm_min);
    unsigned s = static_cast<unsigned>(tm.tm_sec);
    if (!FieldsValid(y, m, d, h, mi, s)) return false;
    *date = Compose(DaysFromCivil(y, m, d) - kEpochDay, h * 3600 + mi * 60 + s);
    return true;
}

}  // namespace

int SystemTimeToVariantTime(const SYSTEMTIME *t, DATE *date) {
    if (!t || !date) return FALSE;
    if (!FieldsValid(t->wYear, t->wMonth, t->wDay, t->wHour, t->wMinute, t->wSecond)) return FALSE;
    std::int64_t day = DaysFromCivil(t->wYear, t->wMonth, t->wDay) - kEpochDay;
    std::int64_t seconds = t->wHour * 3600 + t->wMinute * 60 + t->wSecond + (t->wMilliseconds >= 500 ? 1 : 0);
    if (seconds >= kSecondsPerDay) {
        seconds -= kSecondsPerDay;
        ++day;
    }
    *date = Compose(day, seconds);
    return TRUE;
}

int VariantTimeToSystemTime(DATE date, SYSTEMTIME *t) {
    if (!t || !(date >= kMinDate && date <= kMaxDate)) return FALSE;
    std::int64_t day, seconds;
    Decompose(date, &day, &seconds);
    int y;
    unsigned m, d;
    std::int64_t absolute = day + kEpochDay;
    CivilFromDays(absolute, &y, &m, &d);
    if (y < 100 || y > 9999) return FALSE;
    t->wYear = static_cast<WORD>(y);
    t->wMonth = static_cast<WORD>(m);
    t->wDay = static_cast<WORD>(d);
    // 1970-01-01 was a Thursday.
    t->wDayOfWeek = static_cast<WORD>(((absolute % 7) + 11) % 7);
    t->wHour = static_cast<WORD>(seconds / 3600);
    t->wMinute = static_cast<WORD>(seconds / 60 % 60);
    t->wSecond = static_cast<WORD>(seconds % 60);
    t->wMilliseconds = 0;
    return TRUE;
}

namespace qs::automation {

bool FormatDate(DATE date, std::string *text) {
    SYSTEMTIME t;
    if (!VariantTimeToSystemTime(date, &t)) return false;
    std::int64_t day, seconds;
    Decompose(date, &day, &seconds);
    bool showDate = day != 0 || seconds == 0;
    bool showTime = seconds != 0;
    char buffer[kDateTextCap];
    UserLocale locale;
    if (!locale.get()) {
        int n = 0;
        if (showDate && showTime) {
            n = std::snprintf(buffer, sizeof buffer, "%04u-%02u-%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay,
                              t.wHour, t.wMinute, t.wSecond);
        } else if (showDate) {
            n = std::snprintf(buffer, sizeof buffer, "%04u-%02u-%02u", t.wYear, t.wMonth, t.wDay);
        } else {
            n = std::snprintf(buffer, sizeof buffer, "%02u:%02u:%02u", t.wHour, t.wMinute, t.wSecond);
        }
        text->assign(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
        return true;
    }
    struct tm tm {};
    tm.tm_year = t.wYear - 1900;
    tm.tm_mon = t.wMonth - 1;
    tm.tm_mday = t.wDay;
    tm.tm_hour = t.wHour;
    tm.tm_min = t.wMinute;
    tm.tm_sec = t.wSecond;
    tm.tm_wday = t.wDayOfWeek;
    tm.tm_yday = static_cast<int>(DaysFromCivil(t.wYear, t.wMonth, t.wDay) - DaysFromCivil(t.wYear, 1, 1));
    std::string format;
    if (showDate) format = nl_langinfo_l(D_FMT, locale.get());
    if (showDate && showTime) format += ' ';
    if (showTime) format += nl_langinfo_l(T_FMT, locale.get());
    std::size_t n = strftime_l(buffer, sizeof buffer, format.c_str(), &tm, locale.get());
    text->assign(buffer, n);
    return true;
}

HRESULT ParseDate(std::string_view input, DATE *date) {
    std::string_view text = Trim(input);
    if (text.empty()) return DISP_E_TYPEMISMATCH;
    if (ParseFixed(text, date)) return S_OK;
    UserLocale locale;
    if (locale.get()) {
        std::string copy(text);
        std::string d = nl_langinfo_l(D_FMT, locale.get());
        std::string t = nl_langinfo_l(T_FMT, locale.get());
        if (ParseWithLocale(copy, d + " " + t, locale.get(), true, date)) return S_OK;
        if (ParseWithLocale(copy, d, locale.get(), true, date)) return S_OK;
        if (ParseWithLocale(copy, t, locale.get(), false, date)) return S_OK;
    }
    return DISP_E_TYPEMISMATCH;
}

}  // namespace qs::automation
