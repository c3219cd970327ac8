// Small logs with their expected documents beside them in golden/, compared
// byte for byte. worked_example.kml was written by hand from the placemark
// layout; the others were generated once and then read line by line.
//
// To rewrite the expected files after a deliberate change of the output, run
// the tests with SENTROVA_REGENERATE_GOLDEN=1, then read the difference
// (git diff tests/conversion/golden) before committing it. Those runs skip
// instead of passing.
#include <atomic>
#include <cstdlib>
#include <memory>
#include <filesystem>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "conversion/file_conversion.h"
#include "conversion/kml_writer.h"
#include "conversion/track_hook.h"
#include "nmea/manager.h"
#include "conversion_test_support.h"

namespace {

using namespace sentrova_test;
namespace fs = std::filesystem;

struct GoldenCase {
    const char *name;
    int colourIndex;
    bool verifyChecksums;
    uint64_t placemarks;       // counted by hand from the log
    const char *log = nullptr; // the log, when it is not named after the case
    bool anyTalker = false;
    unsigned every = 1; // with `line`: the batch converter's track options
    bool line = false;
};

const GoldenCase kGoldenCases[] = {
    {"worked_example", 0, false, 1}, // GGA+RMC, south/east, no GSA or GSV
    {"full_cycle", 1, true, 3},      // GGA/GSA/GSV set/RMC/VTG each second, checksums verified
    {"south_west", 3, false, 3},     // RMC only, an invalid status after the fix, Green
    {"rpt_only", 4, false, 0},       // no GLL or RMC: never a valid position
    {"rpt_gll", 2, false, 2},        // RPT closes the cycle, GLL brings the fix
    {"mixed_lines", 9, false, 2},    // CR LF, comments, junk, unknown names; colour out of range
    // Midnight with GGA first: the 00:00:00 placemark is on the next day (leap and common
    // February, the end of April, of 2010 and of 2099). With RMC first nothing moves.
    {"midnight_gga_first", 0, false, 19},
    {"midnight_rmc_first", 0, false, 24},
    // RMC dates empty, 000000, 310499, 290201, 311399: no TimeStamp; 290200 is one. An
    // impossible date after midnight is not moved.
    {"impossible_dates", 0, false, 10},
    // Empty position fields after a fix, "0000.0000,S" and texts that round to zero: no
    // placemark; a position off 0,0 by a millionth of a degree keeps its placemark.
    {"empty_positions", 0, false, 6},
    {"empty_positions_every_line", 0, false, 3, "empty_positions", false, 2, true},
    // GP and GL GGA, GP and from the fourth second also GN RMC: one placemark a second
    // either way; with --any-talker the GN speed and course from the fourth second on.
    {"gp_gn", 0, false, 4},
    {"gp_gn_any_talker", 0, false, 4, "gp_gn", true},
};

fs::path Folder() { return fs::path(SENTROVA_TEST_DATA) / "conversion" / "golden"; }
fs::path LogOf(const GoldenCase &c) { return Folder() / (std::string(c.log ? c.log : c.name) + ".nmea"); }
fs::path ExpectedOf(const GoldenCase &c) { return Folder() / (std::string(c.name) + ".kml"); }

conversion::ConversionOptions OptionsOf(const GoldenCase &c) {
    conversion::ConversionOptions options;
    options.colourIndex = c.colourIndex;
    options.verifyChecksums = c.verifyChecksums;
    options.anyTalker = c.anyTalker;
    return options;
}

// The batch converter's hook for the cases with track options; none otherwise.
std::unique_ptr<conversion::TrackHook> HookOf(const GoldenCase &c) {
    if (c.every <= 1 && !c.line) return nullptr;
    conversion::TrackOptions track;
    track.every = c.every;
    track.line = c.line;
    track.lineName = LogOf(c).filename().string();
    return std::make_unique<conversion::TrackHook>(track, conversion::IconColour(c.colourIndex));
}

StreamResult ConvertCase(const GoldenCase &c, conversion::ByteSource &source,
                         size_t block = conversion::OutputBuffer::kBlockSize,
                         conversion::OutputBuffer::Writes writes = conversion::OutputBuffer::Writes::InLine,
                         const std::atomic<bool> *cancel = nullptr) {
    const auto hook = HookOf(c);
    conversion::MemorySink sink;
    StreamResult result;
    {
        conversion::OutputBuffer out(sink, block, writes);
        result.outcome = conversion::ConvertStream(source, out, OptionsOf(c), cancel, hook.get());
    }
    result.kml = std::move(sink.bytes);
    return result;
}

StreamResult ConvertCase(const GoldenCase &c, std::string_view log, size_t block = conversion::OutputBuffer::kBlockSize,
                         conversion::OutputBuffer::Writes writes = conversion::OutputBuffer::Writes::InLine) {
    conversion::MemorySource source(log);
    return ConvertCase(c, source, block, writes);
}

void PrintTo(const GoldenCase &c, std::ostream *os) { *os << c.name; }

class Golden : public ::testing::TestWithParam<GoldenCase> {};

TEST_P(Golden, ConvertsToTheExpectedDocument) {
    const GoldenCase &c = GetParam();
    const fs::path log = LogOf(c);
    const fs::path expectedPath = ExpectedOf(c);
    ASSERT_TRUE(fs::exists(log)) << log;

    const StreamResult result = ConvertCase(c, ReadFile(log));
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
    const fs::path expectedPath = ExpectedOf(c);
    if (!fs::exists(expectedPath)) GTEST_SKIP() << "no expected document yet";
    const std::string log = ReadFile(LogOf(c));
    const std::string expected = ReadFile(expectedPath);
    using Writes = conversion::OutputBuffer::Writes;
    for (size_t block : {size_t{1}, size_t{15}, size_t{16}, size_t{17}, size_t{31}, size_t{1000}}) {
        EXPECT_TRUE(ConvertCase(c, log, block).kml == expected) << "output blocks of " << block;
        if (block > 1) { // the writer thread hands blocks over as the conversion fills the next
            EXPECT_TRUE(ConvertCase(c, log, block, Writes::InBackground).kml == expected)
                << "output blocks of " << block << " written in the background";
        }
    }
}

// The file conversion writes the same bytes as the stream conversion.
TEST_P(Golden, FileConversionWritesTheSameBytes) {
    const GoldenCase &c = GetParam();
    const fs::path expectedPath = ExpectedOf(c);
    if (!fs::exists(expectedPath)) GTEST_SKIP() << "no expected document yet";

    ScratchDir scratch;
    const auto hook = HookOf(c);
    conversion::ConversionRequest request;
    request.sourcePath = LogOf(c).string();
    request.targetPath = scratch / "out.kml";
    request.options = OptionsOf(c);
    request.hook = hook.get();
    const conversion::ConversionOutcome outcome = conversion::ConvertFile(request);
    ASSERT_EQ(outcome.kind, conversion::OutcomeKind::Done) << outcome.systemError;
    EXPECT_TRUE(ReadFile(request.targetPath) == ReadFile(expectedPath));
    EXPECT_EQ(scratch.Entries(), std::vector<std::string>{"out.kml"});
}

// Sets the cancel flag while the lines before the footer are written.
class CancelBeforeFooter : public conversion::CycleHook {
  public:
    explicit CancelBeforeFooter(std::atomic<bool> &cancel) : cancel_(cancel) {}
    bool OnCycle(conversion::OutputBuffer &out, const nmea::NMEA_Manager &fix,
                 const conversion::PlacemarkDate &date) override {
        conversion::WritePlacemark(out, fix.Display(), date);
        return true;
    }
    bool WriteBeforeFooter(conversion::OutputBuffer &) override {
        cancel_ = true;
        return true;
    }

