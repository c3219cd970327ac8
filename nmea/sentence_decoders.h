// The one decoder of each sentence kind: the kind's fields, named and in
// order, one line per field, read once by a reader into one value. Both
// readings of a log use these: the placemark records read them with the
// walk of field_walker.h (a number read as the walk reads it, the walk
// stopping at the first field it cannot read, `read` counting those it
// could), the fix epochs with FieldTexts below (each field its text, empty
// meaning absent). What a reading makes of a field is its own business: the
// decoders only say which field is which.
// The decoders read as tables, one line per field: kept out of clang-format
// (a bare marker: clang-format 14 ignores one followed by a reason).
// clang-format off
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "sentence_fields.h"

namespace nmea {

// A reader R has three field types, R::Int, R::Real and R::Text; r(field)
// reads the next field into `field` and returns r; r.Name() passes over the
// sentence's name, for decoders that read it as a field; r.Appended(field)
// reads a field that later revisions of the standard put after the original
// ones and that the placemark records never read; r.AtEnd() tells whether
// the data fields end here; r.Checksum(sum) reads the "*hh"; r.Read() is
// how many fields it read (the checksum counts as one), r.Whole() whether
// that is all of them.

// What every decoder's value holds beside its fields.
struct Reading {
    uint8_t checksum = 0;
    uint8_t read = 0;   // fields read, the checksum counted
    bool whole = false; // every field read

