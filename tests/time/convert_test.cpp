// Network time to calendar fields and back, at the edges of the 32-bit arithmetic.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "time/lib/time_library.h"

namespace qs {
namespace {

struct Fields {
    int year, month, dayOfWeek, day, hour, minute, second;
};

class ConvertTest : public ::testing::Test {
  protected:
    void SetUp() override { UseZone("UTC0"); }
    void TearDown() override { UseZone("UTC0"); }
    static void UseZone(const char *zone)
    {
        setenv("TZ", zone, 1);
        tzset();
    }
};

void ExpectFields(const SYSTEMTIME &t, const Fields &f)
{
    EXPECT_EQ(t.wYear, f.year);
    EXPECT_EQ(t.wMonth, f.month);
    EXPECT_EQ(t.wDayOfWeek, f.dayOfWeek);
    EXPECT_EQ(t.wDay, f.day);
    EXPECT_EQ(t.wHour, f.hour);
    EXPECT_EQ(t.wMinute, f.minute);
    EXPECT_EQ(t.wSecond, f.second);
    EXPECT_EQ(t.wMilliseconds, 0);
}

struct UtcCase {
    NetworkTime time;
    Fields fields;
};

const UtcCase kConvertible[] = {
    {3527364224u, {2011, 10, 2, 11, 23, 23, 44}},   // the answer 0xD2 0x3F 0x4E 0x80
    {2208988800u, {1970, 1, 4, 1, 0, 0, 0}},        // the platform's epoch
    {4294967295u, {2036, 2, 4, 7, 6, 28, 15}},      // the protocol's last second
    {0u, {2036, 2, 4, 7, 6, 28, 16}},               // its roll-over, read past 2036
    {61505151u, {2038, 1, 2, 19, 3, 14, 7}},        // the last value that converts
};

TEST_F(ConvertTest, ConvertsToUtcAtTheEdges)
{
    for (const UtcCase &c : kConvertible) {
        SCOPED_TRACE(c.time);
        SYSTEMTIME t{};
        ASSERT_EQ(NetworkTimeToCalendar(c.time, &t, false), 1);
        ExpectFields(t, c.fields);
    }
}

TEST_F(ConvertTest, ValuesBefore1970InThe32BitReadingDoNotConvert)
{
    for (NetworkTime time : {2208988799u, 61505152u, 1000000000u}) {
        SYSTEMTIME t{};
        EXPECT_EQ(NetworkTimeToCalendar(time, &t, false), 0) << time;
    }
}

TEST_F(ConvertTest, LocalTimeFollowsTheZoneAndItsSummerTime)
{
    UseZone("CET-1CEST,M3.5.0,M10.5.0/3");
    SYSTEMTIME winter{}, summer{};
    ASSERT_EQ(NetworkTimeToCalendar(2208988800u, &winter, true), 1);
    ExpectFields(winter, {1970, 1, 4, 1, 1, 0, 0});
    ASSERT_EQ(NetworkTimeToCalendar(3527364224u, &summer, true), 1);
    ExpectFields(summer, {2011, 10, 3, 12, 1, 23, 44});
}

TEST_F(ConvertTest, CalendarFieldsAreReadAsLocalStandardTime)
{
    SYSTEMTIME t{2011, 10, 0, 11, 23, 23, 44, 999};
    EXPECT_EQ(CalendarToNetworkTime(&t), 3527364224u);
    UseZone("CET-1CEST,M3.5.0,M10.5.0/3");
    // Standard time even in summer: one hour east of UTC.
    EXPECT_EQ(CalendarToNetworkTime(&t), 3527364224u - 3600);
}

TEST_F(ConvertTest, CalendarFieldsOutsideThe32BitRangeGiveZero)
{
    const SYSTEMTIME outside[] = {
        {1900, 1, 0, 1, 0, 0, 0, 0},
        {1899, 12, 0, 31, 23, 59, 59, 0},
        {1969, 12, 0, 31, 23, 59, 59, 0},
        {2038, 1, 0, 19, 3, 14, 8, 0},
    };
    for (const SYSTEMTIME &t : outside)
        EXPECT_EQ(CalendarToNetworkTime(&t), 0u) << t.wYear;
    const SYSTEMTIME last{2038, 1, 0, 19, 3, 14, 7, 0};
    EXPECT_EQ(CalendarToNetworkTime(&last), 61505151u);
}

TEST_F(ConvertTest, ClockIsNotSetForTheFailureValue)
{
    EXPECT_EQ(SetSystemClock(0), 0);
    EXPECT_EQ(SetSystemClock(2208988799u), 0);
}

}  // namespace
}  // namespace qs
