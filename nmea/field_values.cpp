#include "field_values.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "short_copy.h"

namespace nmea {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool AllDigits(std::string_view s) {
    for (char c : s) {
        if (!IsDigit(c)) return false;
    }
    return !s.empty();
}

int Digits2(std::string_view s, size_t at) { return (s[at] - '0') * 10 + (s[at + 1] - '0'); }

// [+-]digits[.digits] or [+-].digits; nothing else. In one pass: every
// number of every sentence of the epochs is checked here.
bool WellFormedNumber(std::string_view s) {
    size_t i = !s.empty() && (s[0] == '-' || s[0] == '+') ? 1 : 0;
    bool digits = false, point = false;
    for (; i < s.size(); ++i) {
        if (IsDigit(s[i])) {
            digits = true;
        } else if (s[i] == '.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    return digits;
}

// "digits[.digits]" of at most 15 digits. The digits as a whole number and
// the power of ten under them are both exact in a double, so one division
// gives the correctly rounded value, as a full decimal reader does, at a
// fraction of its cost. False for anything else.
bool ShortDecimal(std::string_view s, double &value) {
    static constexpr double kTens[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                       1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    if (s.empty() || s.size() > 16) return false;
    uint64_t whole = 0; // at most 16 digits: no overflow before the count is checked
    size_t point = s.size();
    for (size_t i = 0; i < s.size(); ++i) {
        const auto digit = static_cast<unsigned>(static_cast<unsigned char>(s[i])) - '0';
        if (digit <= 9) {
            whole = whole * 10 + digit;
        } else if (s[i] != '.' || point != s.size()) {
            return false;
        } else {
            point = i;
        }
    }
    const bool hasPoint = point != s.size();
    const size_t digits = s.size() - hasPoint;
    if (digits == 0 || digits > 15) return false;
    value = static_cast<double>(whole) / kTens[hasPoint ? s.size() - point - 1 : 0];
    return true;
}

// Degrees and minutes: the last two digits before the point are minutes. The
// point, when there is one, stands at `pointAt`. One pass over the digits.
bool ParseAngle(std::string_view field, std::string_view hemisphere, char positive, char negative, double limit,
                size_t pointAt, double &degrees) {
    size_t point = 0;
    while (point < field.size() && IsDigit(field[point])) ++point;
    if (point < field.size() && (field[point] != '.' || point != pointAt)) return false;
    // At least one digit of degrees, at most nine.
    if (point < 3 || point - 2 > 9) return false;
    int wholeDegrees = 0;
    for (size_t i = 0; i + 2 < point; ++i) wholeDegrees = wholeDegrees * 10 + (field[i] - '0');
    const std::string_view minutesText = field.substr(point - 2);
    double minutes = 0;
    if (!ShortDecimal(minutesText, minutes)) {
        const auto [end, error] = std::from_chars(minutesText.data(), minutesText.data() + minutesText.size(), minutes);
        if (error != std::errc() || end != minutesText.data() + minutesText.size()) return false;
    }
    if (minutes >= 60) return false;
    const double value = wholeDegrees + minutes / 60;
    if (value > limit) return false;
    if (hemisphere.size() != 1) return false;
    if (hemisphere[0] == negative) {
        degrees = -value;
    } else if (hemisphere[0] == positive) {
        degrees = value;
    } else {
        return false;
    }
    return true;
}

} // namespace

int HexValue(char c) {
    if (IsDigit(c)) return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool ParseInt(std::string_view s, int &value) {
    if (s.empty() || s.size() > 9) return false;
    // Nine digits cannot overflow; a library call costs more than the digits.
    int v = 0;
    for (const char c : s) {
        if (!IsDigit(c)) return false;
        v = v * 10 + (c - '0');
    }
    value = v;
    return true;
}

bool ParseDdmmyy(std::string_view s, CivilDate &date) {
    if (s.size() != 6 || !AllDigits(s)) return false;
    const int day = Digits2(s, 0), month = Digits2(s, 2), yy = Digits2(s, 4);
    // Two-digit years: the receivers of this format appeared in the 1980s.
    const CivilDate read = {yy >= 80 ? 1900 + yy : 2000 + yy, month, day};
    if (!IsCalendarDate(read)) return false;
    date = read;
    return true;
}

bool IsCalendarDate(CivilDate date) {
    static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (date.month < 1 || date.month > 12 || date.day < 1 || date.day > kDays[date.month - 1]) return false;
    const bool leap = (date.year % 4 == 0 && date.year % 100 != 0) || date.year % 400 == 0;
    return date.month != 2 || date.day <= 28 || leap;
}

int64_t DaysFromCivil(CivilDate date) {
    // Howard Hinnant's days_from_civil.
    const int64_t y = date.year - (date.month <= 2);
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (date.month + (date.month > 2 ? -3 : 9)) + 2) / 5 + date.day - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

CivilDate CivilFromDays(int64_t z) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    return {static_cast<int>(yoe + era * 400 + (month <= 2)), month, day};
}

bool ParseLatitude(std::string_view field, std::string_view hemisphere, double &degrees) {
    return ParseAngle(field, hemisphere, 'N', 'S', 90, 4, degrees);
}

bool ParseLongitude(std::string_view field, std::string_view hemisphere, double &degrees) {
    return ParseAngle(field, hemisphere, 'E', 'W', 180, 5, degrees);
}

bool ParseTime(std::string_view s, int32_t &ms) {
    if (s.size() < 6 || !AllDigits(s.substr(0, 6))) return false;
    const int h = Digits2(s, 0), m = Digits2(s, 2), sec = Digits2(s, 4);
    if (h > 23 || m > 59 || sec > 60) return false;
    int fraction = 0;
    if (s.size() > 6) {
        if (s[6] != '.') return false;
        const std::string_view digits = s.substr(7);
        if (!digits.empty() && !AllDigits(digits)) return false;
        // Milliseconds, rounded at the fourth digit.
        for (size_t i = 0; i < 3; ++i) fraction = fraction * 10 + (i < digits.size() ? digits[i] - '0' : 0);
        fraction += digits.size() > 3 && digits[3] >= '5';
    }
    // A leap second is shown as the last millisecond of its minute; so is a
    // time that rounds up to the next day, which this line does not date.
    ms = sec == 60 ? ((h * 60 + m) * 60 + 59) * 1000 + 999 : ((h * 60 + m) * 60 + sec) * 1000 + fraction;
    ms = std::min(ms, 86'399'999);
    return true;
}

bool ParseNumber(std::string_view s, Number &number) {
    if (!WellFormedNumber(s)) return false;
    if (s[0] == '+') s.remove_prefix(1);
    if (s.size() > Number::kMaxText) return false;
    CopyShort(number.text, s.data(), s.size());
    number.length = static_cast<uint8_t>(s.size());
    return true;
}

double Number::Value() const {
    std::string_view s = Text();
    const bool negative = !s.empty() && s[0] == '-';
    if (double value = 0; ShortDecimal(s.substr(negative ? 1 : 0), value)) return negative ? -value : value;
    // from_chars takes no bare ".5".
    char buffer[kMaxText + 2];
    size_t n = 0;
    if (!s.empty() && s[0] == '-') {
        buffer[n++] = '-';
        s.remove_prefix(1);
    }
    if (!s.empty() && s[0] == '.') buffer[n++] = '0';
    std::memcpy(buffer + n, s.data(), s.size());
    double value = 0;
    std::from_chars(buffer, buffer + n + s.size(), value);
    return value;
}

long Number::Count() const {
    int value = 0;
    return ParseInt(Text(), value) ? value : -1;
}

} // namespace nmea
