#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <string>

#include "nmea/digits_swar.h"
#include "nmea/field_readers.h"
#include "nmea/packed_time.h"

namespace nmea {
namespace {

// A reader that fails must leave its out value alone; start from this.
constexpr int32_t kUntouchedInt = 12345;
constexpr double kUntouchedReal = -777.25;

struct IntCase {
    const char *name;
    const char *text;
    Cursor start;
    int32_t value;
    Cursor cursor; // -1: the read fails
};

const IntCase kIntCases[] = {
    {"address field and comma passed", "$GPGGA,42,7", 0, 42, 9},
    {"empty field stops on second comma", ",,", 0, 0, 1},
    {"leading zeros", ",0120,", 0, 120, 5},
    {"minus right after comma is not a sign", ",-5,", 0, 0, 1},
    {"minus passed over is a sign", ",-5,", 1, -5, 3},
    {"letters end the value", ",12AB,7", 0, 12, 3},
    {"letters and comma passed over", ",12AB,7", 3, 7, 7},
    {"star before the value", ",*47", 1, 0, -1},
    {"star after letters", "AB*12", 0, 0, -1},
    {"cursor at the end", "12", 2, 0, 2},
    {"cursor past the end", "12", 5, 0, 5},
    {"int32 max", ",2147483647,", 0, 2147483647, 11},
    {"one above int32 max saturates", ",2147483648,", 0, 2147483647, 11},
    {"30 digits saturate", ",123456789012345678901234567890,", 0, 2147483647, 31},
    {"30 digits negative saturate", ",-123456789012345678901234567890,", 1, -2147483647, 32},
};

TEST(IntReader, Table) {
    for (const auto &c : kIntCases) {
        SCOPED_TRACE(c.name);
        int32_t value = kUntouchedInt;
        const Cursor next = scan::Int(c.start, c.text, value);
        EXPECT_EQ(next, c.cursor);
        EXPECT_EQ(value, c.cursor < 0 ? kUntouchedInt : c.value);
    }
}

// A field followed by at least eight more characters is read eight digits
// at a time; one at the end of the sentence character by character. Both
// ways must give the same value and cursor, to the bit.
TEST(NumericReaders, AgreeWhateverFollowsTheField) {
    struct Case {
        const char *field;
        int32_t intValue;
        Cursor intEnd;
        double realValue;
        Cursor realEnd;
    };
    const Case cases[] = {
        {"", 0, 1, 0.0, 1},
        {"7", 7, 2, 7.0, 2},
        {"359", 359, 4, 359.0, 4},
        {"0012", 12, 5, 12.0, 5},
        {"1234567", 1234567, 8, 1234567.0, 8},
        {"12345678", 12345678, 9, 12345678.0, 9},
        {"123456789012", 2147483647, 13, 123456789012.0, 13},
        {"143212.00", 143212, 7, 143212.0, 10},
        {"3435.8373", 3435, 5, 3435.8373, 10},
        {"05821.4149", 5821, 6, 5821.4149, 11},
        {"0.000001", 0, 2, 0.000001, 9},
        {"1.12345678", 1, 2, 1.12345678, 11},
        {".5", 0, 1, 0.5, 3},
        {"5.", 5, 2, 5.0, 3},
        {"1.2.3", 1, 2, 1.2, 4},
        {"-5", 0, 1, -5.0, 3},
        {"-2.5", 0, 1, -2.5, 5},
        {"12-3", 12, 3, 12.0, 3},
        {"1a", 1, 2, 1.0, 2},
        {"12 ", 12, 3, 12.0, 3},
        {"\xff"
         "1",
         0, 1, 0.0, 1},
        {"9\xfa", 9, 2, 9.0, 2},
        {"/:", 0, 1, 0.0, 1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::string(c.field)));
        const auto sentence = [&](const char *tail) {
            std::string s = ",";
            s += c.field;
            s += tail;
            return s;
        };
        for (const char *tail : {"*", ",ABCDEFGHIJ*"}) {
            const std::string text = sentence(tail);
            int32_t i = kUntouchedInt;
            EXPECT_EQ(scan::Int(0, text, i), c.intEnd) << "followed by " << tail;
            EXPECT_EQ(i, c.intValue) << "followed by " << tail;
            double r = kUntouchedReal;
            EXPECT_EQ(scan::Real(0, text, r), c.realEnd) << "followed by " << tail;
            EXPECT_DOUBLE_EQ(r, c.realValue) << "followed by " << tail;
        }
        double atEnd = 0, inside = 0;
        scan::Real(0, sentence("*"), atEnd);
        scan::Real(0, sentence(",ABCDEFGHIJ*"), inside);
        EXPECT_EQ(std::bit_cast<uint64_t>(atEnd), std::bit_cast<uint64_t>(inside));
    }
}

struct RealCase {
    const char *name;
    const char *text;
    Cursor start;
    double value;
    Cursor cursor; // -1: the read fails
};

const RealCase kRealCases[] = {
    {"time field of a GGA from 0", "$GPGGA,123519.5,4807.038,N", 0, 123519.5, 15},
    {"latitude field after the time", "$GPGGA,123519.5,4807.038,N", 15, 4807.038, 24},
    {"empty field stops on second comma", ",,", 0, 0.0, 1},
    {"dot after comma", ",.5,", 0, 0.5, 3},
    {"minus dot after comma", ",-.5,", 0, -0.5, 4},
    {"minus after comma", ",-22.5,", 0, -22.5, 6},
    {"second dot ends the number", ",12.34.56,", 0, 12.34, 6},
    {"zero fraction", ",12.000,", 0, 12.0, 7},
    {"started on the minus reads positive", ",-2.5,", 1, 2.5, 5},
    {"dot passed over starts the fraction", "X.5,", 0, 0.5, 3},
    {"dot passed over, next dot ends", "X.5.7", 0, 0.5, 3},
    {"plus sign is not a number", ",+5,", 0, 0.0, 1},
    {"ten fraction digits", ",1.0000000001,", 0, 1.0000000001, 13},
    {"twelve fraction digits", ",0.123456789012,", 0, 0.123456789012, 15},
    {"fraction digits after the 18th ignored", ",0.1234567890123456789999,", 0, 0.123456789012345678, 25},
    {"30-digit integer part saturates", ",123456789012345678901234567890,", 0, 1e18, 31},
    {"30-digit negative integer part", ",-123456789012345678901234567890.5,", 0, -1e18, 34},
    {"star before the value", ",*47", 1, 0.0, -1},
    {"cursor at the end", "1.5", 3, 0.0, 3},
    {"cursor past the end", "1.5", 9, 0.0, 9},
};

// Every digit run of up to four characters, and longer ones at the edges of
// their ranges, each with what usually follows a field behind it.
TEST(DigitRuns, ValueOfEveryShortRunAndTheLongOnesEdges) {
    const auto check = [](const std::string &digits) {
        for (const char *behind : {",,,,,,,,", "*7F\r\n,,,", ".99999999"}) {
            const std::string text = digits + behind;
            const uint64_t word = nmea::swar::Load8(text.data());
            const int count = static_cast<int>(std::min<size_t>(digits.size(), 8));
            ASSERT_EQ(nmea::swar::LeadingDigits(word), count) << text;
            ASSERT_EQ(nmea::swar::DigitsValue(word, count), std::stoul(digits.substr(0, 8))) << text;
        }
    };
    for (int width = 1; width <= 4; ++width) {
        int limit = 1;
        for (int i = 0; i < width; ++i) limit *= 10;
        for (int v = 0; v < limit; ++v) {
            std::string digits = std::to_string(v);
            check(std::string(static_cast<size_t>(width) - std::min<size_t>(digits.size(), width), '0') + digits);
        }
    }
    for (const char *digits : {"10000", "99999", "00001", "123456", "999999", "1000000", "9999999", "12345678",
                               "99999999", "00000000", "90000009"})
        check(digits);
}

TEST(RealReader, Table) {
    for (const auto &c : kRealCases) {
        SCOPED_TRACE(c.name);
        double value = kUntouchedReal;
        const Cursor next = scan::Real(c.start, c.text, value);
        EXPECT_EQ(next, c.cursor);
        if (c.cursor < 0) {
            EXPECT_EQ(value, kUntouchedReal);
        } else {
            EXPECT_DOUBLE_EQ(value, c.value);
        }
    }
}

struct TextCase {
    const char *name;
    const char *text;
    Cursor start;
    const char *value;
    Cursor cursor;
};

const TextCase kTextCases[] = {
    {"address field from 0", "$GPGSA,A,3", 0, "$GPGSA", 6},
    {"letter field", "$GPGSA,A,3", 6, "A", 8},
    {"empty field", ",,", 0, "", 1},
    {"blank right after comma", ", AB,", 0, "", 1},
    {"blank passed over", ", AB,", 1, "AB", 4},
    {"blank ends the value", ",AB CD,", 0, "AB", 3},
    {"last field before star", ",A*6A", 0, "A", 2},
    {"at the star", ",A*6A", 2, "", 2},
    {"at the end", "AB", 2, "", 2},
    {"past the end", "AB", 7, "", 7},
};

TEST(TextReader, Table) {
    for (const auto &c : kTextCases) {
        SCOPED_TRACE(c.name);
        std::string_view value = "stale text";
        EXPECT_EQ(scan::TextView(c.start, c.text, value), c.cursor);
        EXPECT_EQ(value, c.value);
    }
}

struct HexCase {
    const char *name;
    const char *text;
    Cursor start;
    uint8_t value;
    Cursor cursor;
};

const HexCase kHexCases[] = {
    {"mode letter before the star", ",A*6A", 0, 0x0A, 2},
    {"two digits after the star", "*47", 0, 0x47, 3},
    {"lower case", "*3f", 0, 0x3F, 3},
    {"upper case", "*3F", 0, 0x3F, 3},
    {"one digit then line end", "*4\n", 0, 0x04, 2},
    {"at most two digits", "*ABC", 0, 0xAB, 3},
    {"no digit", "*\n", 0, 0, 2},
    {"at the end", "*47", 3, 0, 3},
};

TEST(HexReader, Table) {
    for (const auto &c : kHexCases) {
        SCOPED_TRACE(c.name);
        uint8_t value = 0x99;
        EXPECT_EQ(scan::Hex(c.start, c.text, value), c.cursor);
        EXPECT_EQ(value, c.value);
    }
}

TEST(HexToInt, Table) {
    struct Case {
        const char *chars;
        uint32_t count;
        uint32_t value;
    };
    const Case cases[] = {
        {"31", 2, 0x31}, {"3f", 2, 63}, {"3F", 2, 63}, {"4z", 2, 4},   {"zz", 2, 0},
        {"z4", 2, 0},    {"47", 1, 4},  {"47", 0, 0},  {"FF", 2, 255}, {"aB", 2, 0xAB},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.chars) + " count " + std::to_string(c.count));
        EXPECT_EQ(HexToInt(c.chars, c.count), c.value);
    }
}

