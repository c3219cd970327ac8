// Options of the batch converter beyond the plain document: a track line,
// altitude mode, leaving out invalid fixes and thinning. The plain document
// is written without any of them.
#pragma once

#include <string>

namespace conversion {

struct TrackOptions {
    std::string altitudeMode; // "absolute", "relativeToGround"; empty writes none
    bool line = false;        // a LineString through all placemarks, after them
    std::string lineName;     // shown as the line's name (the log's file name)
    bool skipInvalid = false; // no placemark while RMC/GLL say V or GGA says no fix
    unsigned every = 1;       // write every N-th placemark, the first always

    bool Plain() const { return altitudeMode.empty() && !line && !skipInvalid && every <= 1; }
};

} // namespace conversion
