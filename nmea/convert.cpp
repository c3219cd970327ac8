#include "convert.h"

#include <cmath>

namespace nmea {

double ConvertDegrees(double value) {
    const double degrees = std::floor(value * 0.01);
    const double minutes = value - degrees * 100;
    return (degrees + minutes / 60) * 100000;
}

PackedTime ConvertTime(double value) {
    const double scaled = std::trunc(value * 1000);
    uint32_t t = 0;
    if (scaled >= 4294967295.0) {
        t = 4294967295u;
    } else if (scaled > 0) {
        t = static_cast<uint32_t>(scaled);
    }
    const uint32_t hour = t / 10000000;
    const uint32_t minute = t / 100000 - hour * 100;
    const uint32_t rest = t - (hour * 100 + minute) * 100000;
    const auto second = static_cast<uint8_t>(static_cast<uint32_t>(rest * 0.001));
    PackedTime packed;
    PackTime(packed, static_cast<int>(hour), static_cast<int>(minute), second);
    return packed;
}

PackedDate ConvertDate(int32_t value) {
    const auto v = static_cast<uint32_t>(value);
    const uint32_t day = v / 10000;
    const uint32_t month = (v - day * 10000) / 100;
    const uint32_t year = v - day * 10000 - month * 100;
    PackedDate packed;
    PackDate(packed, static_cast<int>(year), static_cast<int>(month), static_cast<int>(day));
    return packed;
}

uint16_t ScaleToU16(double value, double scale) {
    const double p = std::trunc(value * scale);
    if (!(p > 0)) return 0;
    if (p >= 65535) return 65535;
    return static_cast<uint16_t>(p);
}

int32_t ScaleToI32(double value, double scale) {
    const double p = std::trunc(value * scale);
    if (p >= 2147483647.0) return 2147483647;
    if (p <= -2147483648.0) return -2147483647 - 1;
    if (!(p == p)) return 0;
    return static_cast<int32_t>(p);
}

} // namespace nmea
