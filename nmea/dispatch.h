// The single entry point of a sentence: checksum, classification, decoding
// and the refresh of the display texts.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "context.h"

namespace nmea {

inline constexpr std::array<std::string_view, 9> kSentenceNames = {
    "GPGGA", "GPGLL", "GPGSA", "GPGSV", "GPRMC", "GPVTG", "GPZDA", "GPRPT", "GPMSS"};

SentenceKind KindOfName(std::string_view name);

// 1 when the XOR of the characters between the first one and the "*" equals
// the hexadecimal value after it.
uint8_t VerifyChecksum(const SentenceContext &ctx);

// 0 only when checksums are verified and this one fails; 1 otherwise.
uint8_t ParseSentence(SentenceContext &ctx);

} // namespace nmea
