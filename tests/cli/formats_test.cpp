// --format gpx, kml-track, csv and --kmz through the batch converter: usage
// errors, target names, what the documents hold, and failures that leave
// nothing behind.
#include <gtest/gtest.h>

#include "cli_support.h"
#include "support/text_search.h"

namespace clitest {
namespace {

using sentrova_test::Count;

TEST(CliFormats, UsageErrorsNameTheProblem) {
    struct Row {
        std::vector<std::string> args;
        std::string_view message;
    } rows[] = {
        {{"--format", "gpx", "--kmz"}, "--kmz packs KML only"},
        {{"--format", "report", "--kmz"}, "--kmz packs KML only"},
        {{"--format", "report", "--style", "quality"}, "--style quality applies to --format kml-track"},
        {{"--format", "csv", "--line"}, "apply to --format kml only"},
        {{"--date", "2024-05-01"}, "apply to --format gpx, kml-track, csv or report"},
        {{"--split-gap", "5"}, "apply to --format gpx, kml-track, csv or report"},
        {{"--format", "gpx", "--style", "quality"}, "--style quality applies to --format kml-track"},
        {{"--format", "csv", "--date", "2024-02-30"}, "--date 2024-02-30: expected a date YYYY-MM-DD"},
        {{"--format", "csv", "--date", "24-05-01"}, "expected a date YYYY-MM-DD"},
        {{"--format", "gpx", "--split-gap", "0"}, "--split-gap"},
        {{"--format", "gpx", "--split-gap", "nan"}, "--split-gap: expected a number of seconds"},
        {{"--format", "csv", "--split-gap", "-nan"}, "--split-gap: expected a number of seconds"},
        {{"--format", "shp"}, "--format: shp not in {kml,gpx,kml-track,csv,report}"},
    };
    TempDir dir;
    WriteFile(dir / "log.nmea", DriveLog(3));
    for (const Row &r : rows) {
        std::vector<std::string> args = r.args;
        args.push_back(dir / "log.nmea");
        const ProcessResult p = RunConvert(args);
        EXPECT_EQ(p.status, 2) << r.message;
        EXPECT_NE(p.err.find(r.message), std::string::npos) << p.err;
        EXPECT_EQ(TemporaryFiles(dir.Path()).size(), 0u);
    }
    EXPECT_FALSE(Exists(dir / "log.kml") || Exists(dir / "log.gpx") || Exists(dir / "log.csv") ||
                 Exists(dir / "log.html"));
}

TEST(CliFormats, TargetFollowsTheFormatAndCountsAgree) {
    struct Row {
        std::vector<std::string> args;
        std::string target;
        std::string_view point; // one per point in the document
    } rows[] = {
        {{"--format", "gpx"}, "log.gpx", "<trkpt "},
        {{"--format", "csv"}, "log.csv", "Z,"},
        {{"--format", "kml-track"}, "log.kml", "<gx:coord>"},
        {{"--format", "kml-track", "--style", "quality"}, "log.kml", "<gx:coord>"},
    };
    for (const Row &r : rows) {
        TempDir dir;
        WriteFile(dir / "log.nmea", DriveLog(25));
        std::vector<std::string> args = r.args;
        args.push_back(dir / "log.nmea");
        const ProcessResult p = RunConvert(args);
        ASSERT_EQ(p.status, 0) << p.err;
        EXPECT_NE(p.err.find("log.nmea -> " + dir / r.target + ":"), std::string::npos) << p.err;
        EXPECT_NE(p.err.find("25 epochs, 25 points in 1 segments"), std::string::npos) << p.err;
        const std::string doc = ReadFile(dir / r.target);
        EXPECT_EQ(Count(doc, r.point), 25u) << r.target;
    }
}

TEST(CliFormats, KmzHoldsTheSameDocument) {
    for (const std::string format : {"kml", "kml-track"}) {
        TempDir dir;
        WriteFile(dir / "log.nmea", DriveLog(40, 3));
        ASSERT_EQ(RunConvert({"--format", format, dir / "log.nmea"}).status, 0);
        const ProcessResult packed = RunConvert({"--format", format, "--kmz", dir / "log.nmea"});
        ASSERT_EQ(packed.status, 0) << packed.err;
        const ProcessResult inside = RunTool({"/usr/bin/unzip", "-p", dir / "log.kmz", "doc.kml"}, "unzip");
        EXPECT_EQ(inside.status, 0);
        EXPECT_EQ(inside.out, ReadFile(dir / "log.kml")) << format;
    }
}

TEST(CliFormats, FailuresLeaveNothingBehind) {
    struct Row {
        std::vector<std::string> args;
        std::string log;
        std::string_view message;
        int status;
    } rows[] = {
        {{"--format", "gpx", "-k"}, WithBadChecksum(DriveLog(30), 40), ":40: NMEA format error!", 1},
        {{"--format", "kml-track", "--kmz", "-k"}, WithBadChecksum(DriveLog(30), 7), ":7: NMEA format error!", 1},
        {{"--format", "kml-track", "--kmz", "-o", "-"}, DriveLog(3), "a KMZ needs a file it can seek in", 1},
    };
    for (const Row &r : rows) {
        TempDir dir;
        WriteFile(dir / "log.nmea", r.log);
        std::vector<std::string> args = r.args;
        args.push_back(dir / "log.nmea");
        const ProcessResult p = RunConvert(args);
        EXPECT_EQ(p.status, r.status) << p.err;
        EXPECT_NE(p.err.find(r.message), std::string::npos) << p.err;
        EXPECT_TRUE(TemporaryFiles(dir.Path()).empty());
        EXPECT_FALSE(Exists(dir / "log.gpx") || Exists(dir / "log.kmz"));
    }
}

TEST(CliFormats, SegmentsDatesAndTheLogsOwnDigits) {
    const std::string gga1 =
        Nmea("GPGGA,235958.25,4807.03812345,N,01131.00000001,E,4,12,0.6,545.40,M,46.9,M,1.5,0042", "\r\n");
    const std::string gga2 =
        Nmea("GPGGA,235959.25,4807.03812399,N,01131.00000101,E,5,12,0.6,545.41,M,46.9,M,,", "\r\n");
    const std::string gga3 =
        Nmea("GPGGA,000030.75,4807.03812455,N,01131.00000201,E,1,12,0.6,545.42,M,46.9,M,,", "\r\n");
    struct Row {
        std::vector<std::string> args;
        std::vector<std::string_view> expected;
    } rows[] = {
        // No date in the log and none given: no point, and the summary says why.
        {{"--format", "gpx"}, {"0 points in 0 segments (no date; give one with --date)"}},
        {{"--format", "gpx", "--date", "2024-02-28"},
         {"<trkpt lat=\"48.117302057\" lon=\"11.516666667\"><ele>545.40</ele><time>2024-02-28T23:59:58.250Z</time>",
          "<fix>dgps</fix><sat>12</sat><hdop>0.6</hdop><ageofdgpsdata>1.5</ageofdgpsdata><dgpsid>42</dgpsid>",
          "<time>2024-02-29T00:00:30.750Z</time>", "3 points in 2 segments"}},
        {{"--format", "gpx", "--date", "2024-02-28", "--split-gap", "60"}, {"3 points in 1 segments"}},
        {{"--format", "csv", "--date", "2024-02-28"},
         {"1,1,2024-02-28T23:59:58.250Z,48.117302057,11.516666667,545.40,46.9,4,dgps,,12,,0.6,,,,,,1.5,42,",
          "2,3,2024-02-29T00:00:30.750Z,48.117302076,11.516666700,545.42,46.9,1,,"}},
        {{"--format", "kml-track", "--date", "2024-02-28", "--style", "quality"},
         {"<styleUrl>#rtkFixed</styleUrl>", "<styleUrl>#rtkFloat</styleUrl>", "<styleUrl>#gps</styleUrl>",
          "<gx:coord>11.516666667 48.117302057 545.40</gx:coord>", "RTK float (quality 5)"}},
    };
    for (const Row &r : rows) {
        TempDir dir;
        WriteFile(dir / "log.nmea", gga1 + gga2 + gga3);
        std::vector<std::string> args = r.args;
        args.insert(args.end(), {"-o", "-", dir / "log.nmea"});
        const ProcessResult p = RunConvert(args);
        ASSERT_EQ(p.status, 0) << p.err;
        for (std::string_view e : r.expected)
            EXPECT_NE((p.out + p.err).find(e), std::string::npos) << e << "\n" << p.out << p.err;
    }
}

} // namespace
} // namespace clitest
