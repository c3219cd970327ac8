// Converting through the built binary: targets, standard streams, the lines on
// standard error, refusals, parallel jobs and checksums.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>

#include "cli/cli_support.h"
#include "support/text_search.h"

namespace clitest {
namespace {
namespace fs = std::filesystem;

using sentrova_test::Contains;

// The line for a converted log: names both files and carries the engine's counts.
void ExpectSummary(const std::string &line, const std::string &log, const std::string &target,
                   const conversion::ConversionCounts &counts) {
    EXPECT_EQ(line.rfind(log, 0), 0u) << line;
    EXPECT_TRUE(Contains(line, target)) << line;
    const auto counted = [](uint64_t n, const char *what) {
        std::string text = " ";
        text += std::to_string(n);
        text += ' ';
        text += what;
        return text;
    };
    EXPECT_TRUE(Contains(line, counted(counts.lines, "lines"))) << line;
    EXPECT_TRUE(Contains(line, counted(counts.sentences, "sentences"))) << line;
    EXPECT_TRUE(Contains(line, counted(counts.unrecognised, "unrecognised"))) << line;
    EXPECT_TRUE(Contains(line, counted(counts.placemarks, "placemarks"))) << line;
}

std::vector<std::string> FolderNames(const std::string &folder) {
    std::vector<std::string> names;
    for (const auto &entry : fs::recursive_directory_iterator(folder))
        names.push_back(fs::relative(entry.path(), folder).string());
    std::sort(names.begin(), names.end());
    return names;
}

struct TargetCase {
    const char *log;    // relative to the working folder
    const char *target; // expected beside it
};
void PrintTo(const TargetCase &c, std::ostream *os) { *os << c.log << " -> " << c.target; }

class CliDefaultTarget : public testing::TestWithParam<TargetCase> {};

TEST_P(CliDefaultTarget, IsBesideTheLogWithItsExtensionReplaced) {
    TempDir dir;
    const std::string log = GetParam().log;
    fs::create_directories(fs::path(dir / log).parent_path());
    WriteFile(dir / log, DriveLog(6));
    const EngineResult expected = EngineConvert(dir / log, {});
    ASSERT_EQ(expected.outcome.kind, conversion::OutcomeKind::Done);

    SpawnOptions inFolder;
    inFolder.workDir = dir.Path();
    const ProcessResult r = RunConvert({log}, {}, inFolder);
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.status, 0) << r.err;
    ASSERT_TRUE(Exists(dir / GetParam().target)) << r.err;
    EXPECT_EQ(ReadFile(dir / GetParam().target), expected.kml);
    EXPECT_TRUE(r.out.empty());
    const auto lines = Lines(r.err);
    ASSERT_EQ(lines.size(), 1u) << r.err;
    ExpectSummary(lines[0], log, GetParam().target, expected.outcome.counts);
    size_t files = 0;
    for (const auto &entry : fs::recursive_directory_iterator(dir.Path())) files += entry.is_regular_file();
    EXPECT_EQ(files, 2u); // the log and its document
}

INSTANTIATE_TEST_SUITE_P(, CliDefaultTarget,
                         testing::Values(TargetCase{"drive.nmea", "drive.kml"}, TargetCase{"drive", "drive.kml"},
                                         TargetCase{"Drive.NMEA", "Drive.kml"}, TargetCase{"day.1.log", "day.1.kml"},
                                         TargetCase{"trip.v2/drive", "trip.v2/drive.kml"},
                                         TargetCase{"trip.v2/drive.log.txt", "trip.v2/drive.log.kml"},
                                         TargetCase{"a.b/c.d/drive", "a.b/c.d/drive.kml"},
                                         TargetCase{".hidden", ".hidden.kml"}),
                         [](const testing::TestParamInfo<TargetCase> &info) {
                             std::string name;
                             for (const char c : std::string(info.param.log)) name += std::isalnum(c) ? c : '_';
                             return name;
                         });

TEST(CliConversion, OutputOptionWritesThereAndNothingBesideTheLog) {
    TempDir dir;
    fs::create_directory(dir / "out");
    WriteFile(dir / "drive.nmea", DriveLog(8));
    const ProcessResult r = RunConvert({"-o", dir / "out/track.kml", dir / "drive.nmea"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFile(dir / "out/track.kml"), EngineConvert(dir / "drive.nmea", {}).kml);
    EXPECT_EQ(FolderNames(dir.Path()), (std::vector<std::string>{"drive.nmea", "out", "out/track.kml"}));
    EXPECT_TRUE(Contains(r.err, dir / "out/track.kml"));
}

TEST(CliConversion, DashOutputWritesOnlyTheDocumentToStandardOutput) {
    TempDir dir;
    WriteFile(dir / "drive.nmea", DriveLog(8));
    const EngineResult expected = EngineConvert(dir / "drive.nmea", {});
    const ProcessResult r = RunConvert({"-o", "-", dir / "drive.nmea"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, expected.kml);
    const auto lines = Lines(r.err);
    ASSERT_EQ(lines.size(), 1u) << r.err;
    ExpectSummary(lines[0], dir / "drive.nmea", "(standard output)", expected.outcome.counts);
    EXPECT_EQ(FolderNames(dir.Path()), std::vector<std::string>{"drive.nmea"});
}

TEST(CliConversion, DashLogReadsStandardInput) {
    TempDir dir;
    const std::string log = DriveLog(12, 3);
    WriteFile(dir / "same.nmea", log);
    const EngineResult expected = EngineConvert(dir / "same.nmea", {});

    const ProcessResult toFile = RunConvert({"-o", dir / "in.kml", "-"}, log);
    ASSERT_EQ(toFile.status, 0) << toFile.err;
    EXPECT_EQ(ReadFile(dir / "in.kml"), expected.kml);
    const auto lines = Lines(toFile.err);
    ASSERT_EQ(lines.size(), 1u) << toFile.err;
    ExpectSummary(lines[0], "(standard input)", dir / "in.kml", expected.outcome.counts);

    const ProcessResult toStdout = RunConvert({"-o", "-", "-"}, log);
    ASSERT_EQ(toStdout.status, 0) << toStdout.err;
    EXPECT_EQ(toStdout.out, expected.kml);
}

TEST(CliConversion, QuietPrintsNothingOnSuccessButStillPrintsErrors) {
    TempDir dir;
    WriteFile(dir / "a.nmea", DriveLog(4));
    WriteFile(dir / "b.nmea", DriveLog(4, 1));

    const ProcessResult ok = RunConvert({"-q", dir / "a.nmea", dir / "b.nmea"});
    EXPECT_EQ(ok.status, 0) << ok.err;
    EXPECT_TRUE(ok.err.empty()) << ok.err;
    EXPECT_TRUE(ok.out.empty());
    EXPECT_TRUE(Exists(dir / "a.kml") && Exists(dir / "b.kml"));

    fs::remove(dir / "b.kml");
    const ProcessResult failed = RunConvert({"--quiet", dir / "missing.nmea", dir / "a.nmea", dir / "b.nmea"});
    EXPECT_EQ(failed.status, 1);
    const auto lines = Lines(failed.err);
    ASSERT_EQ(lines.size(), 2u) << failed.err; // the missing log and the kept a.kml
    EXPECT_EQ(lines[0].rfind(dir / "missing.nmea", 0), 0u) << lines[0];
    EXPECT_EQ(lines[1].rfind(dir / "a.nmea", 0), 0u) << lines[1];
    EXPECT_TRUE(Exists(dir / "b.kml"));
}

TEST(CliRefusal, ExistingTargetIsKeptReportedAndTheOtherLogsConvert) {
    TempDir dir;
    for (const char *name : {"a", "b", "c"}) WriteFile(dir / (std::string(name) + ".nmea"), DriveLog(5, name[0]));
    const std::string kept = "not a KML, but somebody's file\n";
    WriteFile(dir / "b.kml", kept);

    const ProcessResult r = RunConvert({dir / "a.nmea", dir / "b.nmea", dir / "c.nmea"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(ReadFile(dir / "b.kml"), kept);
    EXPECT_EQ(ReadFile(dir / "a.kml"), EngineConvert(dir / "a.nmea", {}).kml);
    EXPECT_EQ(ReadFile(dir / "c.kml"), EngineConvert(dir / "c.nmea", {}).kml);
    const auto lines = Lines(r.err);
    ASSERT_EQ(lines.size(), 3u) << r.err;
    EXPECT_EQ(lines[1].rfind(dir / "b.nmea", 0), 0u) << lines[1];
    EXPECT_TRUE(Contains(lines[1], dir / "b.kml")) << lines[1];
    EXPECT_TRUE(Contains(lines[1], "--force")) << lines[1];
    EXPECT_TRUE(TemporaryFiles(dir.Path()).empty());

    const ProcessResult forced = RunConvert({"--force", dir / "b.nmea"});
    EXPECT_EQ(forced.status, 0) << forced.err;
    EXPECT_EQ(ReadFile(dir / "b.kml"), EngineConvert(dir / "b.nmea", {}).kml);
}

struct SameTargetCase {
    const char *name;
    const char *first;
    const char *second;
    const char *target;
};
void PrintTo(const SameTargetCase &c, std::ostream *os) { *os << c.name; }

class CliSameTarget : public testing::TestWithParam<SameTargetCase> {};

TEST_P(CliSameTarget, SecondLogIsReportedAndSkipped) {
    TempDir dir;
    fs::create_directory(dir / "sub");
    WriteFile(dir / "a.nmea", DriveLog(5, 1));
    WriteFile(dir / "a.log", DriveLog(5, 2));
    SpawnOptions inFolder;
    inFolder.workDir = dir.Path();
    const std::string second = *GetParam().second ? GetParam().second : dir / "a.log";
    const ProcessResult r = RunConvert({GetParam().first, second}, {}, inFolder);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(ReadFile(dir / GetParam().target), EngineConvert(dir / GetParam().first, {}).kml);
    const auto lines = Lines(r.err);
    ASSERT_EQ(lines.size(), 2u) << r.err;
    EXPECT_EQ(lines[1].rfind(second, 0), 0u) << lines[1];
    EXPECT_TRUE(Contains(lines[1], "as an earlier log")) << lines[1];
    EXPECT_TRUE(TemporaryFiles(dir.Path()).empty());
}

INSTANTIATE_TEST_SUITE_P(
    , CliSameTarget,
    testing::Values(SameTargetCase{"OtherExtension", "a.nmea", "a.log", "a.kml"},
                    SameTargetCase{"SameLogTwice", "a.nmea", "a.nmea", "a.kml"},
                    SameTargetCase{"SpelledDifferently", "a.nmea", "./sub/../a.log", "a.kml"},
                    SameTargetCase{"AbsoluteAndRelative", "a.nmea", "" /* absolute a.log */, "a.kml"}),
    [](const testing::TestParamInfo<SameTargetCase> &info) { return std::string(info.param.name); });

struct OwnTargetCase {
    const char *name;
    std::vector<std::string> args; // LOG and OTHER stand for the logs' paths
    const char *logName;
    const char *otherName = ""; // a second log, the document of LOG would replace it
    const char *said = "the KML ";
};
void PrintTo(const OwnTargetCase &c, std::ostream *os) { *os << c.name; }

class CliOwnTarget : public testing::TestWithParam<OwnTargetCase> {};

TEST_P(CliOwnTarget, LogIsNeverReplacedByItsOwnDocument) {
    TempDir dir;
    const std::string log = dir / GetParam().logName, other = dir / GetParam().otherName;
    const std::string bytes = DriveLog(5);
    WriteFile(log, bytes);
    if (*GetParam().otherName) WriteFile(other, bytes);
    std::vector<std::string> args = GetParam().args;
    for (std::string &a : args) a = a == "LOG" ? log : a == "OTHER" ? other : a;
    const ProcessResult r = RunConvert(args);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(ReadFile(log), bytes);
    std::vector<std::string> names{GetParam().logName};
    if (*GetParam().otherName) {
        EXPECT_EQ(ReadFile(other), bytes);
        names.insert(names.begin(), GetParam().otherName);
    }
    EXPECT_EQ(FolderNames(dir.Path()), names);
    // The log's own line names the document by its format, and the log it would replace.
    const std::string replaced = *GetParam().otherName ? other + ", a log of this command line" : "the log itself";
    EXPECT_TRUE(Contains("\n" + r.err, "\n" + log + ": " + GetParam().said)) << r.err;
    EXPECT_TRUE(Contains(r.err, " would replace " + replaced)) << r.err;
}

INSTANTIATE_TEST_SUITE_P(
    , CliOwnTarget,
    testing::Values(
        OwnTargetCase{"LogNamedKml", {"LOG"}, "track.kml"},
        OwnTargetCase{"LogNamedKmlForced", {"-f", "LOG"}, "track.kml"},
        OwnTargetCase{"OutputIsTheLog", {"-o", "LOG", "LOG"}, "track.nmea"},
        OwnTargetCase{"OutputIsTheLogForced", {"--force", "-o", "LOG", "LOG"}, "track.nmea"},
        OwnTargetCase{"ForcedOntoALaterLog", {"--force", "LOG", "OTHER"}, "a.nmea", "a.kml"},
        OwnTargetCase{"ForcedOntoAnEarlierLog", {"--force", "OTHER", "LOG"}, "a.nmea", "a.kml"},
        OwnTargetCase{"GpxOntoALaterLog", {"-f", "--format", "gpx", "LOG", "OTHER"}, "a.nmea", "a.gpx", "the GPX "},
        OwnTargetCase{"GpxOntoAnEarlierLog", {"-f", "--format", "gpx", "OTHER", "LOG"}, "a.nmea", "a.gpx", "the GPX "},
        OwnTargetCase{"CsvOntoALaterLog", {"-f", "--format", "csv", "LOG", "OTHER"}, "a.nmea", "a.csv", "the CSV "},
        OwnTargetCase{"KmzOntoAnEarlierLog", {"-f", "--kmz", "OTHER", "LOG"}, "a.nmea", "a.kmz", "the KMZ "},
        OwnTargetCase{
            "TrackOntoALaterLog", {"--format=kml-track", "-f", "LOG", "OTHER"}, "a.nmea", "a.kml", "the KML track "}),
    [](const testing::TestParamInfo<OwnTargetCase> &info) { return std::string(info.param.name); });

TEST(CliJobs, ParallelRunGivesTheSameBytesAndLinesInCommandLineOrder) {
    TempDir serial, parallel;
    std::vector<std::string> serialArgs{"-j", "1"}, parallelArgs{"-j", "3"};
    std::vector<std::string> names;
    for (int i = 0; i < 6; ++i) {
        // The first logs are the longest, so that later ones finish first.
        const std::string name = "log" + std::to_string(i) + ".nmea";
        const std::string log = DriveLog(3000 / (i + 1), i);
        WriteFile(serial / name, log);
        WriteFile(parallel / name, log);
        serialArgs.push_back(serial / name);
        parallelArgs.push_back(parallel / name);
        names.push_back(name);
    }
    const ProcessResult one = RunConvert(serialArgs);
    const ProcessResult three = RunConvert(parallelArgs);
    ASSERT_EQ(one.status, 0) << one.err;
    ASSERT_EQ(three.status, 0) << three.err;
    const auto lines = Lines(three.err);
    ASSERT_EQ(lines.size(), names.size()) << three.err;
    for (size_t i = 0; i < names.size(); ++i) {
        const std::string target = "log" + std::to_string(i) + ".kml";
        EXPECT_EQ(ReadFile(parallel / target), ReadFile(serial / target)) << target;
        EXPECT_EQ(ReadFile(parallel / target), EngineConvert(parallel / names[i], {}).kml) << target;
        EXPECT_EQ(lines[i].rfind(parallel / names[i], 0), 0u) << lines[i];
    }
    // Same counts in the same order: the lines differ only by folder.
    std::string serialErr = one.err, parallelErr = three.err;
    for (size_t p; (p = serialErr.find(serial.Path())) != std::string::npos;) serialErr.erase(p, serial.Path().size());
    for (size_t p; (p = parallelErr.find(parallel.Path())) != std::string::npos;)
        parallelErr.erase(p, parallel.Path().size());
    EXPECT_EQ(parallelErr, serialErr);
}

TEST(CliChecksum, BadChecksumFailsThatLogWithItsLineAndLeavesNothing) {
    TempDir dir;
    const std::string good = DriveLog(10, 1);
    const std::string bad = WithBadChecksum(DriveLog(10), 23);
    WriteFile(dir / "bad.nmea", bad);
    WriteFile(dir / "good.nmea", good);

    const ProcessResult r = RunConvert({"-k", dir / "bad.nmea", dir / "good.nmea"});
    EXPECT_EQ(r.status, 1);
    const auto lines = Lines(r.err);
    ASSERT_EQ(lines.size(), 2u) << r.err;
    EXPECT_EQ(lines[0].rfind(dir / "bad.nmea:23:", 0), 0u) << lines[0];
    EXPECT_FALSE(Exists(dir / "bad.kml"));
    conversion::ConversionOptions verify;
    verify.verifyChecksums = true;
    EXPECT_EQ(ReadFile(dir / "good.kml"), EngineConvert(dir / "good.nmea", verify).kml);
    EXPECT_TRUE(TemporaryFiles(dir.Path()).empty());

    // An existing document survives the failed replacement.
    const std::string kept = "<kml>an older document</kml>\r\n";
    WriteFile(dir / "bad.kml", kept);
    const ProcessResult forced = RunConvert({"--checksum", "--force", dir / "bad.nmea"});
    EXPECT_EQ(forced.status, 1);
    EXPECT_EQ(ReadFile(dir / "bad.kml"), kept);
    EXPECT_TRUE(TemporaryFiles(dir.Path()).empty());

    // Without -k the checksum is not looked at.
    const ProcessResult unchecked = RunConvert({"-f", dir / "bad.nmea"});
    EXPECT_EQ(unchecked.status, 0) << unchecked.err;
    EXPECT_EQ(ReadFile(dir / "bad.kml"), EngineConvert(dir / "bad.nmea", {}).kml);
}

TEST(CliChecksum, BadChecksumOnStandardInputNamesTheLine) {
    TempDir dir;
    const ProcessResult r = RunConvert({"-k", "-o", dir / "out.kml", "-"}, WithBadChecksum(DriveLog(4), 7));
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Contains(r.err, ":7:")) << r.err;
    EXPECT_TRUE(Contains(r.err, "(standard input)")) << r.err;
    EXPECT_FALSE(Exists(dir / "out.kml"));
    EXPECT_TRUE(TemporaryFiles(dir.Path()).empty());
}

} // namespace
} // namespace clitest
