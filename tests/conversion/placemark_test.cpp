// What a placemark shows when sentence types are missing, in the southern and
// western hemispheres, with wide satellite slots, and after another log.
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "conversion/kml_writer.h"
#include "conversion/placemark_rules.h"
#include "conversion_test_support.h"

namespace {

using namespace sentrova_test;
using conversion::OutcomeKind;

const std::string kSixtyBlanks(60, ' ');

// Two RMC sentences: the second one writes a placemark.
std::string RmcOnly(const std::string &latitude, const std::string &longitude, const std::string &date = "150308") {
    const std::string tail = latitude + "," + longitude + ",001.2,225.0," + date + ",,";
    return Join({Nmea("GPRMC,235958,A," + tail), Nmea("GPRMC,235959,A," + tail)});
}

Placemark OnlyPlacemark(const std::string &log) {
    const StreamResult result = Convert(log);
    EXPECT_EQ(result.outcome.kind, OutcomeKind::Done);
    const std::vector<Placemark> placemarks = Placemarks(result.kml);
    EXPECT_EQ(placemarks.size(), 1u);
    return placemarks.empty() ? Placemark{} : placemarks.front();
}

struct RowCase {
    const char *label;
    const char *value;
};

// RMC alone: no GSV, no altitude, no GSA; south and west.
TEST(Placemark, RowsOfSentenceTypesNeverReceived) {
    const Placemark p = OnlyPlacemark(RmcOnly("3351.40780,S", "07012.34610,W"));
    const RowCase rows[] = {
        {"PDOP      = ", "0.00"},
        {"HDOP      = ", "0.00"},
        {"VDOP      = ", "0.00"},
        {"Lat       = ", "S 33.856797"},
        {"Lon       = ", "W 70.205768"},
        {"Altitude  = ", "0.00 m"},
        {"Speed     = ", "2.2 km/hr    "},
        {"Course    = ", "225.0"},
        {"Mode      = ", "NON Fix"},
        {"SV ID     = ", kSixtyBlanks.c_str()},
        {"SNR       = ", kSixtyBlanks.c_str()},
        {"Elevation = ", kSixtyBlanks.c_str()},
        {"Azimuth   = ", kSixtyBlanks.c_str()},
    };
    for (const RowCase &row : rows) EXPECT_EQ(Row(p.description, row.label), row.value) << row.label;
    EXPECT_EQ(p.coordinates, "\t\t<Point><coordinates>-70.205768,-33.856797,0.00</coordinates></Point>");
    EXPECT_EQ(When(p), "2008-03-15T23:59:59Z");
    EXPECT_TRUE(p.description.starts_with("    \t\t<description><![CDATA[<pre>GMT       = 23:59:59, 15-03-2008"
                                          "       \t\t\t\t<br>PDOP      = "));
}

struct HemisphereCase {
    const char *latitude;
    const char *longitude;
    const char *latRow;
    const char *lonRow;
    const char *coordinates; // longitude,latitude
};

TEST(Placemark, MinusOnlyForSouthAndWest) {
    const HemisphereCase cases[] = {
        {"3351.40734,N", "15112.91782,E", "N 33.856789", "E 151.215297", "151.215297,33.856789"},
        {"3351.40734,S", "15112.91782,E", "S 33.856789", "E 151.215297", "151.215297,-33.856789"},
        {"3351.40734,N", "15112.91782,W", "N 33.856789", "W 151.215297", "-151.215297,33.856789"},
        {"0000.30000,S", "00015.00000,W", "S 0.005000", "W 0.250000", "-0.250000,-0.005000"},
    };
    for (const HemisphereCase &c : cases) {
        const Placemark p = OnlyPlacemark(RmcOnly(c.latitude, c.longitude));
        EXPECT_EQ(Row(p.description, "Lat       = "), c.latRow) << c.latitude;
        EXPECT_EQ(Row(p.description, "Lon       = "), c.lonRow) << c.longitude;
        EXPECT_EQ(p.coordinates,
                  std::string("\t\t<Point><coordinates>") + c.coordinates + ",0.00</coordinates></Point>");
    }
}

TEST(Placemark, DatesLieInThisCentury) {
    struct {
        const char *field;
        const char *heading;
        const char *when;
    } cases[] = {
        {"150308", "GMT       = 23:59:59, 15-03-2008", "2008-03-15T23:59:59Z"},
        {"311299", "GMT       = 23:59:59, 31-12-2099", "2099-12-31T23:59:59Z"},
        {"010100", "GMT       = 23:59:59, 01-01-2000", "2000-01-01T23:59:59Z"},
    };
    for (const auto &c : cases) {
        const Placemark p = OnlyPlacemark(RmcOnly("3351.40734,S", "15112.91782,E", c.field));
        EXPECT_NE(p.description.find(std::string("<pre>") + c.heading + "       \t\t\t\t<br>"), std::string::npos)
            << c.field;
        EXPECT_EQ(When(p), c.when);
    }
}

// Slots are right-aligned in five characters; a longer text is not cut.
TEST(Placemark, SatelliteSlotsTakeFiveCharactersOrMore) {
    nmea::DataDisplay display;
    display.UtcTime = "GMT: 12:34:56";
    display.Date = "DATE: 08/03/15";
    display.SatPrn = {"123", "1", "", "12345", "123456", "0", "0", "0", "0", "0", "0", "0"};
    display.SatSnr = {"-5", "70", "", "1234", "", "", "", "", "", "", "", "99"};
    conversion::MemorySink sink;
    {
        conversion::OutputBuffer out(sink);
        conversion::WritePlacemark(out, display);
        ASSERT_TRUE(out.Flush());
    }
    const std::vector<std::string> lines = SplitCrLf(sink.bytes);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(Row(lines[1], "SV ID     = "), "  123    1     12345123456    0    0    0    0    0    0    0");
    EXPECT_EQ(Row(lines[1], "SNR       = "), "   -5   70      1234" + std::string(35, ' ') + "   99");
    EXPECT_EQ(Row(lines[1], "Elevation = "), kSixtyBlanks);
    EXPECT_TRUE(sink.bytes.ends_with("\r\n"));
    EXPECT_EQ(sink.bytes.find('\n'), sink.bytes.find("\r\n") + 1);
}

// Every value reaches its row as it is: trailing blanks of the speed stay
// in front of the row's own 31 blanks.
TEST(Placemark, ValuesKeepTheirOwnBlanks) {
    nmea::DataDisplay display;
    display.UtcTime = "GMT: 01:02:03";
    display.Date = "DATE: 07/10/26";
    display.Speed = "41.9 km/hr    ";
    conversion::MemorySink sink;
    conversion::OutputBuffer out(sink);
    conversion::WritePlacemark(out, display);
    ASSERT_TRUE(out.Flush());
    const std::vector<std::string> lines = SplitCrLf(sink.bytes);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_NE(lines[1].find("<br>Speed     = 41.9 km/hr    " + std::string(31, ' ') + "<br>Course    = "),
              std::string::npos);
    // Initial texts are written unchanged, the coordinates cut as the hemisphere texts are.
    EXPECT_EQ(Row(lines[1], "Speed     = "), "41.9 km/hr    ");
    EXPECT_EQ(Row(lines[1], "Lat       = "), "0.00");
    EXPECT_EQ(lines[2], "         \t<TimeStamp><when>2007-10-26T01:02:03Z</when></TimeStamp>");
    EXPECT_EQ(lines[0], "\t<Placemark>");
    EXPECT_EQ(lines[3], "\t\t<styleUrl>#Point</styleUrl>");
    EXPECT_EQ(lines[5], "\t</Placemark>");
}

// Each conversion starts from nothing: the second log's placemark shows none
// of the first log's satellites, altitude, fix mode or date.
TEST(Placemark, SecondConversionIsIndependentOfTheFirst) {
    const std::string first = Join({
        Nmea("GPGGA,080510.00,5231.0512,N,01323.4087,E,1,09,1.1,38.2,M,44.7,M,,"),
        Nmea("GPGSA,A,3,02,05,07,09,,,,,,,,,2.0,1.1,1.7"),
        Nmea("GPGSV,1,1,04,02,45,074,41,05,61,293,44,07,12,041,33,09,08,318,28"),
        Nmea("GPRMC,080510.00,A,5231.0512,N,01323.4087,E,022.4,087.3,071026,,"),
        Nmea("GPRMC,080511.00,A,5231.0512,N,01323.4087,E,022.4,087.3,071026,,"),
        Nmea("GPGGA,080512.00,5231.0512,N,01323.4087,E,1,09,1.1,38.2,M,44.7,M,,"),
    });
    // A log that never gives a date: after the first log it must still give nothing.
    const std::string dateless =
        Join({Nmea("GPGLL,3351.40734,S,15112.91782,E,120001,A"), Nmea("GPGLL,3351.40734,S,15112.91782,E,120002,A")});
    const std::string second = RmcOnly("3351.40780,S", "07012.34610,W");

    const StreamResult alone = Convert(second);
    ASSERT_EQ(Convert(first).outcome.counts.placemarks, 1u);
    EXPECT_EQ(Convert(dateless).kml, kEmptyRedDocument);
    ASSERT_EQ(Convert(first).outcome.counts.placemarks, 1u);
    const StreamResult after = Convert(second);
    EXPECT_EQ(after.kml, alone.kml);
    const std::vector<Placemark> placemarks = Placemarks(after.kml);
    ASSERT_EQ(placemarks.size(), 1u);
    EXPECT_EQ(Row(placemarks[0].description, "Altitude  = "), "0.00 m");
    EXPECT_EQ(Row(placemarks[0].description, "Mode      = "), "NON Fix");
    EXPECT_EQ(Row(placemarks[0].description, "SV ID     = "), kSixtyBlanks);
    EXPECT_EQ(When(placemarks[0]), "2008-03-15T23:59:59Z");
}

} // namespace

