// The current fix: the last record of every sentence type and the display
// texts that a placemark shows.
#pragma once

#include "data_display.h"
#include "deferred_display.h"
#include "records.h"

namespace nmea {

class NMEA_Manager {
  public:
    NMEA_GGA_Object GgaRecord;
    NMEA_GLL_Object GllRecord;
    NMEA_GSA_Object GsaRecord;
    NMEA_GSV_Object GsvRecord;
    NMEA_RMC_Object RmcRecord;
    NMEA_VTG_Object VtgRecord;
    NMEA_RPT_Object RptRecord;

    // The texts of the newest values. They are formatted here, and only those
    // whose value changed since the last call: the only way to the texts, so
    // no reader sees them stale. Formatting on read leaves the fix as it was,
    // hence const; like the rest of a conversion's state, for one thread.
    const DataDisplay &Display() const {
        if (pending_.Due()) pending_.Refresh(display_);
        return display_;
    }
    // Read per line, so they format nothing.
    uint8_t PositionValid() const { return pending_.PositionValid(); }
    bool DateKnown() const { return pending_.DateDue() || !display_.Date.empty(); }

    // Where a decode notes the values the texts are made of.
    DeferredDisplay &Pending() { return pending_; }

  private:
    mutable DeferredDisplay pending_;
    mutable DataDisplay display_;
};

} // namespace nmea
