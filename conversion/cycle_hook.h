// Extensions of the plain document (batch converter options). Without a hook
// the run writes exactly the plain document.
#pragma once

#include <string>

// Declared only: a unit that names a hook need not read the sentence layer.
namespace nmea {
class NMEA_Manager;
}

namespace conversion {

class OutputBuffer;
struct PlacemarkDate;

class CycleHook {
  public:
    virtual ~CycleHook() = default;
    // Extra header lines, written after the icon style.
    virtual void WriteHeaderExtra(OutputBuffer &out) { (void)out; }
    // A fix cycle with a position has closed: write its placemark, on `date`,
    // or not; true when written.
    virtual bool OnCycle(OutputBuffer &out, const nmea::NMEA_Manager &fix, const PlacemarkDate &date) = 0;
    // Extra lines before the footer; false when they could not be produced.
    virtual bool WriteBeforeFooter(OutputBuffer &out) {
        (void)out;
        return true;
    }
    // The system's error number when WriteBeforeFooter failed.
    virtual int Error() const { return 0; }
    // What failed, for the message: by default the system's text for Error().
    virtual std::string ErrorText() const;
};

} // namespace conversion
