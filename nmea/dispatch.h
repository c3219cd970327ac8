// The single entry point of a sentence: checksum, classification, decoding
// and the note of the values its display texts are made of.
#pragma once

#include <cstdint>

#include "context.h"

namespace nmea {

// 1 when the XOR of the characters between the first one and the "*" equals
// the hexadecimal value after it.
uint8_t VerifyChecksum(const SentenceContext &ctx);

// 0 only when checksums are verified and this one fails; 1 otherwise.
uint8_t ParseSentence(SentenceContext &ctx);

// The decode ParseSentence left to the caller (LastDeferred): the current
// sentence, of `kind`, into ctx's records and the values of its texts.
void DecodeDeferred(SentenceContext &ctx, SentenceKind kind);

} // namespace nmea
