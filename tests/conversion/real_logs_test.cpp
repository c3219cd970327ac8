// Logs recorded by real receivers, with their odd line ends, binary junk and
// Ctrl-Z bytes: no expected documents exist for them, but every document must
// be well formed and must not depend on how the bytes arrive.
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "conversion/line_reader.h"
#include "conversion_test_support.h"
#include "support/real_logs.h"

namespace {

using namespace sentrova_test;
using conversion::OutcomeKind;
namespace fs = std::filesystem;

std::string WithoutCarriageReturns(std::string bytes) {
    std::erase(bytes, '\r');
    return bytes;
}

TEST(RealLogs, DocumentsAreWellFormedWhateverTheLineEnds) {
    const std::vector<fs::path> logs = RealLogs();
    if (logs.empty()) GTEST_SKIP() << "no real logs at " << sentrova_test::RealLogFolder();
    uint64_t placemarks = 0;
    for (const fs::path &log : logs) {
        SCOPED_TRACE(log.filename().string());
        const std::string bytes = ReadFile(log);
        const StreamResult result = Convert(bytes);
        ASSERT_EQ(result.outcome.kind, OutcomeKind::Done);
        EXPECT_TRUE(result.kml.starts_with(ExpectedHeader("ff0000ff")));
        EXPECT_TRUE(result.kml.ends_with(kExpectedFooter));
        // Every line ends in CR LF, and there is no other CR or LF.
        const std::vector<std::string> lines = SplitCrLf(result.kml);
        for (const std::string &line : lines) ASSERT_EQ(line.find_first_of("\r\n"), std::string::npos);
        // Six lines a placemark, five without a time stamp.
        EXPECT_EQ(lines.size(), 6 + 6 * result.outcome.counts.placemarks - result.outcome.counts.timeStampsLeftOut);
        EXPECT_EQ(Placemarks(result.kml).size(), result.outcome.counts.placemarks);
        placemarks += result.outcome.counts.placemarks;

        // Carriage returns vanish on reading, so without them nothing changes.
        EXPECT_TRUE(Convert(WithoutCarriageReturns(bytes)).kml == result.kml);
    }
    EXPECT_GT(placemarks, 0u);
}

TEST(RealLogs, PiecesDoNotDependOnBlockSize) {
    const std::vector<fs::path> logs = RealLogs();
    if (logs.empty()) GTEST_SKIP() << "no real logs at " << sentrova_test::RealLogFolder();
    for (const fs::path &log : logs) {
        SCOPED_TRACE(log.filename().string());
        const std::string bytes = ReadFile(log);
        if (bytes.size() > 400000) continue; // byte-sized blocks would take long
        std::vector<std::string> reference;
        for (size_t block : {conversion::LineReader::kBlockSize, size_t{1}, size_t{13}, size_t{100}}) {
            conversion::MemorySource source(bytes);
            conversion::LineReader reader(source, block);
            std::vector<std::string> pieces;
            std::string_view piece;
            while (reader.Next(piece)) {
                ASSERT_LE(piece.size(), conversion::LineReader::kMaxPiece);
                pieces.push_back(std::to_string(reader.LineNumber()) + ":" + std::string(piece));
            }
            if (reference.empty()) {
                reference = std::move(pieces);
            } else {
                ASSERT_EQ(pieces, reference) << "blocks of " << block;
            }
        }
    }
}

} // namespace
