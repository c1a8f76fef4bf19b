// Date and time texts in the C locale, in installed locales and from callers' pictures.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/base/clock.h"
#include "platform/base/errors.h"
#include "platform/base/locale.h"
#include "platform/base/thread.h"

namespace {

// Tuesday 2 January 2024, 15:04:05; the day of the week given is wrong on purpose.
constexpr SYSTEMTIME kAfternoon{2024, 1, 6, 2, 15, 4, 5, 0};
constexpr SYSTEMTIME kMorning{2005, 3, 0, 1, 0, 30, 9, 0};  // Tuesday 1 March 2005, 00:30:09

// Each test names its locale through the environment, as a user would.
class LocaleText : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char *name : {"LC_ALL", "LC_TIME", "LANG"}) {
            const char *value = std::getenv(name);
            saved_.push_back(value != nullptr ? std::string(value) : std::string("\x01"));
            unsetenv(name);
        }
    }
    void TearDown() override
    {
        const char *names[] = {"LC_ALL", "LC_TIME", "LANG"};
        for (std::size_t i = 0; i < 3; ++i) {
            if (saved_[i] == "\x01")
                unsetenv(names[i]);
            else
                setenv(names[i], saved_[i].c_str(), 1);
        }
    }
    static void Use(const char *locale) { setenv("LC_ALL", locale, 1); }

    static std::string Date(DWORD flags, const SYSTEMTIME &t, const char *picture = nullptr,
                            LCID locale = LOCALE_USER_DEFAULT)
    {
        char text[128];
        int n = GetDateFormatA(locale, flags, &t, picture, text, sizeof text);
        EXPECT_GT(n, 0) << "error " << GetLastError();
        if (n <= 0)
            return "<failed>";
        EXPECT_EQ(static_cast<std::size_t>(n), std::strlen(text) + 1);
        return text;
    }
    static std::string Time(DWORD flags, const SYSTEMTIME &t, const char *picture = nullptr)
    {
        char text[128];
        int n = GetTimeFormatA(LOCALE_USER_DEFAULT, flags, &t, picture, text, sizeof text);
        EXPECT_GT(n, 0) << "error " << GetLastError();
        if (n <= 0)
            return "<failed>";
        EXPECT_EQ(static_cast<std::size_t>(n), std::strlen(text) + 1);
        return text;
    }

private:
    std::vector<std::string> saved_;
};

TEST_F(LocaleText, FixedFormatWhereTheCLocaleIsInForce)
{
    // Unset, C, POSIX, C.UTF-8 and a locale that is not installed all give the one fixed format.
    for (const char *locale : {"", "C", "POSIX", "C.UTF-8", "xx_YY.UTF-8"}) {
        SCOPED_TRACE(locale);
        if (locale[0] != '\0')
            Use(locale);
        EXPECT_EQ(Date(DATE_SHORTDATE, kAfternoon), "2024-01-02");
        EXPECT_EQ(Date(0, kAfternoon), "2024-01-02");
        EXPECT_EQ(Date(DATE_LONGDATE, kAfternoon), "Tuesday, 2 January 2024");
        EXPECT_EQ(Time(0, kAfternoon), "15:04:05");
        EXPECT_EQ(Time(0, kMorning), "00:30:09");
        EXPECT_EQ(Time(TIME_NOSECONDS, kAfternoon), "15:04");
        EXPECT_EQ(Time(TIME_NOMINUTESORSECONDS, kAfternoon), "15");
    }
    // The invariant locale ignores the environment.
    Use("de_DE.UTF-8");
    EXPECT_EQ(Date(DATE_SHORTDATE, kAfternoon, nullptr, LOCALE_INVARIANT), "2024-01-02");
}

TEST_F(LocaleText, GermanLocale)
{
    Use("de_DE.UTF-8");
    EXPECT_EQ(Date(DATE_SHORTDATE, kAfternoon), "02.01.2024");
    EXPECT_EQ(Date(DATE_LONGDATE, kAfternoon), "Dienstag, 2. Januar 2024");
    EXPECT_EQ(Date(DATE_LONGDATE, kMorning), "Dienstag, 1. März 2005");
    EXPECT_EQ(Time(0, kAfternoon), "15:04:05");
    EXPECT_EQ(Time(TIME_NOSECONDS, kMorning), "00:30");
    EXPECT_EQ(Date(0, kMorning, "ddd d MMM yy"), "Di 1 Mär 05");
}

