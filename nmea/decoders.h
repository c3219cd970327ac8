// The placemark records' side of each sentence kind: the kind's decoder
// (sentence_decoders.h) reads CurrentSentence, these store its fields into the
// kind's record, those before a field the walk could not read included.
// 1 success, 0 failure.
#pragma once

#include <cstdint>

#include "records.h"

namespace nmea {

class SentenceContext;
using Decoder = uint8_t (*)(SentenceContext &ctx);

uint8_t ParseGGA(SentenceContext &ctx);
uint8_t ParseGLL(SentenceContext &ctx);
uint8_t ParseRMC(SentenceContext &ctx);
uint8_t ParseGSA(SentenceContext &ctx);
// 1 only for the message that completes its set.
uint8_t ParseGSV(SentenceContext &ctx);
uint8_t ParseVTG(SentenceContext &ctx);
uint8_t ParseRPT(SentenceContext &ctx);

void ClearSatellites(NMEA_GSV_Object &record);

} // namespace nmea
