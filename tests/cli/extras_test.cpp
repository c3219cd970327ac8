// The batch converter's options beyond the plain document, on small logs of
// our own and on the real receiver logs.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli_support.h"
#include "conversion/track_options.h"

namespace clitest {
namespace {

namespace fs = std::filesystem;

size_t Count(const std::string &text, std::string_view what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// The placemark blocks of a document, in order.
std::vector<std::string> Placemarks(const std::string &kml) {
    std::vector<std::string> blocks;
    for (size_t at = kml.find("\t<Placemark>"); at != std::string::npos; at = kml.find("\t<Placemark>", at + 1)) {
        const size_t end = kml.find("\t</Placemark>\r\n", at);
        blocks.push_back(kml.substr(at, end + 15 - at));
    }
    return blocks;
}

std::string PointCoordinates(const std::string &block) {
    constexpr std::string_view kOpen = "<coordinates>";
    const size_t start = block.find(kOpen);
    if (start == std::string::npos) return "";
    const size_t end = block.find("</coordinates>", start);
    if (end == std::string::npos) return "";
    return block.substr(start + kOpen.size(), end - start - kOpen.size());
}

struct Converted {
    ProcessResult run;
    std::string kml;
};

Converted Convert(const TempDir &dir, const std::string &log, std::vector<std::string> options) {
    WriteFile(dir / "log.nmea", log);
    std::vector<std::string> args = std::move(options);
    args.insert(args.end(), {"-f", "-o", dir / "log.kml", dir / "log.nmea"});
    Converted c{RunConvert(args), ""};
    if (Exists(dir / "log.kml")) c.kml = ReadFile(dir / "log.kml");
    return c;
}

// A drive whose fixes come from a multi-constellation receiver (GN talker).
std::string GnssLog(int seconds) { return Retalked(DriveLog(seconds), "GN", {"GGA", "RMC", "GSA"}); }

TEST(CliAnyTalker, MultiConstellationFixesBecomePlacemarksOnlyWithTheOption) {
    TempDir dir;
    const Converted plain = Convert(dir, GnssLog(5), {});
    EXPECT_EQ(plain.run.status, 0);
    EXPECT_EQ(Count(plain.kml, "<Placemark>"), 0u);
    EXPECT_NE(plain.run.err.find("fixes only from other talkers: GN 15; try --any-talker"), std::string::npos)
        << plain.run.err;

    const Converted any = Convert(dir, GnssLog(5), {"--any-talker"});
    EXPECT_EQ(any.run.status, 0);
    // The first second sets the fix, the second one's RMC notes it: placemarks from the third GGA on.
    EXPECT_EQ(Count(any.kml, "<Placemark>"), 3u);
    // The GN log reads exactly like the GP one.
    const Converted gp = Convert(dir, DriveLog(5), {});
    EXPECT_EQ(any.kml, gp.kml);
}

// What the summary says about the cycles and sentences left out.
TEST(CliSummary, CountsWhatWasLeftOut) {
    std::string gpThenGn; // each RMC also from GN: GN takes over from its first one
    for (const std::string &line : Lines(DriveLog(5))) {
        gpThenGn += line + "\r\n";
        if (line.starts_with("$GPRMC")) gpThenGn += Nmea("GN" + line.substr(3, line.find('*') - 3), "\r\n") + "\r\n";
    }
    std::string atZero;
    for (const char *time : {"120001", "120002", "120003", "120004"})
        atZero += Nmea(std::string("GPRMC,") + time + ",A,0000.0000,N,00000.0000,E,0.0,0.0,150308,,", "\r\n") + "\r\n";
    const struct {
        const char *name;
        std::string log;
        std::vector<std::string> options;
        const char *said;
    } rows[] = {
        {"zero positions only", atZero, {}, " 0 placemarks (no cycle with a position), 3 cycles without a position"},
        {"zero positions thinned", atZero, {"--every", "2"}, " 0 placemarks (no cycle with a position), 3 cycles"},
        {"GP then GN", gpThenGn, {"--any-talker"}, " 4 placemarks, 4 sentences from a second talker ignored"},
        {"GP then GN, GP only", gpThenGn, {}, " 5 unrecognised, 3 placemarks\n"},
    };
    TempDir dir;
    for (const auto &row : rows) {
        const Converted c = Convert(dir, row.log, row.options);
        EXPECT_EQ(c.run.status, 0) << row.name;
        EXPECT_NE(c.run.err.find(row.said), std::string::npos) << row.name << ": " << c.run.err;
    }
}

TEST(CliTrackLine, FollowsEveryPlacemarkInOrderInTheChosenColour) {
    TempDir dir;
    const Converted c = Convert(dir, DriveLog(12), {"--line", "-c", "green"});
    ASSERT_EQ(c.run.status, 0) << c.run.err;
    EXPECT_NE(c.kml.find("<Style id=\"Line\"><LineStyle><color>ff0ff000</color><width>2</width></LineStyle></Style>\r\n"),
              std::string::npos);
    const std::vector<std::string> blocks = Placemarks(c.kml);
    ASSERT_EQ(blocks.size(), 11u); // 10 points and the line
    std::string expected;
    for (size_t i = 0; i + 1 < blocks.size(); ++i) {
        if (i > 0) expected += ' ';
        expected += PointCoordinates(blocks[i]);
    }
    EXPECT_EQ(PointCoordinates(blocks.back()), expected);
    EXPECT_NE(blocks.back().find("<name>log.nmea</name>"), std::string::npos);
    EXPECT_TRUE(c.kml.ends_with("\t</Placemark>\r\n</Document>\r\n</kml>\r\n"));
    EXPECT_EQ(clitest::XmlProblems(dir / "log.kml"), "");
}

TEST(CliTrackLine, NeedsTwoPoints) {
    TempDir dir;
    const Converted c = Convert(dir, DriveLog(3), {"--line"});
    EXPECT_EQ(Count(c.kml, "<Placemark>"), 1u);
    EXPECT_EQ(Count(c.kml, "<LineString>"), 0u);
}

TEST(CliAltitudeMode, AbsoluteGoesIntoEveryPointAndTheLine) {
    TempDir dir;
    const Converted c = Convert(dir, DriveLog(8), {"--altitude-mode", "absolute", "--line"});
    ASSERT_EQ(c.run.status, 0) << c.run.err;
    EXPECT_EQ(Count(c.kml, "<Point><altitudeMode>absolute</altitudeMode><coordinates>"), 6u);
    EXPECT_EQ(Count(c.kml, "<LineString><altitudeMode>absolute</altitudeMode><coordinates>"), 1u);
    EXPECT_EQ(clitest::XmlProblems(dir / "log.kml"), "");
    const Converted ground = Convert(dir, DriveLog(8), {"--altitude-mode", "clampToGround"});
    EXPECT_EQ(ground.kml, Convert(dir, DriveLog(8), {}).kml);
}

TEST(CliBadChecksum, SkipLeavesOutTheSentenceAsIfItWereNotThere) {
    TempDir dir;
    const std::string log = DriveLog(6);
    const int badLine = 13; // the third second's GGA, which closes a cycle
    const Converted skipped = Convert(dir, WithBadChecksum(log, badLine), {"--bad-checksum", "skip"});
    ASSERT_EQ(skipped.run.status, 0) << skipped.run.err;
    EXPECT_NE(skipped.run.err.find("1 bad checksums skipped (first on line 13)"), std::string::npos) << skipped.run.err;

    std::vector<std::string> lines = Lines(log);
    lines.erase(lines.begin() + badLine - 1);
    std::string without;
    for (const std::string &line : lines) without += line + "\n";
    EXPECT_EQ(skipped.kml, Convert(dir, without, {}).kml);

    const Converted stopped = Convert(dir, WithBadChecksum(log, badLine), {"-k", "--bad-checksum", "stop"});
    EXPECT_EQ(stopped.run.status, 1);
    EXPECT_NE(stopped.run.err.find(":13: NMEA format error!"), std::string::npos) << stopped.run.err;
}

TEST(CliSkipInvalid, LeavesOutCyclesThatReportNoFix) {
    // A drive whose RMC reports V in seconds 4 and 5 and whose GGA reports
    // fix quality 0 in second 7.
    std::string log;
    int second = 0;
    for (const std::string &line : Lines(DriveLog(10))) {
        std::string body = line.substr(1, line.find('*') - 1);
        if (body.starts_with("GPGGA")) ++second;
        if (body.starts_with("GPRMC") && (second == 4 || second == 5)) body[13] = 'V';
        if (body.starts_with("GPGGA") && second == 7) body[body.find(",E,1,") + 3] = '0';
        log += Nmea(body, "\r\n");
    }
    TempDir dir;
    const Converted all = Convert(dir, log, {});
    const Converted valid = Convert(dir, log, {"--skip-invalid"});
    ASSERT_EQ(valid.run.status, 0);
    // Placemarks close at the GGA of seconds 3..10; the GGA of second s sees the
    // RMC of second s-1. Left out: 5 and 6 (RMC V) and 7 (its own GGA says 0).
    EXPECT_EQ(Count(all.kml, "<Placemark>"), 8u);
    EXPECT_EQ(Count(valid.kml, "<Placemark>"), 5u);
}

TEST(CliEvery, KeepsTheFirstAndEveryNthPlacemark) {
    TempDir dir;
    const std::vector<std::string> all = Placemarks(Convert(dir, DriveLog(14), {}).kml);
    ASSERT_EQ(all.size(), 12u);
    for (unsigned n : {1u, 2u, 5u, 12u, 100u}) {
        SCOPED_TRACE(n);
        const std::vector<std::string> thinned = Placemarks(Convert(dir, DriveLog(14), {"--every", std::to_string(n)}).kml);
        std::vector<std::string> expected;
        for (size_t i = 0; i < all.size(); i += n) expected.push_back(all[i]);
        EXPECT_EQ(thinned, expected);
    }
    EXPECT_EQ(Convert(dir, DriveLog(3), {"--every", "0"}).run.status, 2);
}

TEST(CliLineName, IsEscapedForXml) {
    EXPECT_EQ(conversion::XmlText("a&b<c>.nmea"), "a&amp;b&lt;c&gt;.nmea");
    EXPECT_EQ(conversion::XmlText("Fahrt M\xc3\xbcnchen"), "Fahrt M\xc3\xbcnchen");
    EXPECT_EQ(conversion::XmlText("bad\xff\x01name"), "bad??name");
}

TEST(CliRealLogs, EveryOptionGivesWellFormedDocuments) {
    const std::vector<fs::path> logs = RealLogs();
    if (logs.empty()) GTEST_SKIP() << "no real logs at " << sentrova_test::RealLogFolder();
    TempDir dir;
    const std::vector<std::vector<std::string>> optionSets = {
        {"--any-talker"},
        {"--line", "--altitude-mode", "absolute"},
        {"--bad-checksum", "skip", "--skip-invalid", "--every", "3"},
        {"--any-talker", "--line", "--altitude-mode", "relativeToGround", "--skip-invalid", "--every", "2",
         "--bad-checksum", "skip"},
    };
    size_t withPlacemarks = 0;
    size_t withPlacemarksAnyTalker = 0;
    for (const fs::path &log : logs) {
        SCOPED_TRACE(log.filename().string());
        const std::string plain = dir / "plain.kml";
        ASSERT_EQ(RunConvert({"-f", "-o", plain, log.string()}).status, 0);
        const size_t plainCount = Count(ReadFile(plain), "<Placemark>");
        withPlacemarks += plainCount > 0;
        for (const auto &options : optionSets) {
            std::vector<std::string> args = options;
            args.insert(args.end(), {"-f", "-o", dir / "x.kml", log.string()});
            const ProcessResult r = RunConvert(args);
            ASSERT_EQ(r.status, 0) << r.err;
            ASSERT_EQ(clitest::XmlProblems(dir / "x.kml"), "");
            if (options.size() == 1) {
                const size_t anyCount = Count(ReadFile(dir / "x.kml"), "<Placemark>");
                // Fewer only where a second talker's sentences were ignored (GN taking over from GP).
                if (r.err.find("second talker ignored") == std::string::npos) {
                    EXPECT_GE(anyCount, plainCount);
                }
                withPlacemarksAnyTalker += anyCount > 0;
            }
        }
    }
    EXPECT_GT(withPlacemarksAnyTalker, withPlacemarks);
    std::cout << "[ real logs ] " << logs.size() << " logs; with placemarks: " << withPlacemarks
              << " plain, " << withPlacemarksAnyTalker << " with --any-talker\n";
}

} // namespace
} // namespace clitest
