// One fix epoch: everything a log says about one UTC time, kept at the
// precision the receiver wrote it.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace track {

// A number as the log wrote it: the value and its digits, so that writers
// can copy the receiver's own text instead of a rounded one.
struct Number {
    static constexpr size_t kMaxText = 15;
    char text[kMaxText] = {};
    uint8_t length = 0; // 0: absent

    bool Known() const { return length > 0; }
    std::string_view Text() const { return {text, length}; }
    // The value, read from the text when asked: most numbers are only copied.
    double Value() const;
    // A whole number of at most nine digits without sign or point, else -1.
    long Count() const;
};

// The constellations whose satellites in view are counted separately.
enum class System : uint8_t { Gps, Glonass, Galileo, BeiDou, Qzss, NavIC, Combined, Count };
inline constexpr size_t kSystems = static_cast<size_t>(System::Count);

struct CivilDate {
    int year = 0, month = 0, day = 0;
    bool Known() const { return year != 0; }
    bool operator==(const CivilDate &) const = default;
};

struct Epoch {
    int32_t timeMs = -1; // milliseconds since midnight UTC; -1 before any timed sentence
    CivilDate date;      // from RMC, else ZDA, else carried over or rolled past midnight

    bool hasPosition = false;
    double latitude = 0, longitude = 0; // degrees, south and west negative
    uint64_t positionLine = 0;          // the log line the position came from
    char talker[2] = {};                // of that line
    Number altitude, geoidSeparation;

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
    bool Valid() const { return hasPosition && timeMs >= 0 && date.Known() && status != 'V' && quality != 0; }
    int TotalInView() const {
        int total = -1;
        for (int n : inView) {
            if (n >= 0) total = (total < 0 ? 0 : total) + n;
        }
        return total;
    }
};

// Days since 1970-01-01 and back (proleptic Gregorian).
int64_t DaysFromCivil(CivilDate date);
CivilDate CivilFromDays(int64_t days);

} // namespace track
