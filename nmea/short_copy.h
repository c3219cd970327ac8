// Copies of a line or less in fixed-size moves: for sizes known to be this
// small the compiler picks "rep movs" or a library call, whose start-up costs
// more than the copy. Every move reads and writes inside [0, n) of both sides.
#pragma once

#include <cstddef>
#include <cstring>

namespace nmea {

inline void CopyShort(char *to, const char *from, size_t n) {
    if (n >= 16) {
        size_t at = 0;
        for (; at + 16 <= n; at += 16) std::memcpy(to + at, from + at, 16);
        std::memcpy(to + n - 16, from + n - 16, 16);
    } else if (n >= 8) { // two overlapping moves cover 8 to 15
        std::memcpy(to, from, 8);
        std::memcpy(to + n - 8, from + n - 8, 8);
    } else if (n >= 4) {
        std::memcpy(to, from, 4);
        std::memcpy(to + n - 4, from + n - 4, 4);
    } else if (n > 0) { // first, middle and last cover 1 to 3
        to[0] = from[0];
        to[n / 2] = from[n / 2];
        to[n - 1] = from[n - 1];
    }
}

} // namespace nmea
