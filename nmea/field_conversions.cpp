#include "field_conversions.h"

namespace nmea {

PackedDate ConvertDate(int32_t value) {
    const auto v = static_cast<uint32_t>(value);
    const uint32_t day = v / 10000;
    const uint32_t month = (v - day * 10000) / 100;
    const uint32_t year = v - day * 10000 - month * 100;
    return PackDate(year, month, day);
}

} // namespace nmea
