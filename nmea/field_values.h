// Readers of single fields of a sentence, where an empty field is absent. Each
// returns false for a field that is empty or not what it should be, and then
// leaves its result alone. The fix epochs read through them; the described
// records keep their own walk (field_readers.h), whose texts depend on it.
#pragma once

#include <cstdint>
#include <string_view>

namespace nmea {

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

struct CivilDate {
    int year = 0, month = 0, day = 0;
    bool Known() const { return year != 0; }
    bool operator==(const CivilDate &) const = default;
};

// Days since 1970-01-01 and back (proleptic Gregorian).
int64_t DaysFromCivil(CivilDate date);
CivilDate CivilFromDays(int64_t days);
// A day that the calendar has: 30 February is none.
bool IsCalendarDate(CivilDate date);

// The value of a hex digit, -1 for any other character.
int HexValue(char c);
// At most nine digits, no sign.
bool ParseInt(std::string_view s, int &value);
// "ddmmyy", a calendar date; two-digit years from 80 on are the 1900s.
bool ParseDdmmyy(std::string_view s, CivilDate &date);
// "ddmm.mmmm" and "N"/"S"; "dddmm.mmmm" and "E"/"W": signed degrees.
bool ParseLatitude(std::string_view degreesMinutes, std::string_view hemisphere, double &degrees);
bool ParseLongitude(std::string_view degreesMinutes, std::string_view hemisphere, double &degrees);
// "hhmmss[.sss]": milliseconds since midnight.
bool ParseTime(std::string_view hhmmss, int32_t &milliseconds);
// A decimal number, kept as written (a leading "+" dropped).
bool ParseNumber(std::string_view text, Number &number);

} // namespace nmea