  private:
    std::atomic<bool> &cancel_;
};

// A cancel after the last line was read still ends the run as cancelled: the
// bytes written are the document's start, without its closing lines, and no
// target is written.
TEST_P(Golden, CancelAfterTheLastLineLeavesTheDocumentOpen) {
    const GoldenCase &c = GetParam();
    const fs::path expectedPath = ExpectedOf(c);
    if (!fs::exists(expectedPath)) GTEST_SKIP() << "no expected document yet";
    const std::string log = ReadFile(LogOf(c));
    const std::string expected = ReadFile(expectedPath);

    std::atomic<bool> cancel{false};
    CancelAtEnd source(log, cancel);
    const StreamResult result = ConvertCase(c, source, conversion::OutputBuffer::kBlockSize,
                                            conversion::OutputBuffer::Writes::InBackground, &cancel);
    EXPECT_EQ(result.outcome.kind, conversion::OutcomeKind::Cancelled);
    EXPECT_EQ(result.outcome.counts.placemarks, c.placemarks);
    EXPECT_TRUE(expected.starts_with(result.kml));
    EXPECT_EQ(result.kml.find("</Document>"), std::string::npos);

    if (c.every > 1 || c.line) return; // the file conversion below takes its own hook
    ScratchDir scratch;
    cancel = false;
    CancelBeforeFooter hook(cancel);
    conversion::ConversionRequest request;
    request.sourcePath = LogOf(c).string();
    request.targetPath = scratch / "out.kml";
    request.options = OptionsOf(c);
    request.cancel = &cancel;
    request.hook = &hook;
    EXPECT_EQ(conversion::ConvertFile(request).kind, conversion::OutcomeKind::Cancelled);
    EXPECT_TRUE(scratch.Entries().empty());
}

// Conversions on several threads share nothing: each still gives its document.
TEST(GoldenThreads, ConcurrentConversionsGiveTheSameDocuments) {
    std::vector<std::string> logs, expected;
    for (const GoldenCase &c : kGoldenCases) {
        logs.push_back(ReadFile(LogOf(c)));
        expected.push_back(ReadFile(ExpectedOf(c)));
    }
    std::vector<int> mismatches(4, 0);
    std::vector<std::thread> threads;
    for (size_t t = 0; t < mismatches.size(); ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 50; ++round) {
                const size_t i = (t + static_cast<size_t>(round)) % logs.size();
                if (ConvertCase(kGoldenCases[i], logs[i]).kml != expected[i]) ++mismatches[t];
            }
        });
    }
    for (std::thread &thread : threads) thread.join();
    EXPECT_EQ(mismatches, std::vector<int>(mismatches.size(), 0));
}

INSTANTIATE_TEST_SUITE_P(Logs, Golden, ::testing::ValuesIn(kGoldenCases),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace
