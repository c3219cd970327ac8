// The batch converter's extensions of the plain document, as a cycle hook:
// the track options applied to each closing cycle, and the track line.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "byte_io.h"
#include "cycle_hook.h"
#include "nmea/data_display.h"
#include "track_options.h"

namespace conversion {

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

} // namespace conversion
