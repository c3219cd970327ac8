// Why a conversion gave no placemark, in the words both faces show.
#pragma once

#include <string>

#include "conversion_outcome.h"

namespace conversion {

// The first thing missing on the way from a line to a placemark.
std::string WhyNoPlacemark(const ConversionCounts &counts);

} // namespace conversion
