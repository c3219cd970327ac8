// One fix epoch: everything a log says about one UTC time, kept at the
// precision the receiver wrote it.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "nmea/field_values.h"
#include "nmea/sentence_fields.h"

namespace track {

// The sentence layer's values: numbers as written, calendar dates.
using nmea::CivilDate;
using nmea::Number;

// The constellations whose satellites in view are counted separately.
using System = nmea::Constellation;
inline constexpr size_t kSystems = static_cast<size_t>(System::Count);

struct Epoch {
    int32_t timeMs = -1; // milliseconds since midnight UTC; -1 before any timed sentence
    CivilDate date;      // from RMC, else ZDA, else carried over or rolled past midnight

    bool hasPosition = false;
    double latitude = 0, longitude = 0; // degrees, south and west negative
    uint64_t positionLine = 0;          // the log line the position came from
    char talker[2] = {};                // of that line
    Number altitude, geoidSeparation;

    // A sentence of the epoch says there is no fix: GGA quality 0, RMC status
    // V, GLL status other than A or mode N or V, GNS modes all N.
    bool noFix = false;
    int quality = -1; // GGA fix quality 0..8; -1 without GGA
    char status = 0;  // RMC or GLL status 'A' or 'V'; 0 without either
    int gsaMode = 0;  // GSA 1 no fix, 2 2D, 3 3D; 0 without GSA
    Number satsUsed;  // GGA's count
    int gsaUsed = -1; // satellites listed as used by the epoch's GSA sentences
    Number hdop, vdop, pdop;
    Number speedKnots, course;
    Number dgpsAge, dgpsStation;
    Number sdLatitude, sdLongitude, sdAltitude; // GST, metres

    // Satellites in view per constellation (the latest GSV set); -1 unknown.
    std::array<int, kSystems> inView{};

    // A position with a time and a date, not marked invalid by the receiver.
    bool Valid() const { return hasPosition && timeMs >= 0 && date.Known() && !noFix; }
    int TotalInView() const {
        int total = -1;
        for (int n : inView) {
            if (n >= 0) total = (total < 0 ? 0 : total) + n;
        }
        return total;
    }
};

// Days since 1970-01-01 and back (proleptic Gregorian).
using nmea::CivilFromDays;
using nmea::DaysFromCivil;

} // namespace track
