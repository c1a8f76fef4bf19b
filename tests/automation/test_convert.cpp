// Variant conversion rules, texts, dates and identifiers.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <locale.h>
#include "platform/automation/date.h"
#include "platform/automation/guid.h"
#include "platform/automation/variant.h"

using namespace qs::automation;

// The C library leaks its search-path list in each newlocale while LOCPATH is set (the generated locale
// of UserLocaleFormats); nothing of ours is hidden by this.
extern "C" const char *__lsan_default_suppressions() { return "leak:argz_add_sep\n"; }

namespace {

// Date texts depend on the user's locale; these tests run in the C locale unless they say otherwise.
class CLocale : public ::testing::Test {
protected:
    void SetUp() override { setenv("LC_ALL", "C", 1); }
};

struct ConvertCase {
    const char *what;
    Variant from;
    VARTYPE to;
    HRESULT hr;
    const char *text;  // the result converted to text, when the conversion succeeds
};

Variant I4(int v) { return Variant(v); }
Variant R8(double v) { return Variant(v); }

TEST_F(CLocale, ConversionTable) {
    LONG referenced = 77;
    Variant byRef;
    byRef.vt = VT_BYREF | VT_I4;
    byRef.plVal = &referenced;
    ConvertCase cases[] = {
        {"decimal text to long", Variant("42"), VT_I4, S_OK, "42"},
        {"blanks and sign", Variant(" -17 "), VT_I2, S_OK, "-17"},
        {"half rounds to even (down)", Variant("2.5"), VT_I4, S_OK, "2"},
        {"half rounds to even (up)", Variant("3.5"), VT_I4, S_OK, "4"},
        {"exponent", Variant("1e3"), VT_I4, S_OK, "1000"},
        {"D exponent", Variant("25D-1"), VT_R8, S_OK, "2.5"},
        {"word is no number", Variant("abc"), VT_I4, DISP_E_TYPEMISMATCH, nullptr},
        {"empty text is no number", Variant(""), VT_I4, DISP_E_TYPEMISMATCH, nullptr},
        {"trailing garbage", Variant("12abc"), VT_R8, DISP_E_TYPEMISMATCH, nullptr},
        {"grouping is not read", Variant("1,000"), VT_I4, DISP_E_TYPEMISMATCH, nullptr},
        {"lone sign", Variant("-"), VT_I4, DISP_E_TYPEMISMATCH, nullptr},
        {"no infinity words", Variant("inf"), VT_R8, DISP_E_TYPEMISMATCH, nullptr},
        {"short overflow", Variant("40000"), VT_I2, DISP_E_OVERFLOW, nullptr},
        {"byte overflow", Variant("256"), VT_UI1, DISP_E_OVERFLOW, nullptr},
        {"negative byte", Variant("-1"), VT_UI1, DISP_E_OVERFLOW, nullptr},
        {"long overflow", Variant("3000000000"), VT_I4, DISP_E_OVERFLOW, nullptr},
        {"double overflow", Variant("1e400"), VT_R8, DISP_E_OVERFLOW, nullptr},
        {"long to short overflow", I4(70000), VT_I2, DISP_E_OVERFLOW, nullptr},
        {"double to single overflow", R8(1e39), VT_R4, DISP_E_OVERFLOW, nullptr},
        {"double to long rounds", R8(-2.5), VT_I4, S_OK, "-2"},
        {"double text", R8(0.1), VT_BSTR, S_OK, "0.1"},
        {"large double text", R8(1e20), VT_BSTR, S_OK, "1E+20"},
        {"small double text", R8(1.5e-7), VT_BSTR, S_OK, "1.5E-07"},
        {"fifteen digits", R8(123456789012345678.0), VT_BSTR, S_OK, "1.23456789012346E+17"},
        {"negative zero", R8(-0.0), VT_BSTR, S_OK, "0"},
        {"single text", Variant(0.1f), VT_BSTR, S_OK, "0.1"},
        {"true text", Variant(true), VT_BSTR, S_OK, "True"},
        {"false text", Variant(false), VT_BSTR, S_OK, "False"},
        {"true is -1", Variant(true), VT_I4, S_OK, "-1"},
        {"non-zero is true", I4(5), VT_BOOL, S_OK, "True"},
        {"text TRUE", Variant("TRUE"), VT_BOOL, S_OK, "True"},
        {"text false", Variant(" false "), VT_BOOL, S_OK, "False"},
        {"numeric text to boolean", Variant("0"), VT_BOOL, S_OK, "False"},
        {"other word to boolean", Variant("yes"), VT_BOOL, DISP_E_TYPEMISMATCH, nullptr},
        {"empty to long", Variant(), VT_I4, S_OK, "0"},
        {"empty to text", Variant(), VT_BSTR, S_OK, ""},
        {"empty to boolean", Variant(), VT_BOOL, S_OK, "False"},
        {"null to long", Variant::Null(), VT_I4, DISP_E_TYPEMISMATCH, nullptr},
        {"null to text", Variant::Null(), VT_BSTR, DISP_E_TYPEMISMATCH, nullptr},
        {"missing marker to long", Variant::Missing(), VT_I4, DISP_E_TYPEMISMATCH, nullptr},
        {"number to date", R8(45000.5), VT_DATE, S_OK, "2023-03-15 12:00:00"},
        {"date beyond 9999", R8(3e6), VT_DATE, DISP_E_OVERFLOW, nullptr},
        {"text to date", Variant("2024-01-02 15:04:05"), VT_DATE, S_OK, "2024-01-02 15:04:05"},
        {"impossible day", Variant("2024-02-30"), VT_DATE, DISP_E_TYPEMISMATCH, nullptr},
        {"date text is no number", Variant("2024-01-02"), VT_I4, DISP_E_TYPEMISMATCH, nullptr},
        {"by reference is followed", Variant::Attach(byRef.Detach()), VT_BSTR, S_OK, "77"},
        {"variant is no target", I4(1), VT_VARIANT, DISP_E_BADVARTYPE, nullptr},
        {"scalar to array", I4(1), VT_ARRAY | VT_I4, DISP_E_TYPEMISMATCH, nullptr},
    };
    for (ConvertCase &c : cases) {
        SCOPED_TRACE(c.what);
        Variant out;
        HRESULT hr = VariantChangeType(&out, &c.from, 0, c.to);
        EXPECT_EQ(hr, c.hr);
        if (FAILED(hr)) {
            EXPECT_EQ(out.vt, VT_EMPTY) << "a failed conversion leaves the target alone";
            continue;
        }
        EXPECT_EQ(out.vt, c.to);
        EXPECT_EQ(out.text(), c.text);
    }
}

TEST_F(CLocale, ChangeTypeInPlaceAndFailureKeepsValue) {
    Variant v("123");
    ASSERT_EQ(v.ChangeType(VT_I4), S_OK);
    EXPECT_EQ(v.vt, VT_I4);
    EXPECT_EQ(v.lVal, 123);
    Variant w("nope");
    EXPECT_EQ(w.ChangeType(VT_I4), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(w.vt, VT_BSTR);
    EXPECT_EQ(w.text(), "nope");
}

TEST_F(CLocale, DateTextShowsOnlyWhatIsThere) {
    struct {
        DATE date;
        const char *text;
    } cases[] = {
        {36526.0, "2000-01-01"},
        {0.75, "18:00:00"},
        {-1.25, "1899-12-29 06:00:00"},
        {36526.999999, "2000-01-02"},  // rounds to the next midnight
    };
    for (const auto &c : cases) {
        EXPECT_EQ(Variant::Date(c.date).text(), c.text) << c.date;
        DATE back = 0;
        ASSERT_EQ(ParseDate(c.text, &back), S_OK) << c.text;
        EXPECT_NEAR(back, c.date, 1.0 / 86400) << c.text;
    }
    DATE t = 0;
    EXPECT_EQ(ParseDate("07:30", &t), S_OK);
    EXPECT_NEAR(t, 7.5 / 24, 1e-9);
    EXPECT_EQ(ParseDate("25:00", &t), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(ParseDate("2024-01-02T03:04:05", &t), S_OK);
    EXPECT_EQ(ParseDate("0099-12-31", &t), DISP_E_TYPEMISMATCH);
}

TEST(Dates, CalendarFieldsRoundTrip) {
    struct {
        SYSTEMTIME time;
        DATE date;
    } cases[] = {
        {{1899, 12, 6, 30, 0, 0, 0, 0}, 0.0},
        {{1899, 12, 5, 29, 6, 0, 0, 0}, -1.25},
        {{1900, 3, 4, 1, 0, 0, 0, 0}, 61.0},
        {{2000, 1, 6, 1, 12, 0, 0, 0}, 36526.5},
        {{100, 1, 5, 1, 0, 0, 0, 0}, kMinDate},
        {{9999, 12, 5, 31, 0, 0, 0, 0}, 2958465.0},
    };
    for (const auto &c : cases) {
        DATE d = 1234;
        ASSERT_TRUE(SystemTimeToVariantTime(&c.time, &d)) << c.date;
        EXPECT_DOUBLE_EQ(d, c.date);
        SYSTEMTIME back{};
        ASSERT_TRUE(VariantTimeToSystemTime(c.date, &back)) << c.date;
        EXPECT_EQ(back.wYear, c.time.wYear);
        EXPECT_EQ(back.wMonth, c.time.wMonth);
        EXPECT_EQ(back.wDay, c.time.wDay);
        EXPECT_EQ(back.wHour, c.time.wHour);
        EXPECT_EQ(back.wDayOfWeek, c.time.wDayOfWeek) << c.date;
    }
    SYSTEMTIME bad{2023, 2, 0, 29, 0, 0, 0, 0};
    DATE d;
    EXPECT_FALSE(SystemTimeToVariantTime(&bad, &d));
    SYSTEMTIME out;
    EXPECT_FALSE(VariantTimeToSystemTime(kMaxDate + 1, &out));
    EXPECT_FALSE(VariantTimeToSystemTime(std::nan(""), &out));
}

// A locale besides C: an installed one, or one generated for this process where the C library's locale
// sources are present (into `*generated`, which the caller removes). Empty when neither is possible.
std::string OtherLocale(std::string *generated) {
    auto usable = [](const char *name) {
        locale_t l = newlocale(LC_TIME_MASK, name, static_cast<locale_t>(0));
        if (l) freelocale(l);
        return l != static_cast<locale_t>(0);
    };
    for (const char *name : {"de_DE.UTF-8", "en_US.UTF-8", "fr_FR.UTF-8", "en_GB.UTF-8"}) {
        if (usable(name)) return name;
    }
    char dir[] = "/tmp/qs-locale-XXXXXX";
    if (!mkdtemp(dir)) return "";
    *generated = dir;
    std::string command = std::string("localedef -i de_DE -f UTF-8 ") + dir + "/de_DE.UTF-8 >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) return "";
    setenv("LOCPATH", dir, 1);
    return usable("de_DE.UTF-8") ? "de_DE.UTF-8" : "";
}

TEST(Dates, UserLocaleFormats) {
    std::string generated;
    std::string name = OtherLocale(&generated);
    struct Cleanup {
        std::string dir;
        ~Cleanup() {
            if (!dir.empty()) std::filesystem::remove_all(dir);
        }
    } cleanup{generated};
    if (name.empty()) GTEST_SKIP() << "no locale besides C can be had";
    setenv("LC_ALL", name.c_str(), 1);
    std::string text = Variant::Date(45000.5).text();
    EXPECT_NE(text, "2023-03-15 12:00:00");
    EXPECT_NE(text.find("2023"), std::string::npos) << text;
    if (name == "de_DE.UTF-8") EXPECT_EQ(text, "15.03.2023 12:00:00");
    for (DATE d : {45000.5, 45000.0, 0.25}) {
        std::string shown = Variant::Date(d).text();
        DATE back = 0;
        EXPECT_EQ(ParseDate(shown, &back), S_OK) << shown;
        EXPECT_NEAR(back, d, 1.0 / 86400) << shown;
    }
    DATE fixed = 0;
    EXPECT_EQ(ParseDate("2023-03-15", &fixed), S_OK) << "the fixed form is read in every locale";
    setenv("LC_ALL", "C", 1);
}

TEST(Texts, Utf8AndUtf16) {
    struct {
        const char *utf8;
        std::u16string utf16;
        const char *back;  // what the UTF-16 gives in UTF-8
    } cases[] = {
        {"plain", u"plain", "plain"},
        {"h\xC3\xA9llo", u"h\u00E9llo", "h\xC3\xA9llo"},
        {"\xF0\x9F\x98\x80", u"\U0001F600", "\xF0\x9F\x98\x80"},
        {"a\xFF" "b", u"a\uFFFDb", "a\xEF\xBF\xBD" "b"},
        {"\xE2\x82", u"\uFFFD", "\xEF\xBF\xBD"},
        {"\xC0\xAF", u"\uFFFD", "\xEF\xBF\xBD"},  // overlong
        {"\xED\xA0\x80", u"\uFFFD", "\xEF\xBF\xBD"},  // encoded surrogate
    };
    for (const auto &c : cases) {
        EXPECT_EQ(Utf16FromUtf8(c.utf8), c.utf16) << c.utf8;
        EXPECT_EQ(Utf8FromUtf16(std::u16string_view(c.utf16)), c.back) << c.utf8;
    }
    EXPECT_EQ(Utf8FromUtf16(std::u16string_view(u"\xD800x", 2)), "\xEF\xBF\xBDx");
}

TEST(Texts, BstrKeepsLengthAndEmbeddedZeros) {
    const OLECHAR text[] = {u'a', 0, u'b'};
    Bstr s = Bstr::Attach(SysAllocStringLen(text, 3));
    EXPECT_EQ(s.length(), 3u);
    EXPECT_EQ(SysStringByteLen(s), 6u);
    EXPECT_EQ(s.get()[3], 0) << "terminated";
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    BSTR target = SysAllocString(u"old");
    ASSERT_TRUE(SysReAllocString(&target, target + 1));  // from its own characters
    EXPECT_EQ(Utf8FromBstr(target), "ld");
    SysFreeString(target);
    Variant copy(s);
    EXPECT_EQ(SysStringLen(copy.bstrVal), 3u);
    EXPECT_EQ(SysAllocStringLen(nullptr, kMaxBstrChars + 1), nullptr);
}

TEST(Guids, ParseAndFormat) {
    GUID g;
    ASSERT_TRUE(ParseGuid("{a5d0c1e0-5a11-4e2b-9c61-0123456789ab}", &g));
    EXPECT_EQ(g.Data1, 0xA5D0C1E0u);
    EXPECT_EQ(g.Data4[7], 0xAB);
    EXPECT_EQ(FormatGuid(g), "{A5D0C1E0-5A11-4E2B-9C61-0123456789AB}");
    for (const char *bad : {"A5D0C1E0-5A11-4E2B-9C61-0123456789AB", "{A5D0C1E0-5A11-4E2B-9C61-0123456789AG}",
                            "{A5D0C1E0-5A11-4E2B-9C610-123456789AB}", "{A5D0C1E0-5A11-4E2B-9C61-0123456789AB}x", ""}) {
        EXPECT_FALSE(ParseGuid(bad, &g)) << bad;
    }
    OLECHAR buffer[39];
    EXPECT_EQ(StringFromGUID2(g, buffer, 39), 39);
    CLSID back;
    EXPECT_EQ(CLSIDFromString(buffer, &back), S_OK);
    EXPECT_EQ(back, g);
    EXPECT_EQ(StringFromGUID2(g, buffer, 38), 0);
    EXPECT_EQ(CLSIDFromString(u"{nope}", &back), CO_E_CLASSSTRING);
}

}  // namespace
