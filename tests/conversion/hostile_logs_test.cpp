// Logs no receiver should write: whatever the bytes, the conversion ends with a
// sensible outcome, and whatever it writes is a complete, well-formed document
// of plain CR LF text.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "conversion_test_support.h"
#include "support/xml_check.h"
#include "support/text_search.h"

namespace {

using namespace sentrova_test;
using conversion::OutcomeKind;

std::string Rmc(int second, std::string_view speed = "012.5", std::string_view course = "045.0",
                std::string_view lat = "4807.038", std::string_view lon = "01131.000",
                std::string_view date = "081226") {
    std::string body = "GPRMC,1200";
    body += static_cast<char>('0' + second / 10 % 10);
    body += static_cast<char>('0' + second % 10);
    for (std::string_view field : {std::string_view("A"), lat, std::string_view("N"), lon, std::string_view("E"), speed,
                                   course, date, std::string_view(""), std::string_view("")}) {
        body += ',';
        body += field;
    }
    return Nmea(body, "\r\n");
}

// n RMC sentences, one second apart. The first only establishes the fix: a
// placemark needs a valid RMC/GLL seen before the cycle that closes it, so n
// RMC sentences give n - 1 placemarks.
std::string Rmcs(int n) {
    std::string log;
    for (int i = 0; i < n; ++i) log += Rmc(i);
    return log;
}

std::string Gsv(int total, int number, int prn) {
    char body[120];
    std::snprintf(body, sizeof body, "GPGSV,%d,%d,12,%02d,40,083,46,%02d,17,308,41,%02d,07,344,39,%02d,67,123,45",
                  total, number, prn, prn + 1, prn + 2, prn + 3);
    return Nmea(body, "\r\n");
}

// An RMC of exactly `length` characters before its line end: the speed gets
// leading zeros. Pieces of the reader are 99 characters; beyond that the
// checksum is cut off and the rest of the line arrives as a piece of its own.
std::string RmcOfLength(int second, size_t length, std::string_view lineEnd) {
    const std::string plain = Rmc(second);
    const size_t plainLength = plain.size() - 2; // without CR LF
    std::string speed(length - plainLength, '0');
    speed += "012.5";
    std::string line = Rmc(second, speed);
    line.resize(line.size() - 2);
    EXPECT_EQ(line.size(), length);
    return line + std::string(lineEnd);
}

std::string LinesOfLength(size_t length, std::string_view lineEnd) {
    std::string log;
    for (int i = 0; i < 3; ++i) log += RmcOfLength(i, length, lineEnd);
    return log;
}

struct HostileCase {
    const char *name;
    std::function<std::string()> log;
    bool checksums; // verified
    OutcomeKind outcome;
    int placemarks;                        // placemarks in the document; -1: no document is kept
    std::vector<std::string> present = {}; // texts the document must contain
    std::vector<std::string> absent = {};  // and must not
};

const std::vector<HostileCase> kCases = {
    {"Empty", [] { return std::string(); }, false, OutcomeKind::Done, 0},
    {"OnlyLineEnds", [] { return std::string("\r\n\n\r\r\n\n\n\r"); }, false, OutcomeKind::Done, 0},
    {"OnlyStar", [] { return std::string("*"); }, false, OutcomeKind::Done, 0},
    // The sum starts after the first character, so a lone "*" does not end it
    // and the line feed enters it: a format error on line 1.
    {"OnlyStarChecked", [] { return std::string("*\r\n"); }, true, OutcomeKind::FormatError, -1},
    // 10 MB in 99-character pieces, three of them a padded RMC: each piece is
    // read as a sentence of its own although no line ever ends.
    {"TenMegabytesWithoutLineFeed",
     [] {
         std::string log;
         const std::string junk(99, 'x');
         for (int i = 0; i < 3; ++i) {
             std::string rmc = Rmc(i);
             rmc.resize(rmc.size() - 2);
             rmc.resize(99, ' ');
             log += rmc;
             while (log.size() < static_cast<size_t>(i + 1) * 3'500'000) log += junk;
         }
         return log;
     },
     false, OutcomeKind::Done, 2},
    // A NUL ends what the decoder sees: the middle RMC loses its "*" and is no sentence.
    {"NulInsideSentence",
     [] {
         std::string bad = Rmc(1);
         bad[20] = '\0';
         return Rmc(0) + bad + Rmc(2) + std::string("\0\0\0\r\n", 5);
     },
     false, OutcomeKind::Done, 1},
    {"NulAfterChecksum",
     [] {
         std::string log = Rmc(0) + Rmc(1);
         log.insert(log.size() - 2, 1, '\0');
         return log;
     },
     true, OutcomeKind::Done, 1},
    {"HighBytes",
     [] {
         std::string junk;
         for (int c = 128; c < 256; ++c) junk += static_cast<char>(c);
         std::string odd = Rmc(1);
         odd.replace(1, 2, "\xC3\xA9"); // an "é" where the talker belongs
         return junk + "*\r\n" + Rmc(0) + odd + Rmc(2) + Rmc(3) + junk;
     },
     false, OutcomeKind::Done, 2},
    // Ctrl-Z ends the input as a text-mode stream does.
    {"CtrlZFirst", [] { return std::string(1, '\x1A').append(Rmcs(4)); }, false, OutcomeKind::Done, 0},
    {"CtrlZAfterTwo", [] { return Rmcs(2) + "\x1A" + Rmcs(4); }, false, OutcomeKind::Done, 1},
    // Readers saturate: a speed of 10^30 knots shows 65535 tenths, a course
    // 6553.5 degrees, an altitude 21474.83647 m, a longitude's integer part 10^18. One such field per sentence,
    // so that the sentence still fits into 99 characters.
    {"ThirtyDigitNumbers",
     [] {
         const std::string big = "123456789012345678901234567890";
         return Rmc(0) + Nmea("GPGGA,120000," + big + ",N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,", "\r\n") +
                Nmea("GPGGA,120000,4807.038,N,01131.000,E,1,08,0.9," + big + ",M,46.9,M,,", "\r\n") +
                Nmea("GPGSA,A,3,04,05,,09,12,,,24,,,,," + big + ",1.3,2.1", "\r\n") + Rmc(1, big) +
                Rmc(2, "012.5", big + ".5") + Rmc(3, "012.5", "045.0", big) + Rmc(4, "012.5", "045.0", "4807.038", big);
     },
     false,
     OutcomeKind::Done,
     4,
     {"Speed     = 12136.9 km/hr", "Course    = 6553.5", "Altitude  = 21474.8 m", "PDOP      = 6.55",
      "Lon       = E 10000000000000000.000000"},
     {"nan", "inf"}},
    {"NegativeSpeedAndCourse",
     [] { return Rmc(0, "-12.5", "-45.0") + Nmea("GPVTG,-10.0,T,,M,-3.0,N,,K", "\r\n") + Rmc(1, "-12.5", "-45.0"); },
     false,
     OutcomeKind::Done,
     1,
     {"Speed     = 0.0 km/hr", "Course    = 0.0 "}},
    // No range check on positions: 99 degrees and 99.9999 minutes are 100.666665 degrees.
    {"LatitudeOf9999",
     [] { return Rmc(0, "1", "1", "9999.9999", "9999.9999") + Rmc(1, "1", "1", "9999.9999", "19999.9999"); },
     false,
     OutcomeKind::Done,
     1,
     {"Lat       = N 100.666665", "<coordinates>200.666665,100.666665,"}},
    {"FixQuality300",
     [] {
         std::string log;
         for (int i = 0; i < 3; ++i) {
             log += Rmc(i);
             log += Nmea("GPGGA,1200" + std::to_string(10 + i) + ",4807.038,N,01131.000,E,300,08,0.9,545.4,M,46.9,M,,",
                         "\r\n");
         }
         return log;
     },
     false, OutcomeKind::Done, 2},
    // GSV sets that never complete leave the satellite rows as they were.
    {"GsvTotalsZeroAnd255AndOutOfOrder",
     [] {
         return Rmc(0) + Gsv(2, 1, 1) + Gsv(2, 2, 5) + Gsv(0, 1, 51) + Gsv(255, 1, 55) + Gsv(255, 255, 59) +
                Gsv(3, 2, 71) + Gsv(3, 1, 75) + Gsv(3, 3, 91) + Rmc(1);
     },
     false,
     OutcomeKind::Done,
     1,
     {"SV ID     =     1    2    3    4    5    6    7    8    0    0    0    0"},
     {"   51", "   55", "   59", "   71", "   75", "   91"}},
    {"TwentyThousandGsvInARow",
     [] {
         std::string log = Rmc(0);
         for (int i = 0; i < 20000; ++i) log += Gsv(3, 1 + i % 3, 1 + 4 * (i % 3));
         return log + Rmc(1);
     },
     false,
     OutcomeKind::Done,
     1,
     {"SV ID     =     1    2    3    4    5    6    7    8    9   10   11   12"}},
    // A GGA without fields is recognised, fails to decode and changes nothing.
    {"OnlyGgaName", [] { return std::string("$GPGGA*\r\n"); }, false, OutcomeKind::Done, 0},
    {"OnlyGgaNameBetweenFixes", [] { return Rmc(0) + "$GPGGA*\r\n" + Rmc(1); }, false, OutcomeKind::Done, 1},
    // Its checksum 0 does not match the XOR of "GPGGA": a format error on line 1.
    {"OnlyGgaNameChecked", [] { return std::string("$GPGGA*\r\n"); }, true, OutcomeKind::FormatError, -1},
    {"Lines99WithCr", [] { return LinesOfLength(99, "\r\n"); }, true, OutcomeKind::Done, 2},
    {"Lines99WithoutCr", [] { return LinesOfLength(99, "\n"); }, true, OutcomeKind::Done, 2},
    // 100 and 101 characters: the cut piece still decodes without checksums,
    // but its checksum is cut to one digit or to none.
    {"Lines100WithCr", [] { return LinesOfLength(100, "\r\n"); }, false, OutcomeKind::Done, 2},
    {"Lines100WithoutCr", [] { return LinesOfLength(100, "\n"); }, false, OutcomeKind::Done, 2},
    {"Lines101WithCr", [] { return LinesOfLength(101, "\r\n"); }, false, OutcomeKind::Done, 2},
    {"Lines101WithoutCr", [] { return LinesOfLength(101, "\n"); }, false, OutcomeKind::Done, 2},
    {"Lines100Checked", [] { return LinesOfLength(100, "\r\n"); }, true, OutcomeKind::FormatError, -1},
    {"Lines101Checked", [] { return LinesOfLength(101, "\n"); }, true, OutcomeKind::FormatError, -1},
};

using sentrova_test::Count;

// The first byte that is not printable ASCII, tab, or an LF after a CR; npos if none.
size_t FirstStrayByte(const std::string &kml) {
    for (size_t i = 0; i < kml.size(); ++i) {
        const auto c = static_cast<unsigned char>(kml[i]);
        const bool ok = (c >= 0x20 && c < 0x7f) || c == '\t' ||
                        (c == '\r' && i + 1 < kml.size() && kml[i + 1] == '\n') ||
                        (c == '\n' && i > 0 && kml[i - 1] == '\r');
        if (!ok) return i;
    }
    return std::string::npos;
}

class HostileLog : public testing::TestWithParam<HostileCase> {};

TEST_P(HostileLog, ConvertsIntoASensibleResult) {
    const HostileCase &c = GetParam();
    conversion::ConversionOptions options;
    options.verifyChecksums = c.checksums;
    const StreamResult result = Convert(c.log(), options);
    ASSERT_EQ(result.outcome.kind, c.outcome);
    if (c.placemarks < 0) return;
    const std::string &doc = result.kml;
    EXPECT_EQ(Count(doc, "<Placemark>"), static_cast<size_t>(c.placemarks));
    EXPECT_TRUE(doc.starts_with(ExpectedHeader("ff0000ff")));
    EXPECT_TRUE(doc.ends_with(kExpectedFooter));
    const size_t stray = FirstStrayByte(doc);
    EXPECT_EQ(stray, std::string::npos) << "byte " << int(static_cast<unsigned char>(doc[stray])) << " at " << stray;
    for (const std::string &text : c.present) EXPECT_NE(doc.find(text), std::string::npos) << text;
    for (const std::string &text : c.absent) EXPECT_EQ(doc.find(text), std::string::npos) << text;
    ScratchDir dir;
    WriteFile(dir / "hostile.kml", doc);
    EXPECT_EQ(XmlProblems(dir / "hostile.kml"), "");
}

void PrintTo(const HostileCase &c, std::ostream *os) { *os << c.name; }

INSTANTIATE_TEST_SUITE_P(Logs, HostileLog, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<HostileCase> &info) { return std::string(info.param.name); });

} // namespace
