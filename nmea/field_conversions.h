// What the decoders make of a field's number: degrees from ddmm.mmmm, packed
// times and dates, and fixed-point values in the records' units.
#pragma once

#include <cmath>
#include <cstdint>

#include "packed_time.h"

namespace nmea {

// Inline, and without the library's floor and trunc (calls on a plain x86-64
// build): the decoders call these several times per sentence.
namespace detail {
constexpr double kTwoTo52 = 4503599627370496.0; // from here on every double is whole

// trunc(x) and floor(x) for every double, signed zeros included.
inline double Trunc(double x) {
    if (!(std::fabs(x) < kTwoTo52)) return x;
    return std::copysign(static_cast<double>(static_cast<int64_t>(x)), x);
}
inline double Floor(double x) {
    if (!(std::fabs(x) < kTwoTo52)) return x;
    const double t = static_cast<double>(static_cast<int64_t>(x));
    return std::copysign(t > x ? t - 1 : t, x);
}
} // namespace detail

// ddmm.mmmm or dddmm.mmmm into degrees x 100000; no range check.
inline double ConvertDegrees(double value) {
    const double degrees = detail::Floor(value * 0.01);
    const double minutes = value - degrees * 100;
    return (degrees + minutes / 60) * 100000;
}

// hhmmss.sss into a packed time; the fraction of the second is dropped.
inline PackedTime ConvertTime(double value) {
    const double scaled = detail::Trunc(value * 1000);
    uint32_t t = 0;
    if (scaled >= 4294967295.0) {
        t = 4294967295u;
    } else if (scaled > 0) {
        t = static_cast<uint32_t>(scaled);
    }
    const uint32_t hour = t / 10000000;
    const uint32_t minute = t / 100000 - hour * 100;
    const uint32_t rest = t - (hour * 100 + minute) * 100000;
    const auto second = static_cast<uint32_t>(rest * 0.001);
    return PackTime(hour, minute, second & 0xFF);
}

// ddmmyy read as one integer into a packed date.
PackedDate ConvertDate(int32_t value);

// value x scale truncated toward zero, saturated into the field's range.
inline uint16_t ScaleToU16(double value, double scale) {
    const double p = detail::Trunc(value * scale);
    if (!(p > 0)) return 0;
    if (p >= 65535) return 65535;
    return static_cast<uint16_t>(p);
}

inline int32_t ScaleToI32(double value, double scale) {
    const double p = detail::Trunc(value * scale);
    if (p >= 2147483647.0) return 2147483647;
    if (p <= -2147483648.0) return -2147483647 - 1;
    if (!(p == p)) return 0;
    return static_cast<int32_t>(p);
}

} // namespace nmea
