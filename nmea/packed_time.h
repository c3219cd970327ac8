// A clock time and a calendar date packed into one integer each, as the
// records hold them.
#pragma once

#include <cstdint>

namespace nmea {

using PackedTime = uint32_t; // hour << 24 | minute << 16 | second * 1000
using PackedDate = uint32_t; // year << 16 | month << 8 | day

// The parts are combined unmasked, as stored logs expect; the arithmetic is
// unsigned so that out-of-range parts wrap instead of overflowing.
constexpr PackedTime PackTime(uint32_t hour, uint32_t minute, uint32_t second) {
    return (hour << 24) | (minute << 16) | second * 1000u;
}

constexpr PackedDate PackDate(uint32_t year, uint32_t month, uint32_t day) { return (year << 16) | (month << 8) | day; }

inline void UnpackTime(PackedTime packed, int &hour, int &minute, float &seconds) {
    hour = static_cast<int>(packed >> 24);
    minute = static_cast<int>((packed >> 16) & 0xFF);
    seconds = static_cast<float>((packed & 0xFFFF) * 0.001);
}

inline void UnpackDate(PackedDate packed, int &year, int &month, int &day) {
    year = static_cast<int>((packed >> 16) & 0xFF);
    month = static_cast<int>((packed >> 8) & 0xFF);
    day = static_cast<int>(packed & 0xFF);
}

} // namespace nmea