namespace {

// The texts of a closing cycle decide whether it has a position.
TEST(PlacemarkRules, NoPositionWhenBothTextsReadZero) {
    const struct {
        const char *latitude;
        const char *longitude;
        bool has;
    } rows[] = {
        {"0.00", "0.00", false},
        {"N 0.000000", "E 0.000000", false},
        {"N -0.000000", "W 0.000000", false},
        {"S 0.000000", "0.00", false},
        {"N 0.000001", "E 0.000000", true},
        {"0.00", "E 1.000000", true},
        {"N 0.0000000", "E 0.000000", true}, // not the text of a zero
    };
    for (const auto &row : rows) {
        nmea::DataDisplay display;
        display.Latitude = row.latitude;
        display.Longitude = row.longitude;
        EXPECT_EQ(conversion::HasPosition(display), row.has) << row.latitude << " " << row.longitude;
    }
}

TEST(PlacemarkRules, TheDayAfterMidnightAndDatesThatDoNotExist) {
    const struct {
        const char *date;
        const char *clock;
        const char *clockWithDate;
        bool calendar;
        const char *moved; // "" when not moved
    } rows[] = {
        {"DATE: 08/02/28", "GMT: 00:00:00", "GMT: 23:59:59", true, "2008-02-29"},
        {"DATE: 08/02/28", "GMT: 11:59:59", "GMT: 23:59:59", true, ""}, // twelve hours exactly
        {"DATE: 08/02/28", "GMT: 11:59:58", "GMT: 23:59:59", true, "2008-02-29"},
        {"DATE: 09/02/28", "GMT: 00:00:00", "GMT: 23:59:59", true, "2009-03-01"},
        {"DATE: 99/12/31", "GMT: 00:00:00", "GMT: 23:59:59", true, "2100-01-01"},
        {"DATE: 08/02/28", "GMT: 00:00:00", "", true, ""}, // no date came with a clock
        {"DATE: 08/02/28", "GMT: 0:00:00", "GMT: 23:59:59", true, ""},
        {"DATE: 08/02/28", "GMT: 00:00:00", "GMT: 123:00:00", true, ""},
        {"DATE: 00/00/00", "GMT: 00:00:00", "GMT: 23:59:59", false, ""},
        {"DATE: 01/02/29", "GMT: 12:00:00", "GMT: 12:00:00", false, ""},
        {"DATE: 00/02/29", "GMT: 12:00:00", "GMT: 12:00:00", true, ""},
        {"DATE: 08/2/28", "GMT: 12:00:00", "GMT: 12:00:00", false, ""},
    };
    for (const auto &row : rows) {
        const conversion::PlacemarkDate date = conversion::DateOfPlacemark(row.date, row.clock, row.clockWithDate);
        EXPECT_EQ(date.calendar, row.calendar) << row.date << " " << row.clock << " " << row.clockWithDate;
        char moved[16] = "";
        if (date.nextDay) std::snprintf(moved, sizeof moved, "%04d-%02d-%02d", date.year, date.month, date.day);
        EXPECT_STREQ(moved, row.moved) << row.date << " " << row.clock << " " << row.clockWithDate;
    }
}

} // namespace
