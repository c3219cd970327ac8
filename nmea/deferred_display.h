// Display texts written on demand. A conversion reads the texts only when a
// fix cycle closes, while most quantities arrive several times per cycle (the
// time and position in GGA and RMC, the speed in RMC and VTG) and many do not
// change at all from one cycle to the next. So the values are noted as they
// are decoded and formatted when asked for, and only when they changed.
#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <type_traits>

#include "data_display.h"
#include "packed_time.h"
#include "records.h"

namespace nmea {

class DeferredDisplay {
  public:
    void Time(PackedTime x) { Note(time_, x); }
    void Date(PackedDate x) { Note(date_, x); }
    void Position(double latitude, double longitude) {
        Note(latitude_, latitude);
        Note(longitude_, longitude);
    }
    void Speed(uint16_t x) { Note(speed_, x); }
    void Course(uint16_t x) { Note(course_, x); }
    void Altitude(int32_t x) { Note(altitude_, x); }
    void Hdop(uint16_t x) { Note(hdop_, x); }
    void Pdop(uint16_t x) { Note(pdop_, x); }
    void Vdop(uint16_t x) { Note(vdop_, x); }
    // The text depends only on whether the mode is 2, 3 or anything else.
    void FixMode(uint8_t x) { Note(fixMode_, static_cast<uint8_t>(x == 2 || x == 3 ? x : 0)); }
    void Satellites(const std::array<GSV_SATELLITE, 12> &satellites) {
        satellites_.pending = satellites;
        satellites_.noted = true;
        due_ = true;
    }
    // Not a text: kept as it comes, and copied into the display on refresh.
    void PositionValid(uint8_t x) {
        positionValid_ = x;
        due_ = true;
    }

    uint8_t PositionValid() const { return positionValid_; }
    bool DateDue() const { return date_.noted; }
    // Whether anything was noted since the last Refresh.
    bool Due() const { return due_; }
    // Formats the texts whose values changed since the last call. Nothing
    // else may write the texts in between.
    void Refresh(DataDisplay &display);
    // Every value but the satellites as last noted, and which were ever
    // noted: what a copy that formats its own texts, on another thread, needs
    // to show what this one would, when that thread decodes the satellites.
    struct Noted {
        double latitude, longitude;
        PackedTime time;
        PackedDate date;
        int32_t altitude;
        uint16_t speed, course, hdop, pdop, vdop;
        uint8_t fixMode, positionValid;
        uint16_t ever; // one bit per value, in the order above (positionValid is always taken)
    };
    Noted NotedValues() const;
    // Notes each value `from` was ever given. Only the newest value decides a
    // text, so notes in between are not missed.
    void NoteAll(const Noted &from);

  private:
    // The values in Noted's order: `each(value, field)` for each.
    template <typename Self, typename NotedT, typename Each> static void ForEachValue(Self &d, NotedT &n, Each each);
    template <typename T> struct Value {
        T pending{};
        T shown{};
        bool noted = false; // pending differs from shown or shown was never formatted
        bool everShown = false;
        void Set(T v) {
            pending = v;
            noted = !everShown || !Same(v, shown);
        }
        static bool Same(T a, T b) {
            if constexpr (std::is_floating_point_v<T>) return std::bit_cast<uint64_t>(a) == std::bit_cast<uint64_t>(b);
            else return a == b;
        }
        bool EverNoted() const { return noted || everShown; }
        // Whether the text must be formatted from `pending`; counts it as
        // shown, so it answers true once per change.
        bool IsDue() {
            if (!noted) return false;
            noted = false;
            shown = pending;
            everShown = true;
            return true;
        }
    };
    template <typename T> void Note(Value<T> &value, T x) {
        value.Set(x);
        due_ = true;
    }

    bool due_ = false;
    uint8_t positionValid_ = 0;
    Value<PackedTime> time_;
    Value<PackedDate> date_;
    Value<double> latitude_;
    Value<double> longitude_;
    Value<uint16_t> speed_;
    Value<uint16_t> course_;
    Value<int32_t> altitude_;
    Value<uint16_t> hdop_;
    Value<uint16_t> pdop_;
    Value<uint16_t> vdop_;
    Value<uint8_t> fixMode_;
    // The satellites always arrive as a whole set: noted in one copy, and
    // compared value by value only when the texts are asked for.
    struct Satellites {
        std::array<GSV_SATELLITE, 12> pending{};
        std::array<GSV_SATELLITE, 12> shown{};
        bool noted = false;
        bool everShown = false;
    } satellites_;
};

} // namespace nmea
