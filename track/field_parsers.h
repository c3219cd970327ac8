// Readers of single fields of a sentence. Each returns false for a field that
// is empty or not what it should be, and then leaves its result alone.
#pragma once

#include <cstdint>
#include <string_view>

#include "epoch.h"

namespace track {

// The value of a hex digit, -1 for any other character.
int HexValue(char c);
// At most nine digits, no sign.
bool ParseInt(std::string_view s, int &value);
// "ddmmyy"; two-digit years from 80 on are the 1900s.
bool ParseDdmmyy(std::string_view s, CivilDate &date);
// "ddmm.mmmm" and "N"/"S"; "dddmm.mmmm" and "E"/"W": signed degrees.
bool ParseLatitude(std::string_view degreesMinutes, std::string_view hemisphere, double &degrees);
bool ParseLongitude(std::string_view degreesMinutes, std::string_view hemisphere, double &degrees);
// "hhmmss[.sss]": milliseconds since midnight.
bool ParseTime(std::string_view hhmmss, int32_t &milliseconds);
// A decimal number, kept as written (a leading "+" dropped).
bool ParseNumber(std::string_view text, Number &number);

} // namespace track