TEST_F(LocaleText, AmericanLocaleWithTheTimeMarker)
{
    Use("en_US.UTF-8");
    EXPECT_EQ(Date(DATE_SHORTDATE, kAfternoon), "01/02/2024");
    EXPECT_EQ(Date(DATE_LONGDATE, kAfternoon), "Tuesday, January 2, 2024");
    struct Case {
        DWORD flags;
        const SYSTEMTIME *time;
        const char *text;
    } cases[] = {
        {0, &kAfternoon, "03:04:05 PM"},
        {0, &kMorning, "12:30:09 AM"},
        {TIME_NOSECONDS, &kAfternoon, "03:04 PM"},
        {TIME_NOMINUTESORSECONDS, &kAfternoon, "03 PM"},
        {TIME_NOTIMEMARKER, &kAfternoon, "03:04:05"},
        // As on the platform, 24-hour format keeps the marker unless it is dropped as well.
        {TIME_FORCE24HOURFORMAT, &kAfternoon, "15:04:05 PM"},
        {TIME_FORCE24HOURFORMAT | TIME_NOTIMEMARKER | TIME_NOSECONDS, &kMorning, "00:30"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Time(c.flags, *c.time), c.text) << "flags " << c.flags;
}

TEST_F(LocaleText, VariablesInTheirOrder)
{
    setenv("LANG", "de_DE.UTF-8", 1);
    EXPECT_EQ(Date(0, kAfternoon), "02.01.2024");
    setenv("LC_TIME", "en_US.UTF-8", 1);
    EXPECT_EQ(Date(0, kAfternoon), "01/02/2024");
    setenv("LC_ALL", "C", 1);
    EXPECT_EQ(Date(0, kAfternoon), "2024-01-02");
    setenv("LC_ALL", "", 1);  // empty counts as unset
    EXPECT_EQ(Date(0, kAfternoon), "01/02/2024");
}

TEST_F(LocaleText, CallersPictures)
{
    Use("en_US.UTF-8");
    struct Case {
        bool date;
        const char *picture;
        const SYSTEMTIME *t;
        const char *text;
    } cases[] = {
        {true, "dddd dd/MM/yyyy", &kMorning, "Tuesday 01/03/2005"},
        {true, "d M y yy yyyy gg", &kMorning, "1 3 5 05 2005 "},
        {true, "MMM MMMM ddd", &kAfternoon, "Jan January Tue"},
        {true, "'day' d 'o''clock' ''", &kAfternoon, "day 2 o'clock '"},
        {true, "hh:mm d 'unterminated", &kAfternoon, "hh:mm 2 unterminated"},  // time letters are literal
        {false, "h H hh HH m mm s ss t tt", &kAfternoon, "3 15 03 15 4 04 5 05 P PM"},
        {false, "tt h:mm", &kAfternoon, "PM 3:04"},
        {false, "dd 'h' HH", &kAfternoon, "dd h 15"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(c.date ? Date(0, *c.t, c.picture) : Time(0, *c.t, c.picture), c.text) << c.picture;
    // The flags also apply to a caller's picture, a leading marker taking its separator with it.
    EXPECT_EQ(Time(TIME_NOTIMEMARKER | TIME_NOSECONDS, kAfternoon, "tt h:mm:ss"), "3:04");
    EXPECT_EQ(Time(TIME_FORCE24HOURFORMAT, kMorning, "h:mm"), "0:30");
}

TEST_F(LocaleText, BuffersAndSizes)
{
    char text[16];
    std::memset(text, 'x', sizeof text);
    EXPECT_EQ(GetDateFormatA(LOCALE_USER_DEFAULT, 0, &kAfternoon, nullptr, nullptr, 0), 11);
    SetLastError(0);
    EXPECT_EQ(GetDateFormatA(LOCALE_USER_DEFAULT, 0, &kAfternoon, nullptr, text, 10), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(text[0], 'x');  // nothing written
    EXPECT_EQ(GetDateFormatA(LOCALE_USER_DEFAULT, 0, &kAfternoon, nullptr, text, 11), 11);
    EXPECT_STREQ(text, "2024-01-02");
    EXPECT_EQ(GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &kAfternoon, nullptr, nullptr, 0), 9);
    EXPECT_EQ(GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &kAfternoon, nullptr, text, 8), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
}

TEST_F(LocaleText, RefusedArguments)
{
    char text[64];
    const SYSTEMTIME badDates[] = {
        {2023, 2, 0, 29, 0, 0, 0, 0}, {2024, 13, 0, 1, 0, 0, 0, 0}, {2024, 4, 0, 31, 0, 0, 0, 0},
        {2024, 1, 0, 0, 0, 0, 0, 0},  {0, 1, 0, 1, 0, 0, 0, 0},
    };
    const SYSTEMTIME badTimes[] = {
        {2024, 1, 0, 1, 24, 0, 0, 0}, {2024, 1, 0, 1, 0, 60, 0, 0}, {2024, 1, 0, 1, 0, 0, 60, 0},
        {2024, 1, 0, 1, 0, 0, 0, 1000},
    };
    std::string longPicture(257, 'd');
    auto date = [&](LCID locale, DWORD flags, const SYSTEMTIME *t, const char *picture, char *buffer, int size) {
        SetLastError(0);
        EXPECT_EQ(GetDateFormatA(locale, flags, t, picture, buffer, size), 0);
        return GetLastError();
    };
    auto time = [&](LCID locale, DWORD flags, const SYSTEMTIME *t, const char *picture, char *buffer, int size) {
        SetLastError(0);
        EXPECT_EQ(GetTimeFormatA(locale, flags, t, picture, buffer, size), 0);
        return GetLastError();
    };
    const DWORD invalid = ERROR_INVALID_PARAMETER;
    const DWORD flags = ERROR_INVALID_FLAGS;
    for (const SYSTEMTIME &t : badDates)
        EXPECT_EQ(date(LOCALE_USER_DEFAULT, 0, &t, nullptr, text, 64), invalid) << t.wYear << "-" << t.wMonth;
    for (const SYSTEMTIME &t : badTimes)
        EXPECT_EQ(time(LOCALE_USER_DEFAULT, 0, &t, nullptr, text, 64), invalid) << t.wHour << ":" << t.wMinute;
    EXPECT_EQ(date(0x0409, 0, &kAfternoon, nullptr, text, 64), invalid);
    EXPECT_EQ(time(0x0407, 0, &kAfternoon, nullptr, text, 64), invalid);
    EXPECT_EQ(date(LOCALE_USER_DEFAULT, 0, &kAfternoon, nullptr, nullptr, 64), invalid);
    EXPECT_EQ(time(LOCALE_USER_DEFAULT, 0, &kAfternoon, nullptr, text, -1), invalid);
    EXPECT_EQ(date(LOCALE_USER_DEFAULT, 0, &kAfternoon, longPicture.c_str(), text, 64), invalid);
    EXPECT_EQ(date(LOCALE_USER_DEFAULT, DATE_SHORTDATE | DATE_LONGDATE, &kAfternoon, nullptr, text, 64), flags);
    EXPECT_EQ(date(LOCALE_USER_DEFAULT, DATE_LONGDATE, &kAfternoon, "d", text, 64), flags);
    EXPECT_EQ(date(LOCALE_USER_DEFAULT, 0x100, &kAfternoon, nullptr, text, 64), flags);
    EXPECT_EQ(time(LOCALE_USER_DEFAULT, 0x10, &kAfternoon, nullptr, text, 64), flags);
    // A time's date fields and a date's time fields are not looked at.
    SYSTEMTIME timeOnly{0, 0, 0, 0, 12, 0, 0, 0};
    EXPECT_EQ(GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &timeOnly, nullptr, text, 64), 9);
    EXPECT_EQ(GetDateFormatA(LOCALE_USER_DEFAULT, 0, &badTimes[0], nullptr, text, 64), 11);
}

TEST_F(LocaleText, NoDateMeansToday)
{
    char text[32];
    SYSTEMTIME before{};
    SYSTEMTIME after{};
    GetLocalTime(&before);
    ASSERT_EQ(GetDateFormatA(LOCALE_USER_DEFAULT, 0, nullptr, nullptr, text, sizeof text), 11);
    GetLocalTime(&after);
    // Midnight may pass in between.
    EXPECT_TRUE(text == Date(0, before) || text == Date(0, after)) << text;
}

}  // namespace
