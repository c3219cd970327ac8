#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "nmea/field_conversions.h"
#include "nmea_test_support.h"

namespace nmea {
namespace {

TEST(ConvertDegrees, Table) {
    struct Case {
        const char *name;
        double field;
        double expected; // degrees x 100000
    };
    const Case cases[] = {
        {"latitude ddmm.mmm", 4807.038, 4811730.0},
        {"longitude dddmm.mmm", 1131.0, 1151666.6666667},
        {"three-digit degrees", 12311.12, 12318533.333333},
        {"60.5 minutes taken as they are", 4960.5, 5000833.333333},
        {"minutes only", 59.99, 99983.333333},
        {"whole degrees", 9000.0, 9000000.0},
        {"zero", 0.0, 0.0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_NEAR(ConvertDegrees(c.field), c.expected, 1e-3);
    }
}

TEST(ConvertTime, Table) {
    struct Case {
        const char *name;
        double field;
        uint32_t expected;
    };
    // Clamped to 4294967295 thousandths: hour 429, minute 49, 67 s, packed
    // unmasked as the packing does.
    constexpr uint32_t kClampedTop = (429u << 24) | (49u << 16) | 67000u;
    const Case cases[] = {
        {"whole seconds", 123519.0, PackTime(12, 35, 19)},
        {"hundredths dropped", 225444.56, PackTime(22, 54, 44)},
        {"thousandths dropped", 64036.289, PackTime(6, 40, 36)},
        {"last second of the day", 235959.999, PackTime(23, 59, 59)},
        {"empty field is midnight", 0.0, 0},
        {"no range check", 996060.0, PackTime(99, 60, 60)},
        {"negative clamps to zero", -1.0, 0},
        {"large negative clamps to zero", -123519.0, 0},
        {"huge clamps to the top", 1e12, kClampedTop},
        {"enormous clamps to the top", 1e300, kClampedTop},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ConvertTime(c.field), c.expected);
    }
}

TEST(ConvertDate, Table) {
    struct Case {
        const char *name;
        int32_t field;
        uint32_t expected;
    };
    const Case cases[] = {
        {"ddmmyy", 230394, PackDate(94, 3, 23)},
        {"leading zero lost by the integer read", 50394, PackDate(94, 3, 5)},
        {"last day of a century", 311299, PackDate(99, 12, 31)},
        {"no range check", 999999, PackDate(99, 99, 99)},
        {"empty field", 0, 0},
        // -1 is taken as 4294967295: day 429496 spills over month and year.
        {"negative taken as unsigned", -1, (95u << 16) | (72u << 8) | 429496u},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ConvertDate(c.field), c.expected);
    }
}

TEST(ScaleToU16, Table) {
    struct Case {
        const char *name;
        double value;
        double scale;
        uint16_t expected;
    };
    const Case cases[] = {
        {"hdop 0.9", 0.9, 10000, 9000},
        {"speed 22.4 knots", 22.4, 10, 224},
        {"course 84.4 degrees", 84.4, 10, 844},
        {"truncated toward zero", 10.25, 10, 102},
        {"largest dilution that fits", 6.5535, 10000, 65535},
        {"dilution 6.5536 saturates", 6.5536, 10000, 65535},
        {"dilution 7.0 saturates", 7.0, 10000, 65535},
        {"huge saturates", 1e18, 10, 65535},
        {"negative speed stores 0", -5.0, 10, 0},
        {"small negative stores 0", -0.04, 10, 0},
        {"zero", 0.0, 10, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ScaleToU16(c.value, c.scale), c.expected);
    }
}

TEST(ScaleToI32, Table) {
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
    struct Case {
        const char *name;
        double value;
        int32_t expected;
    };
    const Case cases[] = {
        {"altitude 545.4 m", 545.4, 54540000},     {"separation 46.9 m", 46.9, 4690000},
        {"altitude -12.5 m", -12.5, -1250000},     {"truncated toward zero", -0.000001, 0},
        {"30000 m clamps", 30000.0, kMax},         {"-30000 m clamps", -30000.0, kMin},
        {"20 km still fits", 20000.5, 2000050000}, {"huge clamps", 1e18, kMax},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ScaleToI32(c.value, 100000), c.expected);
    }
}

// The conversions round with their own floor and trunc, not the library's;
// whatever the value, they must agree with the library to the bit.
TEST(Conversions, AgreeWithTheLibraryRoundingToTheBit) {
    constexpr double kInf = std::numeric_limits<double>::infinity();
    const double values[] = {0.0,
                             -0.0,
                             0.4,
                             -0.4,
                             -1.0,
                             -1.5,
                             -99.99,
                             4807.038,
                             -4807.038,
                             65535.99,
                             -65535.9,
                             2147483647.9,
                             4503599627370495.5,
                             4503599627370497.0,
                             9007199254740993.0,
                             -9007199254740993.0,
                             1e300,
                             -1e300,
                             5e-324,
                             -5e-324,
                             kInf,
                             -kInf,
                             std::nan("")};
    const auto bits = [](double v) { return std::isnan(v) ? uint64_t{1} : std::bit_cast<uint64_t>(v); };
    for (double v : values) {
        SCOPED_TRACE(v);
        const double degrees = std::floor(v * 0.01);
        const double expected = (degrees + (v - degrees * 100) / 60) * 100000;
        EXPECT_EQ(bits(ConvertDegrees(v)), bits(expected));

        const double t = std::trunc(v * 1000);
        const uint32_t thousandths = t >= 4294967295.0 ? 4294967295u : t > 0 ? static_cast<uint32_t>(t) : 0u;
        const uint32_t hour = thousandths / 10000000, minute = thousandths / 100000 - hour * 100;
        const auto second =
            static_cast<uint8_t>(static_cast<uint32_t>((thousandths - (hour * 100 + minute) * 100000) * 0.001));
        EXPECT_EQ(ConvertTime(v), (hour << 24) | (minute << 16) | second * 1000u);

        for (double scale : {1.0, 10.0, 100000.0}) {
            const double p = std::trunc(v * scale);
            const uint16_t u16 = !(p > 0) ? 0 : p >= 65535 ? 65535 : static_cast<uint16_t>(p);
            EXPECT_EQ(ScaleToU16(v, scale), u16) << "scale " << scale;
            const int32_t i32 = p >= 2147483647.0    ? std::numeric_limits<int32_t>::max()
                                : p <= -2147483648.0 ? std::numeric_limits<int32_t>::min()
                                : std::isnan(p)      ? 0
                                                     : static_cast<int32_t>(p);
            EXPECT_EQ(ScaleToI32(v, scale), i32) << "scale " << scale;
        }
    }
}

} // namespace
} // namespace nmea
