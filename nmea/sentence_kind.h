// The recognised sentence names by number; 255 for any other name.
#pragma once

#include <cstdint>

namespace nmea {

enum class SentenceKind : uint8_t {
    GPGGA = 0,
    GPGLL = 1,
    GPGSA = 2,
    GPGSV = 3,
    GPRMC = 4,
    GPVTG = 5,
    GPZDA = 6,
    GPRPT = 7,
    GPMSS = 8,
    GPGNS = 9,
    GPGST = 10,
    Unknown = 255,
};

} // namespace nmea
