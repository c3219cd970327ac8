// The text-mode reader on its own: which pieces a byte stream gives and from
// which line of the log each one comes, whatever the size of the blocks read.
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "conversion/byte_io.h"
#include "conversion/line_reader.h"
#include "conversion/raw_line_reader.h"
#include "nmea/sentence_fields.h"
#include "conversion_test_support.h"

namespace {

using sentrova_test::FailingSource;

using conversion::LineReader;
using conversion::MemorySource;

struct Piece {
    std::string text;
    uint64_t line;
    bool operator==(const Piece &) const = default;
};

void PrintTo(const Piece &p, std::ostream *os) { *os << ::testing::PrintToString(p.text) << "@" << p.line; }

struct ReaderCase {
    const char *name;
    std::string input;
    std::vector<Piece> pieces;
    uint64_t lines;
};

// 0123456789 repeated, so that a piece cut in the wrong place shows.
std::string Digits(size_t count) {
    std::string s;
    for (size_t i = 0; i < count; ++i) s += static_cast<char>('0' + i % 10);
    return s;
}

const std::vector<ReaderCase> &Cases() {
    // clang-format off
    static const std::vector<ReaderCase> cases = {
        {"Empty", "", {}, 0},
        {"OneLine", "abc\n", {{"abc\n", 1}}, 1},
        {"LastLineWithoutLineFeed", "abc\nde", {{"abc\n", 1}, {"de", 2}}, 2},
        {"CrLfBecomesLf", "abc\r\nde\r\n", {{"abc\n", 1}, {"de\n", 2}}, 2},
        {"EmptyLines", "\n\r\n\n", {{"\n", 1}, {"\n", 2}, {"\n", 3}}, 3},
        {"CrCrLf", "ab\r\r\ncd\n", {{"ab\n", 1}, {"cd\n", 2}}, 2},
        {"LoneCrJoinsLines", "ab\rcd\ref\r", {{"abcdef", 1}}, 1},
        {"LoneCrLongLineInPieces",
         Digits(60) + "\r" + Digits(60) + "\r" + Digits(60) + "\r",
         {{(Digits(60) + Digits(60)).substr(0, 99), 1},
          {(Digits(60) + Digits(60) + Digits(60)).substr(99, 81), 1}},
         1},
        {"Line98Fits", Digits(98) + "\n", {{Digits(98) + "\n", 1}}, 1},
        {"Line99LeavesItsLineFeed", Digits(99) + "\n", {{Digits(99), 1}, {"\n", 1}}, 1},
        {"Line99CrLf", Digits(99) + "\r\n" + "z\n", {{Digits(99), 1}, {"\n", 1}, {"z\n", 2}}, 2},
        {"Line150In99And51", Digits(150) + "\nz\n",
         {{Digits(99), 1}, {Digits(150).substr(99) + "\n", 1}, {"z\n", 2}}, 2},
        {"Line250NoLineFeed", Digits(250),
         {{Digits(99), 1}, {Digits(198).substr(99), 1}, {Digits(250).substr(198), 1}}, 1},
        {"CrInsideLongLineDoesNotCount", Digits(50) + "\r" + Digits(60) + "\n",
         {{(Digits(50) + Digits(60)).substr(0, 99), 1}, {(Digits(50) + Digits(60)).substr(99) + "\n", 1}},
         1},
        {"CtrlZEndsInput", "ab\ncd\x1a" "ef\ngh\n", {{"ab\n", 1}, {"cd", 2}}, 2},
        {"CtrlZAtStart", "\x1a" "ab\n", {}, 0},
        {"CtrlZAfterLineFeed", "ab\n\x1a\n", {{"ab\n", 1}}, 1},
        {"NulPassesThrough", std::string("a\0b\n", 4), {{std::string("a\0b\n", 4), 1}}, 1},
        {"OnlyCr", "\r\r\r", {}, 0},
        // The text's length (to the first NUL) and its "*" belong to the piece
        // alone, though the next line's bytes lie in the same 16 read at once.
        {"MarksAfterTheLineFeedBelongToTheNextLine", std::string("ab\r\n\0*\n*c\r\nd\n", 13),
         {{"ab\n", 1}, {std::string("\0*\n", 3), 2}, {"*c\n", 3}, {"d\n", 4}}, 4},
        {"StarBeforeAndAfterNul", std::string("a*\0b\r\nc\0*\r\n", 11),
         {{std::string("a*\0b\n", 5), 1}, {std::string("c\0*\n", 4), 2}}, 2},
        {"StarEndsTheFirstPieceOfALongLine", std::string(98, 'x') + "*yy*\r\n",
         {{std::string(98, 'x') + "*", 1}, {"yy*\n", 1}}, 1},
        {"StarJustBehindTheFirstPiece", std::string(99, 'x') + "*\r\n", {{std::string(99, 'x'), 1}, {"*\n", 1}}, 1},
    };
    // clang-format on
    return cases;
}

std::vector<Piece> ReadAll(std::string_view input, size_t blockSize, uint64_t &linesSeen) {
    MemorySource source(input);
    LineReader reader(source, blockSize);
    std::vector<Piece> pieces;
    std::string_view piece;
    while (reader.Next(piece)) {
        pieces.push_back({std::string(piece), reader.LineNumber()});
        const std::string_view text = piece.substr(0, piece.find('\0'));
        EXPECT_EQ(reader.TextLength(), text.size()) << ::testing::PrintToString(std::string(piece));
        EXPECT_EQ(reader.HasStar(), text.find('*') != text.npos) << ::testing::PrintToString(std::string(piece));
        if (pieces.size() > 1000) break; // a reader that never ends
    }
    EXPECT_FALSE(reader.Next(piece)) << "input ended, but a further read gave a piece";
    EXPECT_FALSE(reader.Failed());
    linesSeen = reader.LineNumber();
    return pieces;
}

class ReaderPieces : public ::testing::TestWithParam<std::tuple<size_t, size_t>> {};

TEST_P(ReaderPieces, GivesThePiecesAndLineNumbers) {
    const auto [caseIndex, blockSize] = GetParam();
    const ReaderCase &c = Cases()[caseIndex];
    uint64_t lines = 0;
    EXPECT_EQ(ReadAll(c.input, blockSize, lines), c.pieces) << c.name << ", blocks of " << blockSize;
    EXPECT_EQ(lines, c.lines) << c.name << ", blocks of " << blockSize;
}

INSTANTIATE_TEST_SUITE_P(Table, ReaderPieces,
                         ::testing::Combine(::testing::Range<size_t>(0, Cases().size()),
                                            ::testing::Values<size_t>(1, 3, 7, 98, 99, 100, LineReader::kBlockSize)),
                         [](const auto &info) {
                             return std::string(Cases()[std::get<0>(info.param)].name) + "_Block" +
                                    std::to_string(std::get<1>(info.param));
                         });

// Lines of every length around the piece size, in one stream, so that lines
// start at every offset of a small block.
TEST(LineReader, PieceBoundariesDoNotDependOnBlocks) {
    std::string input;
    std::vector<Piece> expected;
    uint64_t line = 0;
    for (size_t length = 0; length <= 205; length += 1) {
        const std::string text = Digits(length);
        ++line;
        input += text;
        input += (length % 3 == 0) ? "\r\n" : "\n";
        size_t at = 0;
        while (text.size() - at >= LineReader::kMaxPiece) {
            expected.push_back({text.substr(at, LineReader::kMaxPiece), line});
            at += LineReader::kMaxPiece;
        }
        expected.push_back({text.substr(at) + "\n", line});
    }
    for (size_t block :
         {size_t{1}, size_t{2}, size_t{3}, size_t{7}, size_t{64}, size_t{99}, size_t{101}, size_t{4096}}) {
        uint64_t lines = 0;
        EXPECT_EQ(ReadAll(input, block, lines), expected) << "blocks of " << block;
        EXPECT_EQ(lines, line) << "blocks of " << block;
    }
}

TEST(LineReader, ReadErrorEndsTheInputAndIsKept) {
    FailingSource source("ab\ncd");
    LineReader reader(source, 3);
    std::string_view piece;
    ASSERT_TRUE(reader.Next(piece));
    EXPECT_EQ(piece, "ab\n");
    int more = 0;
    while (reader.Next(piece) && more < 10) ++more;
    EXPECT_TRUE(reader.Failed());
    EXPECT_EQ(reader.Error(), EIO);
}

// The epochs' reader finds each line's end and its first star in one pass.
TEST(RawLineReader, GivesEachLineWithItsFirstStar) {
    using Line = std::pair<std::string, size_t>;
    constexpr size_t none = std::string_view::npos;
    const struct {
        std::string input;
        std::vector<Line> lines;
    } rows[] = {
        {"$GPGGA,1*4F\r\n", {{"$GPGGA,1*4F\r", 8}}},
        {"a*b*\n", {{"a*b*", 1}}},
        // The next line's star, in the same 16 bytes.
        {"0123456789\n*\n" + Digits(10) + "\n", {{"0123456789", none}, {"*", 0}, {Digits(10), none}}},
        {Digits(20) + "*" + Digits(3) + "\n", {{Digits(20) + "*" + Digits(3), 20}}},
        {Digits(40) + "\n" + Digits(5) + "*", {{Digits(40), none}, {Digits(5) + "*", 5}}},
    };
    for (const auto &r : rows) {
        MemorySource source(r.input);
        conversion::RawLineReader reader(source);
        std::vector<Line> got;
        std::string_view line;
        size_t star = 0;
        while (reader.Next(line, star)) got.emplace_back(line, star);
        EXPECT_EQ(got, r.lines) << r.input;
    }
    // A star before the "$" is none of the sentence's.
    for (const std::string_view line : {"x*$GPGGA,1*4F", "$GPGGA,1*4F", "$GPGGA,1"}) {
        nmea::SentenceText text;
        ASSERT_TRUE(nmea::FindSentence(line, line.find('*'), text)) << line;
        EXPECT_EQ(text.body, "GPGGA,1") << line;
    }
}

} // namespace
