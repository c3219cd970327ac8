// The run over a whole log: when a cycle closes and a placemark is due, how
// lines reach the decoder, where a checksum failure stops, and the counts.
#include <climits>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "conversion/kml_writer.h"
#include "conversion_test_support.h"

namespace {

using namespace sentrova_test;
using conversion::ConversionOptions;
using conversion::OutcomeKind;

// Sentences of one fix near Sydney on 15 March 2008; `time` is hhmmss.
std::string Rmc(const std::string &time, char status = 'A', const std::string &date = "150308") {
    return Nmea("GPRMC," + time + "," + status + ",3351.40734,S,15112.91782,E,012.5,084.4," + date + ",,");
}
std::string Gga(const std::string &time, const std::string &altitude = "45.3") {
    return Nmea("GPGGA," + time + ",3351.40734,S,15112.91782,E,1,08,0.9," + altitude + ",M,20.1,M,,");
}
std::string Gll(const std::string &time, char status = 'A') {
    return Nmea("GPGLL,3351.40734,S,15112.91782,E," + time + "," + status);
}
const std::string kGsa = Nmea("GPGSA,A,3,04,05,09,12,,,,,,,,,2.5,1.3,2.1");
const std::string kGsv = Nmea("GPGSV,1,1,02,04,45,074,41,123,61,293,44");

std::string At(const std::string &time) {
    return "2008-03-15T" + time.substr(0, 2) + ":" + time.substr(2, 2) + ":" + time.substr(4, 2) + "Z";
}

// A log line of 150 characters: 99 without "*", then a sentence of 51 whose
// fix time is 12:00:02. Only a reader that cuts after 99 decodes it.
std::string LongLineWithSentenceAt99() {
    const std::string sentence = Nmea("GPRMC,120002.0,A,3351.4,S,15112.9,E,0,0,150308,");
    EXPECT_EQ(sentence.size(), 51u);
    return std::string(99, 'x') + sentence;
}

struct CycleCase {
    const char *name;
    std::string log;
    std::vector<std::string> whens; // the time stamps of the placemarks, in order
    ConversionOptions options = {};
};

std::vector<CycleCase> CycleCases() {
    ConversionOptions verify;
    verify.verifyChecksums = true;
    ConversionOptions anyTalker;
    anyTalker.anyTalker = true;
    const std::string gnRmc1 = Nmea("GNRMC,120001,A,3351.40734,S,15112.91782,E,0,0,150308,,");
    const std::string gnRmc2 = Nmea("GNRMC,120002,A,3351.40734,S,15112.91782,E,0,0,150308,,");
    const std::string nul("\0", 1);
    const auto gl = [](const char *time) {
        return Nmea(std::string("GLRMC,") + time + ",A,3351.40734,S,15112.91782,E,0,0,150308,,");
    };
    return {
        {"EmptySource", "", {}},
        {"NoLineHasAStar",
         Join({"$GPRMC,120001,A,3351.40734,S,15112.91782,E,0,0,150308,,",
               "$GPRMC,120002,A,3351.40734,S,15112.91782,E,0,0,150308,,", "# comment", ""}),
         {}},
        {"NeverAValidPosition",
         Join({Gga("120001"), Rmc("120001", 'V'), Gga("120002"), Rmc("120002", 'V'), Gga("120003"), Gll("120003", 'V'),
               Gga("120004")}),
         {}},
        // GGA names the cycle; the fix is seen at the second RMC, so the first
        // placemark is the GGA after it.
        {"GgaGsaGsvRmcOrder",
         Join({Gga("120001"), kGsa, kGsv, Rmc("120001"), Gga("120002"), kGsa, kGsv, Rmc("120002"), Gga("120003"), kGsa,
               kGsv, Rmc("120003"), Gga("120004"), kGsa, kGsv, Rmc("120004")}),
         {At("120003"), At("120004")}},
        {"CycleNameFromALaterLine",
         Join({kGsv, kGsa, Gll("120001"), Rmc("120001"), Gll("120002"), Rmc("120002"), Gll("120003"), Rmc("120003")}),
         {At("120002"), At("120003")}},
        {"FirstValidRmcOnlyArmsTheFix", Join({Rmc("120001"), Rmc("120002")}), {At("120002")}},
        {"InvalidStatusAfterTheFixStillCounts",
         Join({Rmc("120001"), Rmc("120002"), Rmc("120003", 'V'), Rmc("120004", 'V')}),
         {At("120002"), At("120003"), At("120004")}},
        {"NoDateNoPlacemark", Join({Gll("120001"), Gll("120002"), Gll("120003")}), {}},
        {"SameTimeTwice", Join({Rmc("120001"), Rmc("120001"), Rmc("120001")}), {At("120001"), At("120001")}},
        {"LastLineWithLineFeed", Rmc("120001") + "\n" + Rmc("120002") + "\n", {At("120002")}},
        {"LastLineWithoutLineFeed", Rmc("120001") + "\n" + Rmc("120002"), {At("120002")}},
        {"CrLfLikeLf", Join({Rmc("120001"), Rmc("120002"), Rmc("120003", 'V')}, "\r\n"), {At("120002"), At("120003")}},
        {"CtrlZEndsTheInput", Join({Rmc("120001"), Rmc("120002")}) + "\x1a" + Join({Rmc("120003")}), {At("120002")}},
        // Lone CR line ends leave one long line: only its first piece starts
        // with a sentence, so the fix is never armed.
        {"LoneCrIsOneLongLine", Join({Rmc("120001"), Rmc("120002"), Rmc("120003")}, "\r"), {}},
        {"LongLineSecondPieceIsDecoded", Join({Rmc("120001"), LongLineWithSentenceAt99()}), {At("120002")}, verify},
        // What follows a NUL is gone, its "*" included: the line is skipped
        // instead of failing the checksum.
        {"NulHidesTheStar",
         Join({Rmc("120001"), Rmc("120002"), "$GPRMC,120003,A,3351.40734,S,15112.91782,E,0,0,150308,," + nul + "*00"}),
         {At("120002")},
         verify},
        {"NulAfterTheSentence", Join({Rmc("120001"), Rmc("120002") + nul + "junk*00"}), {At("120002")}, verify},
        {"LowerCaseNameIsNotACycle",
         Join({"$gprmc,120001,A,3351.40734,S,15112.91782,E,0,0,150308,,*00", Rmc("120001"), Rmc("120002")}),
         {At("120002")}},
        {"OtherTalkerIgnored", Join({gnRmc1, gnRmc2}), {}},
        {"OtherTalkerReadAsGp", Join({gnRmc1, gnRmc2}), {At("120002")}, anyTalker},
        // GP falls silent: GL's second RMC with none from GP between is read.
        {"SilentTalkerGivesWay",
         Join({Rmc("120001"), Rmc("120002"), gl("120003"), gl("120004"), gl("120005")}),
         {At("120002"), At("120004"), At("120005")},
         anyTalker},
        {"InterleavedTalkersNeverSwitch",
         Join({Rmc("120001"), gl("120001"), Rmc("120002"), gl("120002"), Rmc("120003"), gl("120003")}),
         {At("120002"), At("120003")},
         anyTalker},
    };
}

void PrintTo(const CycleCase &c, std::ostream *os) { *os << c.name; }

class Cycle : public ::testing::TestWithParam<CycleCase> {};

TEST_P(Cycle, WritesThePlacemarksOfTheClosedCycles) {
    const CycleCase &c = GetParam();
    const StreamResult result = Convert(c.log, c.options);
    ASSERT_EQ(result.outcome.kind, OutcomeKind::Done);
    EXPECT_EQ(Whens(result.kml), c.whens);
    EXPECT_EQ(result.outcome.counts.placemarks, c.whens.size());
    EXPECT_TRUE(result.kml.starts_with(ExpectedHeader("ff0000ff")));
    EXPECT_TRUE(result.kml.ends_with(kExpectedFooter));
    // Header, six lines a placemark, footer: nothing else.
    EXPECT_EQ(SplitCrLf(result.kml).size(), 6 + 6 * c.whens.size());
}

INSTANTIATE_TEST_SUITE_P(Logs, Cycle, ::testing::ValuesIn(CycleCases()),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(Frame, EmptyLogsGiveTheBareDocument) {
    for (const std::string &log : {std::string(), std::string("\x1a"), std::string("\n\n"),
                                   Join({"no star here", "$GPRMC,120001,A,,,,,,,150308,,"})}) {
        const StreamResult result = Convert(log);
        EXPECT_EQ(result.outcome.kind, OutcomeKind::Done);
        EXPECT_EQ(result.kml, kEmptyRedDocument) << ::testing::PrintToString(log);
        EXPECT_EQ(result.outcome.counts.sentences, 0u);
    }
}

TEST(Frame, LineEndsDoNotChangeTheDocument) {
    const std::initializer_list<std::string> lines = {Gga("120001"), kGsa, kGsv,          Rmc("120001"), Gga("120002"),
                                                      kGsa,          kGsv, Rmc("120002"), Gga("120003")};
    const StreamResult lf = Convert(Join(lines, "\n"));
    const StreamResult crlf = Convert(Join(lines, "\r\n"));
    const StreamResult crcrlf = Convert(Join(lines, "\r\r\n"));
    ASSERT_EQ(lf.outcome.counts.placemarks, 1u);
    EXPECT_EQ(crlf.kml, lf.kml);
    EXPECT_EQ(crcrlf.kml, lf.kml);
    EXPECT_EQ(crlf.outcome.counts.lines, lf.outcome.counts.lines);
    EXPECT_EQ(crlf.outcome.counts.sentences, lf.outcome.counts.sentences);
}

// Under --any-talker a second constellation's satellites set in every cycle
// is an interleaved talker, not a silent one: the placemarks keep GP's.
TEST(Frame, SecondTalkersSatelliteSetsInEveryCycleChangeNothing) {
    const std::string gp1 = Nmea("GPGSV,2,1,05,04,45,074,41,09,61,293,44,12,10,100,30,17,20,200,35");
    const std::string gp2 = Nmea("GPGSV,2,2,05,22,30,300,38");
    const std::string gl1 = Nmea("GLGSV,2,1,05,65,45,074,41,66,61,293,44,67,10,100,30,68,20,200,35");
    const std::string gl2 = Nmea("GLGSV,2,2,05,69,30,300,38");
    std::string gpOnly, both;
    for (const char *time : {"120001", "120002", "120003", "120004"}) {
        gpOnly += Join({Gga(time), gp1, gp2, Rmc(time)}) + "\n";
        both += Join({Gga(time), gp1, gp2, gl1, gl2, Rmc(time)}) + "\n";
    }
    ConversionOptions anyTalker;
    anyTalker.anyTalker = true;
    const StreamResult expected = Convert(gpOnly, anyTalker);
    ASSERT_GT(expected.outcome.counts.placemarks, 1u);
    EXPECT_EQ(Convert(both, anyTalker).kml, expected.kml);
}

struct ColourCase {
    int index;
    const char *colour;
};

TEST(Frame, IconColourByIndexAndRedOutsideTheTable) {
    const ColourCase cases[] = {{0, "ff0000ff"},       {1, "ffff0000"},      {2, "ff00ffff"}, {3, "ff0ff000"},
                                {4, "ff0055ff"},       {-1, "ff0000ff"},     {5, "ff0000ff"}, {1000, "ff0000ff"},
                                {INT_MIN, "ff0000ff"}, {INT_MAX, "ff0000ff"}};
    for (const ColourCase &c : cases) {
        ConversionOptions options;
        options.colourIndex = c.index;
        EXPECT_EQ(Convert("", options).kml, ExpectedHeader(c.colour) + kExpectedFooter) << "index " << c.index;
        EXPECT_EQ(conversion::IconColour(c.index), c.colour) << "index " << c.index;
    }
}

struct FormatErrorCase {
    const char *name;
    std::string log;
    uint64_t line;       // of the log, as the user counts them
    uint64_t placemarks; // written before the failure
};

void PrintTo(const FormatErrorCase &c, std::ostream *os) { *os << c.name; }

class FormatError : public ::testing::TestWithParam<FormatErrorCase> {};

TEST_P(FormatError, StopsAtTheLineWithoutFooter) {
    const FormatErrorCase &c = GetParam();
    ConversionOptions options;
    options.verifyChecksums = true;
    const StreamResult result = Convert(c.log, options);
    ASSERT_EQ(result.outcome.kind, OutcomeKind::FormatError);
    EXPECT_EQ(result.outcome.line, c.line);
    EXPECT_EQ(result.outcome.counts.placemarks, c.placemarks);
    EXPECT_EQ(Placemarks(result.kml).size(), c.placemarks);
    EXPECT_TRUE(result.kml.starts_with(ExpectedHeader("ff0000ff")));
    EXPECT_EQ(result.kml.find("</Document>"), std::string::npos);

    // Without verification the same log converts to the end.
    const StreamResult unchecked = Convert(c.log);
    EXPECT_EQ(unchecked.outcome.kind, OutcomeKind::Done);
    EXPECT_TRUE(unchecked.kml.ends_with(kExpectedFooter));
}

std::string Broken(std::string sentence) {
    sentence.back() = sentence.back() == '0' ? '1' : '0';
    return sentence;
}

INSTANTIATE_TEST_SUITE_P(
    Logs, FormatError,
    ::testing::Values(
        FormatErrorCase{"FirstLine", Join({Broken(Rmc("120001")), Rmc("120002")}), 1, 0},
        FormatErrorCase{"AfterPlacemarks", Join({Rmc("120001"), Rmc("120002"), Rmc("120003"), Broken(Gga("120004"))}),
                        4, 2},
        FormatErrorCase{"LinesWithoutStarCount", Join({"# comment", "", Rmc("120001"), Broken(Rmc("120002"))}), 4, 0},
        FormatErrorCase{"UnknownNameIsCheckedToo", Join({Rmc("120001"), Broken(Nmea("GPXTE,A,A,0.67,L,N"))}), 2, 0},
        FormatErrorCase{"CrLfLines", Join({Rmc("120001"), Rmc("120002"), Broken(Rmc("120003"))}, "\r\n"), 3, 1},
        FormatErrorCase{"SecondPieceOfALongLine",
                        Join({Rmc("120001"), std::string(99, 'x') + Broken(Rmc("120002")), Rmc("120003")}), 2, 0},
        FormatErrorCase{"LastLineWithoutLineFeed", Rmc("120001") + "\n" + Broken(Rmc("120002")), 2, 0}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(Counts, LinesSentencesUnrecognisedAndPlacemarks) {
    const std::string log = Join({
        "# receiver notes, no star",                              // line, skipped
        "",                                                       // line, skipped
        Nmea("GPZDA,201530.00,04,07,2002,00,00"),                 // recognised, not decoded
        Nmea("GPXTE,A,A,0.67,L,N"),                               // unrecognised
        "$gpgga,120001,3351.4,S,15112.9,E,1,08,0.9,1,M,1,M,,*00", // unrecognised (lower case)
        Rmc("120001"),                                            // sentence
        Gga("120001"),                                            // sentence
        Rmc("120002"),                                            // sentence, placemark
        std::string(150, 'y') + "*00",                            // one line, two pieces: the second unrecognised
        Nmea("GPMSS,55,27,318.0,100,1"),                          // recognised, not decoded
        Rmc("120003"),                                            // sentence, placemark
        "#*",                                                     // unrecognised
    });
    const StreamResult result = Convert(log);
    ASSERT_EQ(result.outcome.kind, OutcomeKind::Done);
    EXPECT_EQ(result.outcome.counts.lines, 12u);
    EXPECT_EQ(result.outcome.counts.sentences, 6u);
    EXPECT_EQ(result.outcome.counts.unrecognised, 4u);
    EXPECT_EQ(result.outcome.counts.placemarks, 2u);
    EXPECT_EQ(result.outcome.counts.badChecksums, 0u);
}

TEST(Counts, SkippedChecksumsAreCountedWithTheirFirstLine) {
    ConversionOptions options;
    options.verifyChecksums = true;
    options.badChecksum = conversion::BadChecksumPolicy::Skip;
    const std::string log =
        Join({Rmc("120001"), Broken(Rmc("120002")), Rmc("120003"), Broken(Rmc("120004")), Rmc("120005")});
    const StreamResult result = Convert(log, options);
    ASSERT_EQ(result.outcome.kind, OutcomeKind::Done);
    EXPECT_EQ(result.outcome.counts.badChecksums, 2u);
    EXPECT_EQ(result.outcome.counts.firstBadChecksumLine, 2u);
    EXPECT_EQ(result.outcome.counts.sentences, 3u);
    // The skipped lines neither decode nor close a cycle.
    EXPECT_EQ(Whens(result.kml), (std::vector<std::string>{At("120003"), At("120005")}));
}

} // namespace
