// Numbers, times and escapes as the report writes them, the same in every locale.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace report {

// `value` with `decimals` digits after the point; "-0" never.
std::string Fixed(double value, int decimals);
// Milliseconds since 1970 as "2024-05-01 12:34:56 UTC", with ".sss" when not whole seconds.
std::string UtcTime(int64_t ms);
// The time of day alone, "12:34:56".
std::string ClockTime(int64_t ms);
// "1 h 02 min 03 s", "4 min 05 s", "12.5 s".
std::string Duration(double seconds);
// Metres as "850 m" or "12.34 km".
std::string Distance(double metres);
// For text and attribute values.
std::string HtmlEscaped(std::string_view text);
// A JSON string literal with its quotes; "<" escaped so that it cannot end a script element.
std::string JsonString(std::string_view text);

} // namespace report
