// One decoder per sentence type: each walks CurrentSentence field by field and
// stores every value into its record as soon as it is read. 1 success, 0 failure.
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