TEST(PackedTimeAndDate, RoundTrips) {
    struct Case {
        uint32_t h, m, s;
        uint32_t packed;
    };
    const Case times[] = {
        {12, 35, 19, 12u * (1u << 24) + 35u * (1u << 16) + 19000u},
        {0, 0, 0, 0},
        {23, 59, 59, 23u * (1u << 24) + 59u * (1u << 16) + 59000u},
    };
    for (const auto &c : times) {
        SCOPED_TRACE(c.packed);
        const PackedTime p = PackTime(c.h, c.m, c.s);
        EXPECT_EQ(p, c.packed);
        int h = -1, m = -1;
        float s = -1;
        UnpackTime(p, h, m, s);
        EXPECT_EQ(h, static_cast<int>(c.h));
        EXPECT_EQ(m, static_cast<int>(c.m));
        EXPECT_FLOAT_EQ(s, static_cast<float>(c.s));
    }

    const PackedDate d = PackDate(94, 3, 23);
    EXPECT_EQ(d, 94u * (1u << 16) + 3u * (1u << 8) + 23u);
    int y = 0, mo = 0, day = 0;
    UnpackDate(d, y, mo, day);
    EXPECT_EQ(y, 94);
    EXPECT_EQ(mo, 3);
    EXPECT_EQ(day, 23);
}

} // namespace
} // namespace nmea
