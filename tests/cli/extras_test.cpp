// The batch converter's options beyond the plain document, on small logs of
// our own and on the real receiver logs.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>

#include "cli_support.h"
#include "conversion/kml_writer.h"
#include "conversion/track_hook.h"
#include "conversion/track_options.h"
#include "conversion/xml_text.h"
#include "support/text_search.h"

namespace clitest {
namespace {

namespace fs = std::filesystem;

using sentrova_test::Count;

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
    const std::string yearZero = Nmea("GPZDA,120000.00,01,01,0000,,", "\r\n") + Lines(DriveLog(2)).at(0) + "\r\n" +
                                 Nmea("GPZDA,120001.00,01,01,0000,,", "\r\n");
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
        {"year 0000", yearZero, {"--format", "gpx"}, "0 points in 0 segments (no date; give one with --date)"},
        {"gzip",
         "\x1f\x8b\x08\x08"
         "drive.nmea",
         {},
         "(the log looks compressed: gunzip -c LOG | sentrova-convert"},
    };
    TempDir dir;
    for (const auto &row : rows) {
        const Converted c = Convert(dir, row.log, row.options);
        EXPECT_EQ(c.run.status, 0) << row.name;
        EXPECT_NE(c.run.err.find(row.said), std::string::npos) << row.name << ": " << c.run.err;
    }
}

// The track options reach the engine as given, the line named after the log.
TEST(CliTrackOptions, GiveTheEnginesDocument) {
    struct Row {
        std::vector<std::string> args;
        const char *altitudeMode;
        bool line, skipInvalid;
        unsigned every;
        int colour;
    } rows[] = {
        {{"--line", "-c", "green"}, "", true, false, 1, 3},
        {{"--altitude-mode", "absolute", "--line"}, "absolute", true, false, 1, 0},
        {{"--altitude-mode", "clampToGround"}, "", false, false, 1, 0},
        {{"--skip-invalid", "--every", "3"}, "", false, true, 3, 0},
    };
    TempDir dir;
    for (const Row &row : rows) {
        SCOPED_TRACE(row.args.front());
        const Converted c = Convert(dir, DriveLog(12), row.args);
        ASSERT_EQ(c.run.status, 0) << c.run.err;
        conversion::ConversionOptions options;
        options.colourIndex = row.colour;
        conversion::TrackOptions track;
        track.altitudeMode = row.altitudeMode;
        track.line = row.line;
        track.lineName = "log.nmea";
        track.skipInvalid = row.skipInvalid;
        track.every = row.every;
        conversion::TrackHook hook(track, conversion::IconColour(row.colour));
        EXPECT_EQ(c.kml, EngineConvert(dir / "log.nmea", options, track.Plain() ? nullptr : &hook).kml);
    }
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

// Every real log on one command line per option set, as a folder is
// converted: one converter start per set, one xmllint per set.
TEST(CliRealLogs, EveryOptionGivesWellFormedDocuments) {
    TempDir dir;
    const std::vector<std::string> logs = LinkedRealLogs(dir);
    if (logs.empty()) GTEST_SKIP() << "no real logs at " << sentrova_test::RealLogFolder();
    const std::vector<std::vector<std::string>> optionSets = {
        {},
        {"--any-talker"},
        {"--line", "--altitude-mode", "absolute"},
        {"--bad-checksum", "skip", "--skip-invalid", "--every", "3"},
        {"--any-talker", "--line", "--altitude-mode", "relativeToGround", "--skip-invalid", "--every", "2",
         "--bad-checksum", "skip"},
    };
    std::vector<std::string> documents;
    for (const std::string &log : logs) documents.push_back(KmlBeside(log));
    std::vector<size_t> plainCounts;
    size_t withPlacemarks = 0;
    size_t withPlacemarksAnyTalker = 0;
    for (const auto &options : optionSets) {
        SCOPED_TRACE(options.empty() ? "plain" : options.front() + " ...");
        std::vector<std::string> args = options;
        args.insert(args.end(), {"-q", "-f"});
        args.insert(args.end(), logs.begin(), logs.end());
        const ProcessResult r = RunConvert(args);
        ASSERT_EQ(r.status, 0) << r.err;
        if (!options.empty()) {
            ASSERT_EQ(XmlProblems(documents), "");
        }
        for (size_t i = 0; i < logs.size(); ++i) {
            const std::string kml = ReadFile(documents[i]);
            const size_t count = Count(kml, "<Placemark>");
            if (options.empty()) {
                plainCounts.push_back(count);
                withPlacemarks += count > 0;
            }
            if (options.size() != 1) continue;
            SCOPED_TRACE(logs[i]);
            // A talker that falls silent gives way: every talker's fixes are read.
            EXPECT_GE(count, plainCounts[i]);
            withPlacemarksAnyTalker += count > 0;
            // Receivers that switch talker for good: every fix once, no second with
            // more placemarks than the log has fixes in it.
            const struct {
                std::string_view name;
                size_t least;
            } switching[] = {{"gpsd-nmea-rtk.log", 118}, {"gpsd-sirfstarv-nmea.log", 57}};
            for (const auto &row : switching) {
                if (fs::path(logs[i]).filename() != row.name) continue;
                EXPECT_GE(count, row.least);
                std::map<std::string, std::set<std::string>> fixesPerSecond;
                for (const std::string &line : Lines(ReadFile(logs[i]))) {
                    if (line.size() > 17 && line[0] == '$' && line.substr(3, 4) == "GGA,")
                        fixesPerSecond[line.substr(7, 6)].insert(line.substr(7, line.find(',', 7) - 7));
                }
                std::map<std::string, size_t> placemarksPerSecond;
                for (size_t at = kml.find("<when>"); at != std::string::npos; at = kml.find("<when>", at + 1))
                    ++placemarksPerSecond[kml.substr(at + 17, 2) + kml.substr(at + 20, 2) + kml.substr(at + 23, 2)];
                size_t fixes = 0;
                for (const auto &[second, n] : placemarksPerSecond) {
                    EXPECT_LE(n, fixesPerSecond[second].size()) << second;
                    fixes += fixesPerSecond[second].size();
                }
                EXPECT_LE(count, fixes);
            }
        }
    }
    EXPECT_GT(withPlacemarksAnyTalker, withPlacemarks);
    std::cout << "[ real logs ] " << logs.size() << " logs; with placemarks: " << withPlacemarks << " plain, "
              << withPlacemarksAnyTalker << " with --any-talker\n";
}

} // namespace
} // namespace clitest
