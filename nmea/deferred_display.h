// Display texts written on demand. A conversion reads the texts only when a
// fix cycle closes, while most quantities arrive several times per cycle (the
// time and position in GGA and RMC, the speed in RMC and VTG) and many do not
// change at all from one cycle to the next. So the values are noted as they
// are decoded and formatted when asked for, and only when they changed.
// The texts come out exactly as if they had been formatted at once.
#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <type_traits>

#include "manager.h"
#include "records.h"
#include "sentence_kind.h"

namespace nmea {

class DeferredDisplay {
  public:
    // The kind's values, as UpdateDataDisplay would format them now.
    // PositionValid is not a text and is written at once.
    void Note(DataDisplay &display, const TObject &record, SentenceKind kind);
    // Formats the texts whose values changed since the last call. Nothing
    // else may write the texts in between.
    void Refresh(DataDisplay &display);
    // Whether a date text exists or is due.
    bool DateKnown(const DataDisplay &display) const { return date_.noted || !display.Date.empty(); }

  private:
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
        // True when the text must be formatted from `pending`.
        bool Take() {
            if (!noted) return false;
            noted = false;
            shown = pending;
            everShown = true;
            return true;
        }
    };

    friend struct NotedTexts;

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
        std::array<_GSV_SATELLITE, 12> pending{};
        std::array<_GSV_SATELLITE, 12> shown{};
        bool noted = false;
        bool everShown = false;
    } satellites_;
};

} // namespace nmea
