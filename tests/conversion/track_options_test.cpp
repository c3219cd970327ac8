// The batch converter's track options on the plain document: the line through
// the placemarks, the altitude mode, left-out invalid cycles, every N-th.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "conversion/kml_writer.h"
#include "conversion/stream_conversion.h"
#include "conversion/track_hook.h"
#include "conversion/xml_text.h"
#include "conversion/track_options.h"
#include "conversion_test_support.h"
#include "support/logs.h"
#include "support/xml_check.h"
#include "support/text_search.h"

namespace {

using namespace sentrova_test;
using conversion::TrackOptions;

std::string WithTrack(std::string_view log, const TrackOptions &track, int colour = 0) {
    conversion::TrackHook hook(track, conversion::IconColour(colour));
    conversion::MemorySource source(log);
    conversion::MemorySink sink;
    {
        conversion::OutputBuffer out(sink);
        EXPECT_EQ(conversion::ConvertStream(source, out, {}, nullptr, &hook).kind, conversion::OutcomeKind::Done);
    }
    ScratchDir dir;
    WriteFile(dir / "track.kml", sink.bytes);
    EXPECT_EQ(XmlProblems(dir / "track.kml"), "");
    return sink.bytes;
}

// The placemark blocks of a document, in order, the line's included.
std::vector<std::string> Blocks(const std::string &kml) {
    std::vector<std::string> blocks;
    for (size_t at = kml.find("\t<Placemark>"); at != std::string::npos; at = kml.find("\t<Placemark>", at + 1)) {
        const size_t end = kml.find("\t</Placemark>\r\n", at);
        blocks.push_back(kml.substr(at, end + 15 - at));
    }
    return blocks;
}

std::string Coordinates(const std::string &block) {
    const size_t start = block.find("<coordinates>");
    const size_t end = block.find("</coordinates>", start);
    if (start == std::string::npos || end == std::string::npos) return "";
    return block.substr(start + 13, end - start - 13);
}

using sentrova_test::Count;

TEST(TrackOptions, LineFollowsEveryPlacemarkInOrderInTheChosenColour) {
    TrackOptions track;
    track.line = true;
    track.lineName = "a&b.nmea";
    const std::string kml = WithTrack(DriveLog(12), track, 3);
    EXPECT_NE(kml.find("<Style id=\"Line\"><LineStyle><color>ff0ff000</color><width>2</width></LineStyle></Style>\r\n"),
              std::string::npos);
    const std::vector<std::string> blocks = Blocks(kml);
    ASSERT_EQ(blocks.size(), 11u); // 10 points and the line
    std::string expected;
    for (size_t i = 0; i + 1 < blocks.size(); ++i) {
        if (i > 0) expected += ' ';
        expected += Coordinates(blocks[i]);
    }
    EXPECT_EQ(Coordinates(blocks.back()), expected);
    EXPECT_NE(blocks.back().find("<name>a&amp;b.nmea</name>"), std::string::npos);
    EXPECT_TRUE(kml.ends_with("\t</Placemark>\r\n</Document>\r\n</kml>\r\n"));

    EXPECT_EQ(Count(WithTrack(DriveLog(3), track), "<LineString>"), 0u) << "a line needs two points";
}

TEST(TrackOptions, AbsoluteAltitudeGoesIntoEveryPointAndTheLine) {
    TrackOptions track;
    track.line = true;
    track.altitudeMode = "absolute";
    const std::string kml = WithTrack(DriveLog(8), track);
    EXPECT_EQ(Count(kml, "<Point><altitudeMode>absolute</altitudeMode><coordinates>"), 6u);
    EXPECT_EQ(Count(kml, "<LineString><altitudeMode>absolute</altitudeMode><coordinates>"), 1u);
}

TEST(TrackOptions, SkipInvalidLeavesOutCyclesThatReportNoFix) {
    // A drive whose RMC reports V in seconds 4 and 5 and whose GGA reports
    // fix quality 0 in second 7.
    std::string log;
    int second = 0;
    for (const std::string &line : SplitCrLf(DriveLog(10))) {
        std::string body = line.substr(1, line.find('*') - 1);
        if (body.starts_with("GPGGA")) ++second;
        if (body.starts_with("GPRMC") && (second == 4 || second == 5)) body[13] = 'V';
        if (body.starts_with("GPGGA") && second == 7) body[body.find(",E,1,") + 3] = '0';
        log += Nmea(body, "\r\n");
    }
    TrackOptions track;
    track.skipInvalid = true;
    // Placemarks close at the GGA of seconds 3..10; the GGA of second s sees the
    // RMC of second s-1. Left out: 5 and 6 (RMC V) and 7 (its own GGA says 0).
    EXPECT_EQ(Count(Convert(log).kml, "<Placemark>"), 8u);
    EXPECT_EQ(Count(WithTrack(log, track), "<Placemark>"), 5u);
}

TEST(TrackOptions, EveryKeepsTheFirstAndEveryNthPlacemark) {
    const std::vector<std::string> all = Blocks(Convert(DriveLog(14)).kml);
    ASSERT_EQ(all.size(), 12u);
    for (unsigned n : {1u, 2u, 5u, 12u, 100u}) {
        SCOPED_TRACE(n);
        TrackOptions track;
        track.every = n;
        std::vector<std::string> expected;
        for (size_t i = 0; i < all.size(); i += n) expected.push_back(all[i]);
        EXPECT_EQ(Blocks(WithTrack(DriveLog(14), track)), expected);
    }
}

TEST(TrackOptions, LineNameIsEscapedForXml) {
    EXPECT_EQ(conversion::XmlText("a&b<c>.nmea"), "a&amp;b&lt;c&gt;.nmea");
    EXPECT_EQ(conversion::XmlText("Fahrt M\xc3\xbcnchen"), "Fahrt M\xc3\xbcnchen");
    // Each broken sequence and each character XML does not allow: one U+FFFD.
    const std::pair<std::string_view, std::string_view> replaced[] = {
        {"bad\xff\x01name", "bad\uFFFD\uFFFDname"},
        {"over\xc0\xaflong", "over\uFFFD\uFFFDlong"},
        {"sur\xed\xa0\x80r", "sur\uFFFD\uFFFD\uFFFDr"},
        {"non\xef\xbf\xbe", "non\uFFFD"},
        {"big\xf4\x90\x80\x80", "big\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"cut\xe2\x82", "cut\uFFFD"},
        {"\xf0\x9f\x9a\x97 \xc2\x85", "\xf0\x9f\x9a\x97 \xc2\x85"}};
    for (const auto &[name, expected] : replaced) EXPECT_EQ(conversion::XmlText(name), expected) << name;
}

} // namespace
