// Size, count and date texts under a known locale and time zone.
#include "engine/Formatting.h"

#include <QLocale>
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

namespace {

// 2002-03-05 00:00:00 UTC as POSIX seconds.
constexpr std::int64_t March5th2002Utc = 1015286400;

class FormattingTest : public ::testing::Test {
protected:
    void SetUp() override {
        SavedLocale = QLocale();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        const char* tz = std::getenv("TZ");
        HadTz = tz != nullptr;
        if (HadTz)
            SavedTz = tz;
        // Five hours west of UTC, no daylight saving: local midnight is 05:00 UTC.
        setenv("TZ", "QST+5", 1);
        tzset();
    }
    void TearDown() override {
        QLocale::setDefault(SavedLocale);
        if (HadTz)
            setenv("TZ", SavedTz.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    // FILETIME of a local time in the test's zone.
    static std::uint64_t Local(std::int64_t utcSeconds, std::uint32_t nsec = 0) {
        return UnixToFileTime(utcSeconds + 5 * 3600, nsec);
    }

    QLocale SavedLocale;
    bool HadTz = false;
    std::string SavedTz;
};

TEST_F(FormattingTest, SizePicksUnitFromUnroundedValue) {
    const struct {
        std::int64_t Bytes;
        const char* Text;
    } cases[] = {
        {0, "0 bytes"},
        {1024, "1,024 bytes"},
        {1025, "1 KB"},
        {1536, "2 KB"},
        {1048575, "1,024 KB"},
        {1048576, "1.0 MB"},
        {1073741823, "1,024.0 MB"},
        {1073741824, "1.00 GB"},
        {5368709120, "5.00 GB"},
        {1099511627776, "1,024.00 GB"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatSize(c.Bytes), QString::fromLatin1(c.Text)) << c.Bytes;
}

TEST_F(FormattingTest, Size32HasNoGigabyteStep) {
    EXPECT_EQ(FormatSize32(2147483647), "2,048.0 MB");
    EXPECT_EQ(FormatSize32(1048576), "1.0 MB");
    EXPECT_EQ(FormatSize32(1025), "1 KB");
    EXPECT_EQ(FormatSize32(1024), "1,024 bytes");
}

TEST_F(FormattingTest, NegativeSizesStayExact) {
    EXPECT_EQ(FormatSize(-1), "-1 bytes");
    EXPECT_EQ(FormatSize(INT64_MIN), "-9,223,372,036,854,775,808 bytes");
    EXPECT_EQ(FormatSize32(INT32_MIN), "-2,147,483,648 bytes");
}

TEST_F(FormattingTest, BytesAndCounts) {
    EXPECT_EQ(FormatBytes(0), "0 bytes");
    EXPECT_EQ(FormatBytes(1), "1 byte");
    EXPECT_EQ(FormatBytes(2), "2 bytes");
    EXPECT_EQ(FormatBytes(-1), "-1 bytes");
    EXPECT_EQ(FormatBytes(1234567), "1,234,567 bytes");
    EXPECT_EQ(FormatCount(-1234), "-1,234");
    EXPECT_EQ(FormatCount(999), "999");
    EXPECT_EQ(FormatCount(INT32_MIN), "-2,147,483,648");
    // Beyond the 15 digits a double holds: every digit must survive.
    EXPECT_EQ(FormatCount64(INT64_MAX), "9,223,372,036,854,775,807");
    EXPECT_EQ(FormatCount64(INT64_MIN), "-9,223,372,036,854,775,808");
    EXPECT_EQ(FormatBytes(9007199254740993), "9,007,199,254,740,993 bytes");
}

TEST_F(FormattingTest, NumberRoundsHalvesAwayFromZero) {
    EXPECT_EQ(FormatNumber(2.5, 0), "3");
    EXPECT_EQ(FormatNumber(-2.5, 0), "-3");
    EXPECT_EQ(FormatNumber(0.125, 2), "0.13");
    // 1.005 is stored a hair below; it still reads, and rounds, as 1.005.
    EXPECT_EQ(FormatNumber(1.005, 2), "1.01");
    EXPECT_EQ(FormatNumber(1.0049, 2), "1.00");
    EXPECT_EQ(FormatNumber(9.995, 2), "10.00");
    EXPECT_EQ(FormatNumber(999.95, 1), "1,000.0");
    EXPECT_EQ(FormatNumber(0.0001234, 2), "0.00");
    EXPECT_EQ(FormatNumber(0.0051, 2), "0.01");
    EXPECT_EQ(FormatNumber(-0.004, 2), "0.00");
    EXPECT_EQ(FormatNumber(1234567.891, 1), "1,234,567.9");
    EXPECT_EQ(FormatNumber(1e20, 0), "100,000,000,000,000,000,000");
}

TEST_F(FormattingTest, SeparatorsFollowTheLocale) {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(FormatBytes(1234567), "1.234.567 bytes");
    EXPECT_EQ(FormatSize(1073741824), "1,00 GB");
    EXPECT_EQ(FormatSize(1073741823), "1.024,0 MB");
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    const QString group = QLocale().groupSeparator();
    EXPECT_EQ(FormatCount(-1234), QLocale().negativeSign() + "1" + group + "234");
}

TEST_F(FormattingTest, FileTimeAtMidnightShowsTheDateOnly) {
    EXPECT_EQ(FormatFileTime(Local(March5th2002Utc)), "Tuesday, March 5, 2002");
    EXPECT_EQ(FormatFileTime(Local(March5th2002Utc + 1)), "Tuesday, March 5, 2002 12:00:01 AM");
    // A millisecond past midnight is no longer midnight; a tick below one is.
    EXPECT_EQ(FormatFileTime(Local(March5th2002Utc, 1000000)),
              "Tuesday, March 5, 2002 12:00:00 AM");
    EXPECT_EQ(FormatFileTime(Local(March5th2002Utc, 900000)), "Tuesday, March 5, 2002");
}

TEST_F(FormattingTest, FileTimeUsesTwelveHourClock) {
    EXPECT_EQ(FormatFileTime(Local(March5th2002Utc + 12 * 3600)),
              "Tuesday, March 5, 2002 12:00:00 PM");
    EXPECT_EQ(FormatFileTime(Local(March5th2002Utc + 13 * 3600 + 45 * 60 + 58)),
              "Tuesday, March 5, 2002 01:45:58 PM");
    EXPECT_EQ(FormatFileTime(Local(March5th2002Utc + 11 * 3600 + 59 * 60 + 59)),
              "Tuesday, March 5, 2002 11:59:59 AM");
    // The same instant read in UTC is five hours earlier: the local zone counts.
    EXPECT_EQ(FormatFileTime(UnixToFileTime(March5th2002Utc + 3 * 3600, 0)),
              "Monday, March 4, 2002 10:00:00 PM");
}

TEST_F(FormattingTest, FileTimeNamesComeFromTheLocale) {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const QLocale locale;
    EXPECT_EQ(FormatFileTime(Local(March5th2002Utc)),
              locale.dayName(2) + ", " + locale.monthName(3) + " 5, 2002");
}

TEST_F(FormattingTest, FileTimeOfTheFirstDayOfTheEpoch) {
    // FILETIME 0 is 1601-01-01 00:00 UTC, a Monday; five hours west it is still 1600.
    EXPECT_EQ(FormatFileTime(5ULL * 3600 * 10000000), "Monday, January 1, 1601");
    EXPECT_EQ(FormatFileTime(0), "Sunday, December 31, 1600 07:00:00 PM");
}

TEST_F(FormattingTest, DosTimePacksLocalDateAndTime) {
    const std::uint32_t dos = FileTimeToDosTime(Local(March5th2002Utc + 13 * 3600 + 45 * 60 + 59));
    const std::uint32_t date = dos >> 16;
    const std::uint32_t time = dos & 0xFFFF;
    EXPECT_EQ(date >> 9, 2002u - 1980u);
    EXPECT_EQ((date >> 5) & 0xF, 3u);
    EXPECT_EQ(date & 0x1F, 5u);
    EXPECT_EQ(time >> 11, 13u);
    EXPECT_EQ((time >> 5) & 0x3F, 45u);
    EXPECT_EQ((time & 0x1F) * 2, 58u); // two-second resolution
}

TEST_F(FormattingTest, DosTimeOutsideItsRangeIsZero) {
    const std::int64_t jan1st1980Utc = 315532800;
    EXPECT_NE(FileTimeToDosTime(Local(jan1st1980Utc)), 0u);
    EXPECT_EQ(FileTimeToDosTime(Local(jan1st1980Utc - 1)), 0u);
    EXPECT_EQ(FileTimeToDosTime(Local(jan1st1980Utc + 128LL * 366 * 86400)), 0u);
}

TEST_F(FormattingTest, ZeroFileTimeChecksBothHalves) {
    EXPECT_TRUE(IsZeroFileTime(0));
    EXPECT_FALSE(IsZeroFileTime(1));
    EXPECT_FALSE(IsZeroFileTime(1ULL << 32));
}

TEST(FileTimeConversion, UnixEpochAndRoundTrip) {
    EXPECT_EQ(UnixToFileTime(0, 0), 116444736000000000ULL);
    const std::uint64_t t = UnixToFileTime(1015286400, 123456789);
    EXPECT_EQ(t % 10000000, 1234567u); // 100 ns units: the last two digits drop
    const TUnixTime back = FileTimeToUnix(t);
    EXPECT_EQ(back.Sec, 1015286400);
    EXPECT_EQ(back.Nsec, 123456700u);
    const TUnixTime start = FileTimeToUnix(0);
    EXPECT_EQ(start.Sec, -11644473600);
    EXPECT_EQ(start.Nsec, 0u);
}

TEST(FileTimeConversion, OutOfRangeTimesAreClamped) {
    EXPECT_EQ(UnixToFileTime(-11644473600, 0), 0u);
    EXPECT_EQ(UnixToFileTime(-11644473601, 999999999), 0u);
    EXPECT_EQ(UnixToFileTime(INT64_MAX, 0), UINT64_MAX);
    EXPECT_EQ(UnixToFileTime(INT64_MIN, 0), 0u);
    // The last representable second, and the one after it.
    const TUnixTime last = FileTimeToUnix(UINT64_MAX);
    EXPECT_EQ(UnixToFileTime(last.Sec, last.Nsec), UINT64_MAX);
    EXPECT_EQ(UnixToFileTime(last.Sec, 0), UINT64_MAX - last.Nsec / 100);
    EXPECT_EQ(UnixToFileTime(last.Sec + 1, 0), UINT64_MAX);
}

TEST(FileTimeConversion, NanosecondsOverflowCarryIntoSeconds) {
    EXPECT_EQ(UnixToFileTime(10, 1500000000), UnixToFileTime(11, 500000000));
}

} // namespace
