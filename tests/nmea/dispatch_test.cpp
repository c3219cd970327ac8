#include <gtest/gtest.h>

#include <string>

#include "nmea/dispatch.h"
#include "nmea/sentence_table.h"
#include "nmea_test_support.h"

namespace nmea {
namespace {

using nmea_test::Feed;
using nmea_test::Load;
using nmea_test::TextsOf;

// Slips in the table that its compile-time checks must reject.
constexpr SentenceRow kOutOfOrder[] = {kSentenceTable[1], kSentenceTable[0]};
constexpr SentenceRow kNameTwice[] = {kSentenceTable[0], {"GPGGA", SentenceKind::GPGLL, nullptr, nullptr, false}};
constexpr SentenceRow kNameOfFour[] = {{"GPGG", SentenceKind::GPGGA, nullptr, nullptr, false}};
static_assert(!RowsInEnumOrder(kOutOfOrder));
static_assert(!NamesDistinct(kNameTwice));
static_assert(!NamesOfFiveCharacters(kNameOfFour));

TEST(KindOfName, Table) {
    for (const SentenceRow &row : kSentenceTable) EXPECT_EQ(KindOfName(row.name), row.kind) << row.name;
    for (const char *name : {"GPXTE", "GNGGA", "gpgga", "GPGG", "GPGGAA", "", "PGRMC", "GPGGa"})
        EXPECT_EQ(KindOfName(name), SentenceKind::Unknown) << name;
}

TEST(VerifyChecksum, Table) {
    struct Case {
        const char *name;
        std::string line;
        uint8_t expected;
    };
    const Case cases[] = {
        {"matching", "$GPGLL,4916.45,N,12311.12,W,225444,A*31\n", 1},
        {"one off", "$GPGLL,4916.45,N,12311.12,W,225444,A*32\n", 0},
        {"lower-case digits", "$GPGSA,A,3,04,05,09,12,,,,,,,,,2.5,1.3,2.1*3f\n", 1},
        {"upper-case digits", "$GPGSA,A,3,04,05,09,12,,,,,,,,,2.5,1.3,2.1*3F\n", 1},
        {"single digit before line end", "$GPGLL,4916.45,N,12311.12,W,225444.50,V*D\n", 1},
        {"single lower-case digit", "$GPGLL,4916.45,N,12311.12,W,225444.50,V*d", 1},
        {"non-hex digit ends the value", "$GPGLL,4916.45,N,12311.12,W,225444,A*3Z", 0},
        {"first character excluded", "!GPGLL,4916.45,N,12311.12,W,225444,A*31", 1},
        {"any first character excluded", "XGPGLL,4916.45,N,12311.12,W,225444,A*31", 1},
        {"no digit after the star", "$GPGLL,4916.45,N,12311.12,W,225444,A*", 0},
        {"no star, XOR to the end is not 0", "$GPGLL,4916.45,N,12311.12,W,225444,A\n", 0},
        {"no star, XOR to the end is 0", "$AA", 1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        SentenceContext ctx;
        EXPECT_EQ(VerifyChecksum(Load(ctx, c.line)), c.expected);
    }
}

TEST(VerifyChecksum, StopsAtSentenceLength) {
    SentenceContext ctx;
    Load(ctx, "$AA*00");
    EXPECT_EQ(VerifyChecksum(ctx), 1);
    ctx.SentenceLength = 2; // only "$A" counts: XOR 0x41, no star
    EXPECT_EQ(VerifyChecksum(ctx), 0);
}

struct DispatchCase {
    const char *name;
    std::string line;
    bool verify;
    uint8_t result;
    uint8_t unrecognised;
    bool refreshes; // whether any display text changes
};

const DispatchCase kDispatchCases[] = {
    {"wrong checksum, not verified", "$GPGLL,4916.45,N,12311.12,W,225444,A*32\n", false, 1, 0, true},
    {"wrong checksum, verified", "$GPGLL,4916.45,N,12311.12,W,225444,A*32\n", true, 0, 0, false},
    {"right checksum, verified", "$GPGLL,4916.45,N,12311.12,W,225444,A*31\n", true, 1, 0, true},
    {"unknown name, wrong checksum, verified", "$GPXTE,A,A,0.67,L,N*00\n", true, 0, 0, false},
    {"unknown name", "$GPXTE,A,A,0.67,L,N*6F\n", true, 1, 1, false},
    {"lower-case name", "$gpgga,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*67\n", true, 1, 1, false},
    {"ZDA recognised, not decoded", "$GPZDA,201530.00,04,07,2002,00,00*60\n", true, 1, 0, false},
    {"MSS recognised, not decoded", "$GPMSS,55,27,318.0,100,1*57\n", true, 1, 0, false},
    {"exclamation mark first", "!GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\n", true, 1, 0, true},
    {"GGA rejected by its decoder", "$GPGGA,123519,4807.038,X,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*51\n", true, 1, 0,
     false},
    {"GGA cut before its last fields", "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M*47\n", true, 1, 0,
     false},
    {"five characters", "$GPG*", false, 1, 1, false},
    {"name cut by the line end", "$GPGG", false, 1, 1, false},
    {"one character", "$", false, 1, 1, false},
    {"empty line", "", false, 1, 1, false},
    {"NUL before the name", std::string("\0$GPGLL,4916.45,N,12311.12,W,225444,A*31", 40), false, 1, 1, false},
};

TEST(ParseSentence, Table) {
    for (const auto &c : kDispatchCases) {
        SCOPED_TRACE(c.name);
        SentenceContext ctx;
        ctx.VerifyChecksums = c.verify;
        const auto before = TextsOf(ctx.Manager.Display());
        EXPECT_EQ(Feed(ctx, c.line), c.result);
        EXPECT_EQ(ctx.UnrecognisedSentence, c.unrecognised);
        EXPECT_EQ(TextsOf(ctx.Manager.Display()) != before, c.refreshes);
    }
}

TEST(ParseSentence, NeverClearsTheUnrecognisedFlag) {
    SentenceContext ctx;
    Load(ctx, "$GPGLL,4916.45,N,12311.12,W,225444,A*31\n");
    ctx.UnrecognisedSentence = 1;
    EXPECT_EQ(ParseSentence(ctx), 1);
    EXPECT_EQ(ctx.UnrecognisedSentence, 1);
}

TEST(ParseSentence, NulByteEndsTheLine) {
    const std::string line("$GPGLL,4916.45,N\0,12311.12,W,225444,A*31\n", 41);
    SentenceContext ctx;
    ctx.SetSentence(line);
    EXPECT_EQ(ctx.CurrentSentence, "$GPGLL,4916.45,N");
    EXPECT_EQ(ctx.SentenceLength, 16);
    EXPECT_STREQ(ctx.LineBuffer, "$GPGLL,4916.45,N");

    ctx.VerifyChecksums = true; // the checksum behind the NUL is not seen
    EXPECT_EQ(ParseSentence(ctx), 0);

    // Unverified, the fields behind the NUL read as empty.
    ctx.VerifyChecksums = false;
    EXPECT_EQ(ParseSentence(ctx), 1);
    EXPECT_EQ(ctx.Manager.GllRecord.Message.Longitude, 0.0);
    EXPECT_EQ(ctx.Manager.Display().Latitude, "N 49.274167");
}

TEST(ParseSentence, LongLineIsCutTo99Characters) {
    const std::string line = "$GPGLL,4916.45,N,12311.12,W,225444,A," + std::string(80, '0') + "*31\n";
    SentenceContext ctx;
    ctx.SetSentence(line);
    EXPECT_EQ(ctx.SentenceLength, 99);
    EXPECT_EQ(ctx.CurrentSentence, line.substr(0, 99));
}

TEST(ParseSentence, GsvRefreshesOnlyOnTheLastMessage) {
    const char *set[] = {
        "$GPGSV,3,1,11,03,03,111,00,04,15,270,00,06,01,010,00,13,06,292,00*74\n",
        "$GPGSV,3,2,11,14,25,170,00,16,57,208,39,18,67,296,40,19,40,246,00*74\n",
        "$GPGSV,3,3,11,22,42,067,42,24,14,311,43,27,05,244,00*4D\n",
    };
    SentenceContext ctx;
    ctx.VerifyChecksums = true;
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i + 1);
        EXPECT_EQ(Feed(ctx, set[i]), 1);
        EXPECT_EQ(ctx.UnrecognisedSentence, 0);
        EXPECT_EQ(ctx.Manager.Display().SatPrn[0], i < 2 ? "" : "3");
        EXPECT_EQ(ctx.Manager.Display().SatPrn[10], i < 2 ? "" : "27");
    }
}

// Two conversions side by side must not see each other's sentences.
TEST(SentenceContext, InterleavedContextsStayIndependent) {
    const char *a[] = {
        "$GPGSV,3,1,11,03,03,111,00,04,15,270,00,06,01,010,00,13,06,292,00*74\n",
        "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\n",
        "$GPGSV,3,2,11,14,25,170,00,16,57,208,39,18,67,296,40,19,40,246,00*74\n",
        "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A\n",
        "$GPGSV,3,3,11,22,42,067,42,24,14,311,43,27,05,244,00*4D\n",
    };
    const char *b[] = {
        "$GPGSV,2,1,07,01,40,083,46,02,17,308,41,12,07,344,39,14,22,228,45*7A\n",
        "$GPRPT,4807.038,S,01131.000,W,30000,-1.0,084.4,230394,123519,2*50\n",
        "$gpgga,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*67\n",
        "$GPGSV,3,2,11,14,25,170,00,16,57,208,39,18,67,296,40,19,40,246,00*74\n",
        "$GPGLL,4916.45,N,12311.12,W,225444,V*26\n",
    };
    SentenceContext alone, first, second;
    for (const char *line : a) Feed(alone, line);
    for (size_t i = 0; i < std::size(a); ++i) {
        Feed(first, a[i]);
        Feed(second, b[i]);
    }
    EXPECT_EQ(TextsOf(first.Manager.Display()), TextsOf(alone.Manager.Display()));
    EXPECT_EQ(first.Manager.Display().SatPrn[10], "27");
    EXPECT_EQ(first.UnrecognisedSentence, 0);
    EXPECT_EQ(second.Manager.Display().SatPrn[0], ""); // its GSV set never completed
    EXPECT_EQ(second.Manager.Display().Latitude, "N 49.274167");
    EXPECT_EQ(second.Manager.Display().FixMode, "2D");
    EXPECT_EQ(second.UnrecognisedSentence, 0);
}

} // namespace
} // namespace nmea
