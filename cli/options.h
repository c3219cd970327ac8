// What the user asked sentrova-convert to do.
#pragma once

#include <string>
#include <vector>

#include "conversion/conversion_options.h"
#include "conversion/track_options.h"

namespace cli {

struct BatchOptions {
    std::vector<std::string> logs;
    std::string output; // only with one log; "-" is standard output
    conversion::ConversionOptions conversion;
    conversion::TrackOptions track;
    bool force = false;
    unsigned jobs = 0; // 0: one per processor
    bool quiet = false;
};

// Parses argv. Returns -1 to go on, otherwise the exit status for --help,
// --version or a usage error (whose message has been printed).
int ParseArguments(int argc, char **argv, BatchOptions &options);

} // namespace cli
