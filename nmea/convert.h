// Number conversions shared by the decoders: positions, times, dates and
// fixed-point values.
#pragma once

#include <cstdint>

#include "fields.h"

namespace nmea {

// ddmm.mmmm or dddmm.mmmm into degrees x 100000; no range check.
double ConvertDegrees(double value);
// hhmmss.sss into a packed time; the fraction of the second is dropped.
PackedTime ConvertTime(double value);
// ddmmyy read as one integer into a packed date.
PackedDate ConvertDate(int32_t value);

// value x scale truncated toward zero, saturated into the field's range.
uint16_t ScaleToU16(double value, double scale);
int32_t ScaleToI32(double value, double scale);

} // namespace nmea
