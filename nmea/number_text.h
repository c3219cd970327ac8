// Locale-free number formatting: the same digits as printf's %d, %02d and
// %.Nf in the C locale, whatever locale the process runs under.
#pragma once

#include <charconv>
#include <cstddef>

namespace nmea {

// Room for any double in fixed notation with up to six decimals.
constexpr size_t kNumberTextSize = 330;

// printf("%.*f", decimals, value); returns the end of the text written.
inline char *PutFixed(char *out, double value, int decimals) {
    return std::to_chars(out, out + kNumberTextSize, value, std::chars_format::fixed, decimals).ptr;
}

// printf("%d", value).
inline char *PutInt(char *out, long value) { return std::to_chars(out, out + 24, value).ptr; }

// printf("%02d", value) for value >= 0.
inline char *PutInt2(char *out, long value) {
    if (value >= 0 && value < 10) *out++ = '0';
    return PutInt(out, value);
}

} // namespace nmea
