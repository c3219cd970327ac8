// Digit runs read eight characters at a time (SWAR): most fields are a comma
// and a few digits. The readers use these where eight characters can be
// loaded; anything else takes their character loops, which agree.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace nmea::swar {

constexpr bool kUsable = std::endian::native == std::endian::little;
constexpr uint64_t kOnes = 0x0101010101010101;

inline uint64_t Load8(const char *p) {
    uint64_t w;
    std::memcpy(&w, p, 8);
    return w;
}

// How many of the eight characters lead as decimal digits (0 to 8).
inline int LeadingDigits(uint64_t w) {
    // A byte is a digit when its high nibble is 3 before and after adding 6.
    // The carry of a byte >= 0xFA can only disturb bytes after a non-digit.
    const uint64_t high = 0xF0 * kOnes;
    const uint64_t nonDigit = ((w & high) ^ (0x30 * kOnes)) | (((w + 0x06 * kOnes) & high) ^ (0x30 * kOnes));
    return nonDigit == 0 ? 8 : std::countr_zero(nonDigit) >> 3;
}

// The value of the first `count` (0 to 8) characters, all digits.
inline uint32_t DigitsValue(uint64_t w, int count) {
    if (count == 0) return 0;
    // The digits move to the top bytes; the zero bytes below act as leading zeros.
    uint64_t v = (w - 0x30 * kOnes) << (64 - 8 * count);
    v = v * 10 + (v >> 8);
    v = (((v & 0x000000FF000000FF) * (100 + (1000000ULL << 32))) +
         (((v >> 16) & 0x000000FF000000FF) * (1 + (10000ULL << 32)))) >>
        32;
    return static_cast<uint32_t>(v);
}

} // namespace nmea::swar
