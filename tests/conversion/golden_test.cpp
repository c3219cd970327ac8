// Small logs with their expected documents beside them in golden/, compared
// byte for byte. worked_example.kml was written by hand from the placemark
// layout; the others were generated once and then read line by line.
//
// To rewrite the expected files after a deliberate change of the output, run
// the tests with SENTROVA_REGENERATE_GOLDEN=1, then read the difference
// (git diff tests/conversion/golden) before committing it. Those runs skip
// instead of passing.
#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "conversion/run.h"
#include "conversion_test_support.h"

namespace {

using namespace sentrova_test;
namespace fs = std::filesystem;

struct GoldenCase {
    const char *name;
    int colourIndex;
    bool verifyChecksums;
    uint64_t placemarks; // counted by hand from the log
};

const GoldenCase kGoldenCases[] = {
    {"worked_example", 0, false, 1}, // GGA+RMC, south/east, no GSA or GSV
    {"full_cycle", 1, true, 3},      // GGA/GSA/GSV set/RMC/VTG each second, checksums verified
    {"south_west", 3, false, 3},     // RMC only, an invalid status after the fix, Green
    {"rpt_only", 4, false, 0},       // no GLL or RMC: never a valid position
    {"rpt_gll", 2, false, 2},        // RPT closes the cycle, GLL brings the fix
    {"mixed_lines", 9, false, 2},    // CR LF, comments, junk, unknown names; colour out of range
};

void PrintTo(const GoldenCase &c, std::ostream *os) { *os << c.name; }

class Golden : public ::testing::TestWithParam<GoldenCase> {};

TEST_P(Golden, ConvertsToTheExpectedDocument) {
    const GoldenCase &c = GetParam();
    const fs::path folder = fs::path(SENTROVA_TEST_DATA) / "conversion" / "golden";
    const fs::path log = folder / (std::string(c.name) + ".nmea");
    const fs::path expectedPath = folder / (std::string(c.name) + ".kml");
    ASSERT_TRUE(fs::exists(log)) << log;

    conversion::ConversionOptions options;
    options.colourIndex = c.colourIndex;
    options.verifyChecksums = c.verifyChecksums;
    const StreamResult result = Convert(ReadFile(log), options);
    ASSERT_EQ(result.outcome.kind, conversion::OutcomeKind::Done);
    EXPECT_EQ(result.outcome.counts.placemarks, c.placemarks);

    const char *regenerate = std::getenv("SENTROVA_REGENERATE_GOLDEN");
    if (regenerate != nullptr && std::string(regenerate) == "1") {
        WriteFile(expectedPath, result.kml);
        GTEST_SKIP() << "rewrote " << expectedPath << ": check the difference by hand";
    }
    ASSERT_TRUE(fs::exists(expectedPath)) << expectedPath;
    const std::string expected = ReadFile(expectedPath);
    ASSERT_EQ(result.kml.size(), expected.size());
    // Line by line first, so that a failure names the line that differs.
    const auto got = SplitCrLf(result.kml);
    const auto want = SplitCrLf(expected);
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) EXPECT_EQ(got[i], want[i]) << "line " << i + 1;
    EXPECT_TRUE(result.kml == expected);
}

// Short texts are copied in fixed-size moves only where the block has room;
// near its end they take the general path; full blocks may be written by a
// second thread. None of it may change the document.
TEST_P(Golden, OutputBlockSizeDoesNotChangeTheDocument) {
    const GoldenCase &c = GetParam();
    const fs::path folder = fs::path(SENTROVA_TEST_DATA) / "conversion" / "golden";
    const fs::path expectedPath = folder / (std::string(c.name) + ".kml");
    if (!fs::exists(expectedPath)) GTEST_SKIP() << "no expected document yet";
    const std::string log = ReadFile(folder / (std::string(c.name) + ".nmea"));
    const std::string expected = ReadFile(expectedPath);
    conversion::ConversionOptions options;
    options.colourIndex = c.colourIndex;
    options.verifyChecksums = c.verifyChecksums;
    using Writes = conversion::OutputBuffer::Writes;
    for (size_t block : {size_t{1}, size_t{15}, size_t{16}, size_t{17}, size_t{31}, size_t{1000}}) {
        EXPECT_TRUE(Convert(log, options, block).kml == expected) << "output blocks of " << block;
        if (block > 1) { // the writer thread hands blocks over as the conversion fills the next
            EXPECT_TRUE(Convert(log, options, block, Writes::InBackground).kml == expected)
                << "output blocks of " << block << " written in the background";
        }
    }
}

// The file conversion writes the same bytes as the stream conversion.
TEST_P(Golden, FileConversionWritesTheSameBytes) {
    const GoldenCase &c = GetParam();
    const fs::path folder = fs::path(SENTROVA_TEST_DATA) / "conversion" / "golden";
    const fs::path expectedPath = folder / (std::string(c.name) + ".kml");
    if (!fs::exists(expectedPath)) GTEST_SKIP() << "no expected document yet";

    ScratchDir scratch;
    conversion::ConversionRequest request;
    request.sourcePath = (folder / (std::string(c.name) + ".nmea")).string();
    request.targetPath = scratch / "out.kml";
    request.options.colourIndex = c.colourIndex;
    request.options.verifyChecksums = c.verifyChecksums;
    const conversion::ConversionOutcome outcome = conversion::ConvertFile(request);
    ASSERT_EQ(outcome.kind, conversion::OutcomeKind::Done) << outcome.systemError;
    EXPECT_TRUE(ReadFile(request.targetPath) == ReadFile(expectedPath));
    EXPECT_EQ(scratch.Entries(), std::vector<std::string>{"out.kml"});
}

// Conversions on several threads share nothing: each still gives its document.
TEST(GoldenThreads, ConcurrentConversionsGiveTheSameDocuments) {
    const fs::path folder = fs::path(SENTROVA_TEST_DATA) / "conversion" / "golden";
    std::vector<std::string> logs, expected;
    std::vector<conversion::ConversionOptions> options;
    for (const GoldenCase &c : kGoldenCases) {
        logs.push_back(ReadFile(folder / (std::string(c.name) + ".nmea")));
        expected.push_back(ReadFile(folder / (std::string(c.name) + ".kml")));
        options.push_back({});
        options.back().colourIndex = c.colourIndex;
        options.back().verifyChecksums = c.verifyChecksums;
    }
    std::vector<int> mismatches(4, 0);
    std::vector<std::thread> threads;
    for (size_t t = 0; t < mismatches.size(); ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 50; ++round) {
                const size_t i = (t + static_cast<size_t>(round)) % logs.size();
                if (Convert(logs[i], options[i]).kml != expected[i]) ++mismatches[t];
            }
        });
    }
    for (std::thread &thread : threads) thread.join();
    EXPECT_EQ(mismatches, std::vector<int>(mismatches.size(), 0));
}

INSTANTIATE_TEST_SUITE_P(Logs, Golden, ::testing::ValuesIn(kGoldenCases),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace
