// Options of the batch converter beyond the plain document: a track line,
// altitude mode, leaving out invalid fixes and thinning. The plain document
// is written without any of them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "run.h"

namespace conversion {

struct TrackOptions {
    std::string altitudeMode; // "absolute", "relativeToGround"; empty writes none
    bool line = false;        // a LineString through all placemarks, after them
    std::string lineName;     // shown as the line's name (the log's file name)
    bool skipInvalid = false; // no placemark while RMC/GLL say V or GGA says no fix
    unsigned every = 1;       // write every N-th placemark, the first always

    bool Plain() const { return altitudeMode.empty() && !line && !skipInvalid && every <= 1; }
};

class TrackHook : public CycleHook {
  public:
    TrackHook(TrackOptions options, std::string_view colour);
    ~TrackHook() override;

    void WriteHeaderExtra(OutputBuffer &out) override;
    bool OnCycle(OutputBuffer &out, const nmea::NMEA_Manager &fix, const PlacemarkDate &date) override;
    bool WriteBeforeFooter(OutputBuffer &out) override;
    int Error() const override { return error_; }
    std::string ErrorText() const override;

  private:
    bool SpillCoordinates(const nmea::DataDisplay &display);

    TrackOptions options_;
    std::string colour_;
    uint64_t due_ = 0;
    uint64_t points_ = 0;
    // The line's coordinates wait in an unnamed temporary file, so that memory
    // stays constant however long the log is.
    int spill_ = -1;
    std::string spillFolder_;
    std::unique_ptr<class FdSink> spillSink_;
    std::unique_ptr<OutputBuffer> spillOut_;
    int error_ = 0;
};

// Text for XML character data: markup characters escaped, control bytes and
// invalid UTF-8 replaced by "?".
std::string XmlText(std::string_view text);

} // namespace conversion
