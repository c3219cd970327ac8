// Locale-free number formatting: the same digits as printf's %d, %02d and
// %.Nf in the C locale, whatever locale the process runs under.
#pragma once

#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>

namespace nmea {

// Room for any double in fixed notation with up to six decimals.
constexpr size_t kNumberTextSize = 330;

namespace number_text_detail {

inline constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};
inline constexpr uint64_t kIntPowersOfTen[] = {1,      10,      100,      1000,      10000,
                                               100000, 1000000, 10000000, 100000000, 1000000000};

// The digits of v, at least `width` of them; two digits per division.
inline char *PutDigits(char *out, uint64_t v, int width) {
    static constexpr char kPairs[] = "00010203040506070809101112131415161718192021222324"
                                     "25262728293031323334353637383940414243444546474849"
                                     "50515253545556575859606162636465666768697071727374"
                                     "75767778798081828384858687888990919293949596979899";
    char digits[24];
    char *end = digits + sizeof digits;
    char *p = end;
    while (v >= 100) {
        const auto pair = static_cast<size_t>(v % 100) * 2;
        v /= 100;
        *--p = kPairs[pair + 1];
        *--p = kPairs[pair];
    }
    if (v >= 10) {
        *--p = kPairs[v * 2 + 1];
        *--p = kPairs[v * 2];
    } else {
        *--p = static_cast<char>('0' + v);
    }
    while (end - p < width) *--p = '0';
    while (p < end) *out++ = *p++;
    return out;
}

} // namespace number_text_detail

// printf("%.*f", decimals, value); returns the end of the text written.
inline char *PutFixed(char *out, double value, int decimals) {
    using namespace number_text_detail;
    // Small values round exactly without the general algorithm: the product
    // with 10^decimals is split into hi + lo (fma gives the exact lo), so the
    // nearest integer, ties to even as printf has it, follows from hi and lo.
    if (decimals >= 0 && decimals <= 9 && std::isfinite(value)) {
        const double magnitude = std::fabs(value);
        const double scale = kPowersOfTen[decimals];
        const double hi = magnitude * scale;
        constexpr double kTwo52 = 4503599627370496.0;
        if (hi < kTwo52) {
            const double lo = std::fma(magnitude, scale, -hi);
            double rounded = (hi + kTwo52) - kTwo52; // nearest, ties to even
            const double off = hi - rounded;         // exact
            if (off == 0.5 && lo > 0) rounded += 1;
            if (off == -0.5 && lo < 0) rounded -= 1;
            const auto n = static_cast<uint64_t>(rounded);
            if (std::signbit(value)) *out++ = '-';
            const uint64_t unit = kIntPowersOfTen[decimals];
            out = PutDigits(out, n / unit, 1);
            if (decimals > 0) {
                *out++ = '.';
                out = PutDigits(out, n % unit, decimals);
            }
            return out;
        }
    }
    return std::to_chars(out, out + kNumberTextSize, value, std::chars_format::fixed, decimals).ptr;
}

// printf("%d", value).
inline char *PutInt(char *out, long value) { return std::to_chars(out, out + 24, value).ptr; }

// printf("%02d", value) for value >= 0.
inline char *PutInt2(char *out, long value) {
    if (value >= 0 && value < 100) { // the clock's and calendar's fields
        out[0] = static_cast<char>('0' + value / 10);
        out[1] = static_cast<char>('0' + value % 10);
        return out + 2;
    }
    return PutInt(out, value);
}

} // namespace nmea
