// Field readers: walk one sentence left to right with an integer cursor.
// A reader returns the cursor behind the value it read, or -1 when it met the
// "*" that ends the data fields before finding its value. Inline, so that the
// decoders' field walk compiles into one loop.
#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <string_view>

#include "digits_swar.h"

namespace nmea {

using Cursor = int32_t;

namespace scan {

constexpr bool IsDigit(char c) { return c >= '0' && c <= '9'; }

constexpr int64_t kIntegerCeiling = 1000000000000000000; // 10^18
constexpr int kMaxFractionDigits = 18;

constexpr double kPowersOfTen[kMaxFractionDigits + 1] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8, 1e9,
                                                         1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18};

// Passes over what stands before a number. Returns false at "*"; `last`
// receives the last character passed over other than the comma.
inline bool SkipToNumber(Cursor &cursor, const char *s, Cursor n, char &last) {
    for (; cursor < n; ++cursor) {
        const char c = s[cursor];
        if (IsDigit(c)) return true;
        if (c == ',') {
            ++cursor;
            return true;
        }
        if (c == '*') return false;
        last = c;
    }
    return true;
}

// A comma under the cursor with eight characters behind it: the eight as one
// word and how many of them lead as digits. False where the character loops
// must read instead.
inline bool TryDigitsBehindComma(const char *s, Cursor cursor, Cursor n, uint64_t &word, int &digits) {
    if (!swar::kUsable || cursor + 9 > n || s[cursor] != ',') return false;
    word = swar::Load8(s + cursor + 1);
    digits = swar::LeadingDigits(word);
    return digits < 8;
}

// Digits saturate at the ceiling instead of wrapping: value * 10 + digit
// exceeds the ceiling exactly when the value has passed it.
inline Cursor Int(Cursor cursor, std::string_view sentence, int32_t &value) {
    if (cursor < 0) return -1;
    const char *const s = sentence.data();
    const auto n = static_cast<Cursor>(sentence.size());
    uint64_t w;
    int digits;
    if (TryDigitsBehindComma(s, cursor, n, w, digits)) {
        value = static_cast<int32_t>(swar::DigitsValue(w, digits));
        return cursor + 1 + digits;
    }
    char last = 0;
    if (!SkipToNumber(cursor, s, n, last)) return -1;
    constexpr uint64_t kCeiling = std::numeric_limits<int32_t>::max();
    uint64_t magnitude = 0;
    for (; cursor < n && IsDigit(s[cursor]); ++cursor) {
        magnitude = magnitude * 10 + static_cast<uint64_t>(s[cursor] - '0');
        if (magnitude > kCeiling) magnitude = kCeiling;
    }
    const auto v = static_cast<int32_t>(magnitude);
    value = last == '-' ? -v : v;
    return cursor;
}

inline Cursor Real(Cursor cursor, std::string_view sentence, double &value) {
    if (cursor < 0) return -1;
    const char *const s = sentence.data();
    const auto n = static_cast<Cursor>(sentence.size());
    uint64_t w;
    int digits;
    if (TryDigitsBehindComma(s, cursor, n, w, digits)) {
        const Cursor stop = cursor + 1 + digits; // < n
        if (s[stop] != '.' && s[stop] != '-') {
            value = static_cast<double>(swar::DigitsValue(w, digits));
            return stop;
        }
        if (s[stop] == '.' && stop + 9 <= n) {
            const uint64_t f = swar::Load8(s + stop + 1);
            const int fractionDigits = swar::LeadingDigits(f);
            if (fractionDigits < 8) {
                double v = static_cast<double>(swar::DigitsValue(w, digits));
                const uint32_t fraction = swar::DigitsValue(f, fractionDigits);
                if (fraction != 0) v += static_cast<double>(fraction) / kPowersOfTen[fractionDigits];
                value = v;
                return stop + 1 + fractionDigits;
            }
        }
    }
    char last = 0;
    if (!SkipToNumber(cursor, s, n, last)) return -1;
    bool inFraction = last == '.';
    bool negative = false;
    if (cursor > 0 && cursor < n && s[cursor] == '-') {
        negative = true;
        ++cursor;
    }
    uint64_t integerPart = 0;
    int64_t fraction = 0;
    int fractionDigits = 0;
    for (; cursor < n; ++cursor) {
        const char c = s[cursor];
        if (IsDigit(c)) {
            if (!inFraction) {
                integerPart = integerPart * 10 + static_cast<uint64_t>(c - '0');
                if (integerPart > static_cast<uint64_t>(kIntegerCeiling)) integerPart = kIntegerCeiling;
            } else if (fractionDigits < kMaxFractionDigits) {
                fraction = fraction * 10 + (c - '0');
                ++fractionDigits;
            }
        } else if (c == '.' && !inFraction) {
            inFraction = true;
        } else {
            break;
        }
    }
    double v = static_cast<double>(integerPart);
    if (fraction != 0) v += static_cast<double>(fraction) / kPowersOfTen[fractionDigits];
    value = negative ? -v : v;
    return cursor;
}

inline Cursor TextView(Cursor cursor, std::string_view s, std::string_view &value) {
    const auto n = static_cast<Cursor>(s.size());
    if (cursor < 0 || cursor >= n) {
        value = {};
        return cursor;
    }
    while (cursor < n) {
        const char c = s[cursor];
        if (c == ' ') {
            ++cursor;
        } else {
            if (c == ',') ++cursor;
            break;
        }
    }
    const Cursor start = cursor;
    while (cursor < n) {
        const char c = s[cursor];
        if (c == '*' || c == ',' || c == ' ') break;
        ++cursor;
    }
    value = s.substr(static_cast<size_t>(start), static_cast<size_t>(cursor - start));
    return cursor;
}

constexpr int HexDigitOf(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Every sentence ends in a checksum: a table instead of three range tests.
inline constexpr auto kHexDigits = [] {
    std::array<int8_t, 256> table{};
    for (int c = 0; c < 256; ++c) table[static_cast<size_t>(c)] = static_cast<int8_t>(HexDigitOf(static_cast<char>(c)));
    return table;
}();

constexpr int HexDigit(char c) { return kHexDigits[static_cast<unsigned char>(c)]; }

inline Cursor Hex(Cursor cursor, std::string_view s, uint8_t &value) {
    const auto n = static_cast<Cursor>(s.size());
    if (cursor < 0 || cursor >= n) {
        value = 0;
        return cursor;
    }
    while (cursor < n && HexDigit(s[cursor]) < 0) ++cursor;
    unsigned v = 0;
    for (int i = 0; i < 2 && cursor < n; ++i) {
        const int d = HexDigit(s[cursor]);
        if (d < 0) break;
        v = v * 16 + static_cast<unsigned>(d);
        ++cursor;
    }
    value = static_cast<uint8_t>(v);
    return cursor;
}

} // namespace scan

// The value of up to `count` hexadecimal digits; stops at the first other character.
inline uint32_t HexToInt(const char *chars, uint32_t count) {
    uint32_t value = 0;
    for (uint32_t i = 0; i < count; ++i) {
        const int d = scan::HexDigit(chars[i]);
        if (d < 0) break;
        value = value * 16 + static_cast<uint32_t>(d);
    }
    return value;
}

} // namespace nmea
