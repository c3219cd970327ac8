#include <gtest/gtest.h>

#include <array>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "nmea/display_format.h"
#include "nmea/number_text.h"
#include "nmea_test_support.h"

namespace nmea {
namespace {

using nmea_test::Feed;
using nmea_test::Texts;
using nmea_test::TextsOf;

TEST(FormatLatitudeAndLongitude, Table) {
    struct Case {
        const char *name;
        double latitude, longitude;
        const char *latitudeText, *longitudeText;
    };
    const Case cases[] = {
        {"south and west", -3350000.0, -25000.0, "S 33.500000", "W 0.250000"},
        {"zero is north and east", 0.0, 0.0, "N 0.000000", "E 0.000000"},
        {"decoded fix", 4811730.0, 1151666.6666667, "N 48.117300", "E 11.516667"},
        {"negative zero keeps its sign", -0.0, -0.0, "N -0.000000", "E -0.000000"},
        {"three-digit longitude", 4927416.6666667, -12318533.333333, "N 49.274167", "W 123.185333"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        DataDisplay d;
        FormatLatitude(d, c.latitude);
        FormatLongitude(d, c.longitude);
        EXPECT_EQ(d.Latitude, c.latitudeText);
        EXPECT_EQ(d.Longitude, c.longitudeText);
    }
}

TEST(FormatUtcTimeAndDate, Table) {
    struct TimeCase {
        uint32_t packed;
        const char *text;
    };
    const TimeCase times[] = {
        {PackTime(12, 34, 56), "GMT: 12:34:56"},
        {0, "GMT: 00:00:00"},
        {PackTime(23, 59, 59), "GMT: 23:59:59"},
        {(7u << 24) | (8u << 16) | 9999u, "GMT: 07:08:09"}, // seconds truncated
        {(99u << 24) | (99u << 16) | 65535u, "GMT: 99:99:65"},
        {(100u << 24) | (255u << 16) | 10000u, "GMT: 100:255:10"}, // wider than two digits
    };
    for (const auto &c : times) {
        SCOPED_TRACE(c.text);
        DataDisplay d;
        FormatUtcTime(d, c.packed);
        EXPECT_EQ(d.UtcTime, c.text);
    }
    struct DateCase {
        uint32_t packed;
        const char *text;
    };
    const DateCase dates[] = {
        {PackDate(8, 3, 15), "DATE: 08/03/15"},
        {PackDate(94, 3, 23), "DATE: 94/03/23"},
        {0, "DATE: 00/00/00"},
        {(1u << 24) | PackDate(8, 3, 15), "DATE: 08/03/15"}, // bits 24-31 are not the year
        {PackDate(255, 100, 99), "DATE: 255/100/99"},
    };
    for (const auto &c : dates) {
        SCOPED_TRACE(c.text);
        DataDisplay d;
        FormatDate(d, c.packed);
        EXPECT_EQ(d.Date, c.text);
    }
}

TEST(FormatSpeedAndCourse, Table) {
    struct Case {
        uint16_t speed, course;
        const char *speedText, *courseText;
    };
    const Case cases[] = {
        {100, 0, "18.5 km/hr    ", "0.0"},
        {0, 0, "0.0 km/hr    ", "0.0"},
        {224, 844, "41.5 km/hr    ", "84.4"},
        {55, 547, "10.2 km/hr    ", "54.7"},
        {1, 1, "0.2 km/hr    ", "0.1"},
        // 1852/3600 instead of the receiver's factor would give 12137.1.
        {65535, 3599, "12136.9 km/hr    ", "359.9"},
        // Rounded to single precision after every step; in double these read 758.7 and 1852.2.
        {4097, 10, "758.8 km/hr    ", "1.0"},
        {10001, 3600, "1852.1 km/hr    ", "360.0"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.speedText);
        DataDisplay d;
        FormatSpeed(d, c.speed);
        FormatCourse(d, c.course);
        EXPECT_EQ(d.Speed, c.speedText);
        EXPECT_EQ(d.Course, c.courseText);
    }
}

TEST(FormatAltitudeAndDilution, Table) {
    struct AltitudeCase {
        int32_t altitude;
        const char *text;
    };
    const AltitudeCase altitudes[] = {
        {12345678, "123.5"}, {54540000, "545.4"},
        {-1250000, "-12.5"}, {35000, "0.3"}, // 0.35 in single precision lies below the tie
        {0, "0.0"},          {std::numeric_limits<int32_t>::max(), "21474.8"},
    };
    for (const auto &c : altitudes) {
        SCOPED_TRACE(c.altitude);
        DataDisplay d;
        FormatAltitude(d, c.altitude);
        EXPECT_EQ(d.Altitude, c.text);
    }
    struct HdopCase {
        uint16_t hdop;
        const char *text;
    };
    const HdopCase hdops[] = {{9000, "0.90"},
                              {13000, "1.30"},
                              {0, "0.00"},
                              {65535, "6.55"},
                              // single precision: 0.005 and 0.045 lie below and above the tie
                              {50, "0.00"},
                              {450, "0.05"},
                              // exact ties go to the even digit, as printf has it
                              {1250, "0.12"},
                              {3750, "0.38"}};
    for (const auto &c : hdops) {
        SCOPED_TRACE(c.hdop);
        DataDisplay d;
        FormatHdop(d, c.hdop);
        EXPECT_EQ(d.HDOP, c.text);
    }
}

TEST(FormatFixMode, Texts) {
    struct Case {
        uint8_t mode;
        const char *text;
    };
    const Case cases[] = {{0, "NON Fix"}, {1, "NON Fix"}, {2, "2D"}, {3, "3D"}, {4, "NON Fix"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.mode);
        DataDisplay d;
        FormatFixMode(d, c.mode);
        EXPECT_EQ(d.FixMode, c.text);
    }
}

struct RefreshCase {
    const char *name;
    std::vector<std::string_view> before;
    std::string_view line;
    Texts changed; // every other text must keep its value
};

using nmea_test::kGgaFix;
using nmea_test::kGsaFix;
using nmea_test::kRmcFix;

TEST(DisplayTexts, EachKindRewritesItsOwnTexts) {
    const RefreshCase cases[] = {
        {"GGA",
         {},
         kGgaFix,
         {{"HDOP", "0.90"},
          {"Altitude", "545.4"},
          {"UtcTime", "GMT: 12:35:19"},
          {"Latitude", "N 48.117300"},
          {"Longitude", "E 11.516667"}}},
        {"GLL",
         {},
         "$GPGLL,4916.45,N,12311.12,W,225444,A*31\n",
         {{"UtcTime", "GMT: 22:54:44"},
          {"Latitude", "N 49.274167"},
          {"Longitude", "W 123.185333"},
          {"PositionValid", "1"}}},
        {"GSA", {}, kGsaFix, {{"FixMode", "3D"}, {"PDOP", "2.50"}, {"HDOP", "1.30"}, {"VDOP", "2.10"}}},
        {"GSA without a fix",
         {kGsaFix},
         "$GPGSA,A,1,,,,,,,,,,,,,,,*1E",
         {{"FixMode", "NON Fix"}, {"PDOP", "0.00"}, {"HDOP", "0.00"}, {"VDOP", "0.00"}}},
        {"RMC",
         {},
         kRmcFix,
         {{"Speed", "41.5 km/hr    "},
          {"Course", "84.4"},
          {"Date", "DATE: 94/03/23"},
          {"UtcTime", "GMT: 12:35:19"},
          {"Latitude", "N 48.117300"},
          {"Longitude", "E 11.516667"},
          {"PositionValid", "1"}}},
        {"RMC void after a valid one",
         {kRmcFix},
         "$GPRMC,225444,V,4916.45,N,12311.12,W,,,,,*11\n",
         {{"Speed", "0.0 km/hr    "},
          {"Course", "0.0"},
          {"Date", "DATE: 00/00/00"},
          {"UtcTime", "GMT: 22:54:44"},
          {"Latitude", "N 49.274167"},
          {"Longitude", "W 123.185333"},
          {"PositionValid", "0"}}},
        {"VTG",
         {kGsaFix},
         "$GPVTG,054.7,T,034.5,M,005.5,N,010.25,K*7C\n",
         {{"Speed", "10.2 km/hr    "}, {"Course", "54.7"}}},
        {"RPT turns a 3D fix into 2D",
         {kGsaFix},
         "$GPRPT,4807.038,S,01131.000,W,30000,-1.0,084.4,230394,123519,2*50\n",
         {{"FixMode", "2D"},
          {"Speed", "0.0 km/hr    "},
          {"Course", "84.4"},
          {"Altitude", "21474.8"},
          {"Date", "DATE: 94/03/23"},
          {"UtcTime", "GMT: 12:35:19"},
          {"Latitude", "S 48.117300"},
          {"Longitude", "W 11.516667"}}},
        {"ZDA", {kGgaFix}, "$GPZDA,201530.00,04,07,2002,00,00*60\n", {}},
        {"MSS", {kGgaFix}, "$GPMSS,55,27,318.0,100,1*57\n", {}},
        {"GGA that fails to decode", {kGgaFix}, "$GPGGA,123519,,,,,0,00,,,M,,M,,*6B\n", {}},
        {"first message of a GSV set",
         {},
         "$GPGSV,2,1,07,01,40,083,46,02,17,308,41,12,07,344,39,14,22,228,45*7A\n",
         {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        SentenceContext ctx;
        ctx.VerifyChecksums = true;
        for (std::string_view b : c.before) ASSERT_EQ(Feed(ctx, b), 1);
        Texts expected = TextsOf(ctx.Manager.Display());
        for (const auto &[field, text] : c.changed) expected[field] = text;
        ASSERT_EQ(Feed(ctx, c.line), 1);
        EXPECT_EQ(TextsOf(ctx.Manager.Display()), expected);
    }
}

TEST(DisplayTexts, GsvSetFillsAllTwelveSlots) {
    using Slots = std::array<std::string, 12>;
    SentenceContext ctx;
    Feed(ctx, "$GPGSV,2,1,07,01,40,083,46,02,17,308,41,12,07,344,39,14,22,228,45*7A\n");
    Feed(ctx, "$GPGSV,2,2,07,17,35,120,40,19,10,045,33,24,05,355,20*43\n");
    const DataDisplay &d = ctx.Manager.Display();
    EXPECT_EQ(d.SatPrn, (Slots{"1", "2", "12", "14", "17", "19", "24", "0", "0", "0", "0", "0"}));
    EXPECT_EQ(d.SatSnr, (Slots{"46", "41", "39", "45", "40", "33", "20", "0", "0", "0", "0", "0"}));
    EXPECT_EQ(d.SatElevation, (Slots{"40", "17", "7", "22", "35", "10", "5", "0", "0", "0", "0", "0"}));
    EXPECT_EQ(d.SatAzimuth, (Slots{"83", "308", "344", "228", "120", "45", "355", "0", "0", "0", "0", "0"}));

    // A later single-message set rewrites every slot.
    Feed(ctx, "$GPGSV,1,1,01,07,200,40000,42*7F\n");
    ctx.Manager.Display();
    EXPECT_EQ(d.SatPrn, (Slots{"7", "0", "0", "0", "0", "0", "0", "0", "0", "0", "0", "0"}));
    EXPECT_EQ(d.SatElevation[0], "-56");
    EXPECT_EQ(d.SatAzimuth[0], "-25536");
}

// The formatter must give printf's digits (C locale), ties and all.
TEST(PutFixed, MatchesPrintf) {
    std::vector<double> values = {0.0,   -0.0,  0.5,    1.5,     2.5,       0.125,         0.375,
                                  0.045, 0.005, 1e-7,   -1e-7,   0.0499999, 999999.95,     4503599627370495.5,
                                  1e15,  1e17,  -1e300, 1.0 / 3, 48.1173,   -123.185333333};
    values.push_back(static_cast<float>(0.045));
    values.push_back(static_cast<float>(0.35));
    uint64_t x = 88172645463325252u; // xorshift: a fixed spread of magnitudes and fractions
    for (int i = 0; i < 2000; ++i) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        const double mantissa = static_cast<double>(x >> 11) / 9007199254740992.0;
        values.push_back((i % 2 ? -1 : 1) * mantissa * std::pow(10.0, static_cast<int>(x % 13) - 4));
    }
    for (double v : values) {
        for (int decimals : {1, 2, 6}) {
            char expected[400];
            std::snprintf(expected, sizeof expected, "%.*f", decimals, v);
            char got[kNumberTextSize + 1];
            *PutFixed(got, v, decimals) = '\0';
            ASSERT_STREQ(got, expected) << "value " << v << ", " << decimals << " decimals";
        }
    }
}

// Restores the C locale however the test ends.
class DecimalCommaLocale : public ::testing::Test {
  protected:
    void TearDown() override { std::setlocale(LC_ALL, "C"); }
};

TEST_F(DecimalCommaLocale, TextsKeepTheDecimalPoint) {
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) GTEST_SKIP() << "de_DE.UTF-8 locale not installed";
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 1.5);
    ASSERT_STREQ(probe, "1,5") << "the locale does not use a decimal comma";

    SentenceContext ctx;
    Feed(ctx, kGgaFix);
    Feed(ctx, kRmcFix);
    Feed(ctx, kGsaFix);
    const DataDisplay &d = ctx.Manager.Display();
    EXPECT_EQ(d.Latitude, "N 48.117300");
    EXPECT_EQ(d.Longitude, "E 11.516667");
    EXPECT_EQ(d.Altitude, "545.4");
    EXPECT_EQ(d.Speed, "41.5 km/hr    ");
    EXPECT_EQ(d.Course, "84.4");
    EXPECT_EQ(d.HDOP, "1.30");
    EXPECT_EQ(d.PDOP, "2.50");
    EXPECT_EQ(d.VDOP, "2.10");

    DataDisplay huge; // too large for the formatter's short path
    FormatLatitude(huge, 1e16);
    FormatLongitude(huge, -1e16);
    EXPECT_EQ(huge.Latitude, "N 100000000000.000015");
    EXPECT_EQ(huge.Longitude, "W 100000000000.000015");
}

} // namespace
} // namespace nmea
