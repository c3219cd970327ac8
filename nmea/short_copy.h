// Copies of a line or less in 16-byte moves: for sizes known to be this small
// the compiler picks "rep movs", whose start-up costs more than the copy.
#pragma once

#include <cstddef>
#include <cstring>

namespace nmea {

inline void CopyShort(char *to, const char *from, size_t n) {
    if (n >= 16) {
        size_t at = 0;
        for (; at + 16 <= n; at += 16) std::memcpy(to + at, from + at, 16);
        std::memcpy(to + n - 16, from + n - 16, 16);
    } else if (n >= 8) {
        std::memcpy(to, from, 8);
        std::memcpy(to + n - 8, from + n - 8, 8);
    } else {
        for (size_t i = 0; i < n; ++i) to[i] = from[i];
    }
}

} // namespace nmea
