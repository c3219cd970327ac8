// The one line per log that sentrova-convert prints.
#pragma once

#include <string>

#include "conversion/run.h"

namespace cli {

std::string DescribeOutcome(const std::string &log, const std::string &target,
                            const conversion::ConversionOutcome &outcome);

bool Succeeded(const conversion::ConversionOutcome &outcome);

} // namespace cli
