// The batch converter writes the very bytes of the engine's conversion, for
// every colour and checksum choice, and for the real receivers' logs.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli/cli_support.h"

namespace clitest {
namespace {
namespace fs = std::filesystem;

const char *const kColourNames[] = {"red", "blue", "yellow", "green", "orange"};

struct IdentityCase {
    int colour;
    bool checksum;
};
void PrintTo(const IdentityCase &c, std::ostream *os) { *os << kColourNames[c.colour] << (c.checksum ? " -k" : ""); }

class CliIdentity : public testing::TestWithParam<IdentityCase> {};

TEST_P(CliIdentity, FileAndStandardOutputEqualTheEngine) {
    TempDir dir;
    // A valid drive, one with an unrecognised sentence and junk, one with a bad checksum.
    const std::string drive = DriveLog(30, 4);
    const std::string mixed = "junk without star\r\n" + DriveLog(10, 6) + Nmea("GPXYZ,1,2,3", "\r\n") + "$GPGGA*\r\n" +
                              DriveLog(10, 7) + "\x1a" + DriveLog(3, 8);
    const std::string bad = WithBadChecksum(DriveLog(10, 9), 31);
    conversion::ConversionOptions options;
    options.colourIndex = GetParam().colour;
    options.verifyChecksums = GetParam().checksum;

    for (const auto &[name, bytes] : {std::pair{"drive.nmea", drive}, {"mixed.nmea", mixed}, {"bad.nmea", bad}}) {
        SCOPED_TRACE(name);
        const std::string log = dir / name;
        WriteFile(log, bytes);
        const EngineResult expected = EngineConvert(log, options);
        const bool done = expected.outcome.kind == conversion::OutcomeKind::Done;

        std::vector<std::string> args{"-f", "-c", kColourNames[GetParam().colour]};
        if (GetParam().checksum) args.push_back("-k");
        args.push_back(log);
        const ProcessResult toFile = RunConvert(args);
        ASSERT_TRUE(toFile.exited);
        EXPECT_EQ(toFile.status, done ? 0 : 1) << toFile.err;
        const std::string target = fs::path(log).replace_extension(".kml").string();
        if (done) {
            EXPECT_EQ(ReadFile(target), expected.kml);
        } else {
            EXPECT_FALSE(Exists(target));
        }

        args.insert(args.end() - 1, {"-o", "-"});
        const ProcessResult toStdout = RunConvert(args);
        EXPECT_EQ(toStdout.status, done ? 0 : 1) << toStdout.err;
        if (done) {
            EXPECT_EQ(toStdout.out, expected.kml);
        }

        args.back() = "-";
        const ProcessResult fromStdin = RunConvert(args, bytes);
        EXPECT_EQ(fromStdin.status, done ? 0 : 1) << fromStdin.err;
        if (done) {
            EXPECT_EQ(fromStdin.out, expected.kml);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(, CliIdentity,
                         testing::Values(IdentityCase{0, false}, IdentityCase{1, false}, IdentityCase{2, true},
                                         IdentityCase{3, false}, IdentityCase{3, true}, IdentityCase{4, true}),
                         [](const testing::TestParamInfo<IdentityCase> &info) {
                             return std::string(kColourNames[info.param.colour]) +
                                    (info.param.checksum ? "Checked" : "Unchecked");
                         });

// "N placemarks" from the converter's line about the log.
long ReportedPlacemarks(const std::string &err) {
    const size_t at = err.find(" placemarks");
    if (at == std::string::npos) return -1;
    const size_t start = err.rfind(' ', at - 1) + 1;
    return std::stol(err.substr(start, at - start));
}

// Every real receiver log, checksums off and on, all on one command line as
// a folder is converted: the engine's bytes, a well-formed document, the count
// it holds in the summary, nothing left behind; a log that fails leaves no
// document, and the run's exit status says one failed.
TEST(CliIdentityRealLogs, EveryLogConvertsToTheEngineBytes) {
    TempDir dir;
    const std::vector<std::string> logs = LinkedRealLogs(dir);
    if (logs.empty()) GTEST_SKIP() << "no real logs at " << sentrova_test::RealLogFolder();
    for (const bool checksum : {false, true}) {
        SCOPED_TRACE(checksum ? "-k" : "without -k");
        std::vector<std::string> args;
        if (checksum) args.push_back("-k");
        args.insert(args.end(), logs.begin(), logs.end());
        for (const std::string &log : logs) fs::remove(KmlBeside(log));
        const ProcessResult r = RunConvert(args);
        ASSERT_TRUE(r.exited) << "ended by signal " << r.signal << "\n" << r.err;
        EXPECT_TRUE(TemporaryFiles(dir.Path()).empty());
        std::vector<std::string> documents;
        bool anyFailed = false;
        for (const std::string &log : logs) {
            SCOPED_TRACE(log);
            conversion::ConversionOptions options;
            options.verifyChecksums = checksum;
            const EngineResult expected = EngineConvert(log, options);
            const std::string kml = KmlBeside(log);
            const std::string line = LineAbout(r.err, log);
            if (expected.outcome.kind == conversion::OutcomeKind::Done) {
                EXPECT_EQ(ReadFile(kml), expected.kml);
                EXPECT_EQ(ReportedPlacemarks(line), static_cast<long>(expected.outcome.counts.placemarks)) << line;
                documents.push_back(kml);
            } else {
                // Only a checksum may fail a log; its error line names the log.
                anyFailed = true;
                EXPECT_TRUE(checksum) << line;
                EXPECT_NE(line.find("NMEA format error"), std::string::npos) << r.err;
                EXPECT_FALSE(Exists(kml));
            }
        }
        EXPECT_EQ(r.status, anyFailed ? 1 : 0) << r.err;
        EXPECT_EQ(XmlProblems(documents), "");
    }
}

} // namespace
} // namespace clitest
