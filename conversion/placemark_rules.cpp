#include "placemark_rules.h"

#include "nmea/data_display.h"

namespace conversion {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int TwoDigits(std::string_view s, size_t at) { return (s[at] - '0') * 10 + (s[at + 1] - '0'); }

// "H d.dddddd" (H a hemisphere letter, d.dddddd possibly signed) whose number is zero.
bool ReadsZero(std::string_view text) {
    if (text == "0.00") return true;
    if (text.size() < 3 || text[1] != ' ') return false;
    std::string_view number = text.substr(2);
    if (!number.empty() && (number.front() == '-' || number.front() == '+')) number.remove_prefix(1);
    return number == "0.000000";
}

// "DD/DD/DD" at `at` of `text` of exactly that length: its three numbers.
bool ReadTriple(std::string_view text, size_t at, char separator, int &a, int &b, int &c) {
    if (text.size() != at + 8) return false;
    for (size_t i = 0; i < 8; ++i) {
        const bool digit = i % 3 != 2;
        if (digit ? !IsDigit(text[at + i]) : text[at + i] != separator) return false;
    }
    a = TwoDigits(text, at);
    b = TwoDigits(text, at + 3);
    c = TwoDigits(text, at + 6);
    return true;
}

bool IsLeap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysIn(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

// Seconds of the day of a "GMT: hh:mm:ss" text; -1 for any other text.
long ClockSeconds(std::string_view text) {
    int h, m, s;
    if (text.substr(0, 5) != "GMT: " || !ReadTriple(text, 5, ':', h, m, s)) return -1;
    return h * 3600L + m * 60L + s;
}

} // namespace

bool HasPosition(const nmea::DataDisplay &display) {
    return !(ReadsZero(display.Latitude) && ReadsZero(display.Longitude));
}

PlacemarkDate DateOfPlacemark(std::string_view date, std::string_view utcTime, std::string_view clockWithDate) {
    PlacemarkDate result;
    int yy, month, day;
    if (date.substr(0, 6) != "DATE: " || !ReadTriple(date, 6, '/', yy, month, day)) {
        result.calendar = false;
        return result;
    }
    const int year = 2000 + yy;
    if (month < 1 || month > 12 || day < 1 || day > DaysIn(year, month)) {
        result.calendar = false;
        return result;
    }
    const long now = ClockSeconds(utcTime);
    const long dated = ClockSeconds(clockWithDate);
    constexpr long kHalfDay = 43200;
    if (now < 0 || dated < 0 || now >= dated - kHalfDay) return result;
    result.nextDay = true;
    result.year = year;
    result.month = month;
    result.day = day + 1;
    if (result.day > DaysIn(year, month)) {
        result.day = 1;
        if (++result.month > 12) {
            result.month = 1;
            ++result.year;
        }
    }
    return result;
}

} // namespace conversion
