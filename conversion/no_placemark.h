// Why a conversion gave no placemark, in the words both faces show.
#pragma once

#include <cstdint>
#include <string>

#include "conversion_outcome.h"

namespace conversion {

// The first thing missing on the way from a line to a placemark, as a value
// that each face words in its user's language.
enum class NoPlacemarkReason : uint8_t {
    Compressed,          // no sentence, and the log starts like a compressed file
    NoSentence,          // no sentence recognised
    NoTimedSentence,     // epoch documents: nothing that carries a time
    OnlyOtherTalkers,    // fixes only from other talkers
    NoCycleStart,        // no RMC, GGA, GLL or RPT
    NoValidPosition,     // never a valid position
    NoDate,              // placemarks: no date
    NoDateGiveOne,       // epoch documents: no date, --date would give one
    NoCycleWithPosition, // every cycle lacked a position
    NoUsableDate,        // epoch documents: the dates seen were no dates
    LeftOutByOptions,    // every fix left out by the options
};

NoPlacemarkReason WhyNoPlacemarkReason(const ConversionCounts &counts);
// "GN 427, GL 3": the other talkers heard and their sentences; empty for none.
std::string OtherTalkers(const ConversionCounts &counts);
// Whether the reason is followed by the other talkers heard, when there are some.
bool NamesOtherTalkers(NoPlacemarkReason reason);
// The reason in the batch converter's words.
std::string WhyNoPlacemark(const ConversionCounts &counts);

} // namespace conversion