    template <typename R> void Done(const R &r) {
        read = r.Read();
        whole = r.Whole();
    }
};

// $GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47
template <typename R> struct Gga : Reading {
    typename R::Real time;            //  1 UTC time hhmmss.ss
    typename R::Real latitude;        //  2 ddmm.mmmm
    typename R::Text northSouth;      //  3 N/S
    typename R::Real longitude;       //  4 dddmm.mmmm
    typename R::Text eastWest;        //  5 E/W
    typename R::Int quality;          //  6 fix quality, 0 no fix
    typename R::Int satellitesUsed;   //  7
    typename R::Real hdop;            //  8
    typename R::Real altitude;        //  9 above mean sea level
    typename R::Text altitudeUnit;    // 10 M
    typename R::Real geoidSeparation; // 11
    typename R::Text geoidUnit;       // 12 M
    typename R::Int dgpsAge;          // 13 seconds
    typename R::Int dgpsStation;      // 14

    // Inlined: left out of line, this longest walk costs a tenth more.
    [[gnu::always_inline]] explicit Gga(R r) {
        r(time)(latitude)(northSouth)(longitude)(eastWest)(quality)(satellitesUsed)(hdop)
         (altitude)(altitudeUnit)(geoidSeparation)(geoidUnit)(dgpsAge)(dgpsStation).Checksum(checksum);
        Done(r);
    }
};

// $GPGLL,4916.45,N,12311.12,W,225444,A,A*5C
template <typename R> struct Gll : Reading {
    typename R::Real latitude;   // 1 ddmm.mmmm
    typename R::Text northSouth; // 2 N/S
    typename R::Real longitude;  // 3 dddmm.mmmm
    typename R::Text eastWest;   // 4 E/W
    typename R::Real time;       // 5 UTC time hhmmss.ss
    typename R::Text status;     // 6 A valid, V invalid
    typename R::Text mode;       // 7 A autonomous, D differential, E estimated, N not valid, ...

    explicit Gll(R r) {
        r(latitude)(northSouth)(longitude)(eastWest)(time)(status).Appended(mode).Checksum(checksum);
        Done(r);
    }
};

// $GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A
template <typename R> struct Rmc : Reading {
    typename R::Real time;               //  1 UTC time hhmmss.ss
    typename R::Text status;             //  2 A valid, V invalid
    typename R::Real latitude;           //  3 ddmm.mmmm
    typename R::Text northSouth;         //  4 N/S
    typename R::Real longitude;          //  5 dddmm.mmmm
    typename R::Text eastWest;           //  6 E/W
    typename R::Real speed;              //  7 knots
    typename R::Real course;             //  8 degrees true
    typename R::Int date;                //  9 ddmmyy
    typename R::Real variation;          // 10 magnetic variation, degrees
    typename R::Text variationDirection; // 11 E/W

    explicit Rmc(R r) {
        r(time)(status)(latitude)(northSouth)(longitude)(eastWest)(speed)(course)(date)(variation)
         (variationDirection).Checksum(checksum);
        Done(r);
    }
};

// $GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1*39
template <typename R> struct Gsa : Reading {
    typename R::Text mode;               //  1 A automatic, M manual
    typename R::Int fixType;             //  2 1 none, 2 2D, 3 3D
    std::array<typename R::Int, 12> prn; //  3-14 satellites used
    typename R::Real pdop;               // 15
    typename R::Real hdop;               // 16
    typename R::Real vdop;               // 17
    typename R::Int system;              // 18 system id (1 GPS, 2 GLONASS, 3 Galileo, 4 BeiDou, ...)

    explicit Gsa(R r) {
        r.Name()(mode)(fixType);
        for (auto &p : prn) r(p);
        r(pdop)(hdop)(vdop).Appended(system).Checksum(checksum);
        Done(r);
    }
};

// $GPGSV,2,1,08,01,40,083,46,02,17,308,41,12,07,344,39,14,22,228,45*75
template <typename R> struct Gsv : Reading {
    struct Satellite {
        typename R::Int prn;
        typename R::Int elevation; // degrees, 90 at most
        typename R::Int azimuth;   // degrees true, 0-359
        typename R::Int snr;       // dB, 0-99
    };
    typename R::Int messages;          //  1 messages in the set
    typename R::Int number;            //  2 this message's number
    typename R::Int inView;            //  3 satellites in view
    std::array<Satellite, 4> satellites; // 4-7, 8-11, 12-15, 16-19: up to four
    uint8_t listed = 0;                // groups up to where the data fields end

    explicit Gsv(R r) {
        r(messages)(number)(inView);
        for (Satellite &s : satellites) {
            r(s.prn)(s.elevation)(s.azimuth)(s.snr);
            ++listed;
            if (r.AtEnd()) break;
        }
        r.Checksum(checksum);
        Done(r);
    }
};

// $GPVTG,054.7,T,034.4,M,005.5,N,010.2,K*48
template <typename R> struct Vtg : Reading {
    typename R::Real courseTrue;     // 1
    typename R::Text trueLetter;     // 2 T
    typename R::Real courseMagnetic; // 3
    typename R::Text magneticLetter; // 4 M
    typename R::Real speedKnots;     // 5
    typename R::Text knotsLetter;    // 6 N
    typename R::Real speedKmh;       // 7
    typename R::Text kmhLetter;      // 8 K

    explicit Vtg(R r) {
        r(courseTrue)(trueLetter)(courseMagnetic)(magneticLetter)(speedKnots)(knotsLetter)(speedKmh)
         (kmhLetter).Checksum(checksum);
        Done(r);
    }
};

// $GPRPT,4807.038,N,01131.000,E,545.4,022.4,084.4,230394,123519,3*6B
template <typename R> struct Rpt : Reading {
    typename R::Real latitude;   //  1 ddmm.mmmm
    typename R::Text northSouth; //  2 N/S
    typename R::Real longitude;  //  3 dddmm.mmmm
    typename R::Text eastWest;   //  4 E/W
    typename R::Real altitude;   //  5 metres
    typename R::Real speed;      //  6 knots
    typename R::Real course;     //  7 degrees
    typename R::Int date;        //  8 ddmmyy
    typename R::Real time;       //  9 UTC time hhmmss.ss
    typename R::Int fixMode;     // 10 2 2D, 3 3D

    explicit Rpt(R r) {
        r(latitude)(northSouth)(longitude)(eastWest)(altitude)(speed)(course)(date)(time)(fixMode)
         .Checksum(checksum);
        Done(r);
    }
};

// $GPGNS,122310.2,3722.425671,N,12258.856215,W,AAN,14,0.9,1005.543,6.5,,,V*0E
template <typename R> struct Gns : Reading {
    typename R::Real time;            //  1 UTC time hhmmss.ss
    typename R::Real latitude;        //  2 ddmm.mmmm
    typename R::Text northSouth;      //  3 N/S
    typename R::Real longitude;       //  4 dddmm.mmmm
    typename R::Text eastWest;        //  5 E/W
    typename R::Text modes;           //  6 one letter per constellation, N no fix
    typename R::Int satellitesUsed;   //  7
    typename R::Real hdop;            //  8
    typename R::Real altitude;        //  9 above mean sea level, metres
    typename R::Real geoidSeparation; // 10 metres

    explicit Gns(R r) {
        r(time)(latitude)(northSouth)(longitude)(eastWest)(modes)(satellitesUsed)(hdop)(altitude)
         (geoidSeparation).Checksum(checksum);
        Done(r);
    }
};

// $GPZDA,201530.00,04,07,2002,00,00*60
template <typename R> struct Zda : Reading {
    typename R::Real time;      // 1 UTC time hhmmss.ss
    typename R::Int day;        // 2
    typename R::Int month;      // 3
    typename R::Int year;       // 4 four digits
    typename R::Int zoneHours;  // 5 local zone
    typename R::Int zoneMinutes; // 6

    explicit Zda(R r) {
        r(time)(day)(month)(year)(zoneHours)(zoneMinutes).Checksum(checksum);
        Done(r);
    }
};

// $GPGST,172814.0,0.006,0.023,0.020,273.6,0.023,0.020,0.031*6A
template <typename R> struct Gst : Reading {
    typename R::Real time;        // 1 UTC time hhmmss.ss
    typename R::Real rms;         // 2 of the pseudorange residuals
    typename R::Real semiMajor;   // 3 error ellipse, metres
    typename R::Real semiMinor;   // 4
    typename R::Real orientation; // 5 degrees from true north
    typename R::Real sdLatitude;  // 6 metres
    typename R::Real sdLongitude; // 7
    typename R::Real sdAltitude;  // 8

    explicit Gst(R r) {
        r(time)(rms)(semiMajor)(semiMinor)(orientation)(sdLatitude)(sdLongitude)(sdAltitude).Checksum(checksum);
        Done(r);
    }
};

// The reader of the fix epochs: every field its text from the sentence
// layer, empty when the field is empty or the sentence has no such field.
// The checksum was checked before (ChecksumMatches); it is not read here.
class FieldTexts {
  public:
    using Int = std::string_view;
    using Real = std::string_view;
    using Text = std::string_view;

    explicit FieldTexts(const SentenceFields &fields) : fields_(&fields) {}

    FieldTexts &operator()(std::string_view &field) {
        field = (*fields_)[next_++];
        return *this;
    }
    FieldTexts &Name() {
        next_ = 1;
        return *this;
    }
    FieldTexts &Appended(std::string_view &field) { return (*this)(field); }
    FieldTexts &Checksum(uint8_t &) { return *this; }
    bool AtEnd() const { return next_ >= fields_->Count(); }
    uint8_t Read() const { return static_cast<uint8_t>(next_ - 1); }
    bool Whole() const { return true; }

  private:
    const SentenceFields *fields_;
    size_t next_ = 1;
};

} // namespace nmea
