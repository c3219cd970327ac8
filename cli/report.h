// The one line per log that sentrova-convert prints.
#pragma once

#include <string>

#include "conversion/conversion_options.h"
#include "conversion/conversion_outcome.h"

namespace cli {

std::string DescribeOutcome(const std::string &log, const std::string &target,
                            const conversion::ConversionOutcome &outcome);

// The document's format as messages name it: KML, GPX, CSV, KMZ or KML track.
std::string DocumentKind(const conversion::ConversionOptions &options);

bool Succeeded(const conversion::ConversionOutcome &outcome);

// A file name for a line of text: control characters as \n, \t, \r or \xHH,
// so that one log stays one line.
std::string EscapedName(const std::string &name);

} // namespace cli
