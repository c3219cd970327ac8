#include "display_format.h"

#include <cstring>
#include <string_view>

#include "number_text.h"
#include "short_copy.h"

namespace nmea {
namespace {

// The two factors of the speed are extended precision and every product is
// stored back as a single-precision real: the displayed digits depend on it.
constexpr long double kTenth = 0.1L;
constexpr long double kKnotsToMetresPerSecond = 0.5144346789207884L;
constexpr float kMetresPerSecondToKmh = 3.6f;

// A text of the same length is overwritten in place: most values keep their
// width from one second to the next, and this skips the general assign.
void Store(std::string &text, const char *chars, size_t size) {
    if (text.size() == size && size <= 16) CopyShort(text.data(), chars, size);
    else text.assign(chars, size);
}

// The decimals are a constant so that the split into whole part and fraction
// divides by a constant (a multiplication) instead of a hardware division.
template <int Decimals>
void AssignFixed(std::string &text, std::string_view prefix, double value, std::string_view suffix = {}) {
    char buf[kNumberTextSize + 32];
    char *p = buf;
    for (char c : prefix) *p++ = c;
    p = PutFixed(p, value, Decimals);
    for (char c : suffix) *p++ = c;
    Store(text, buf, static_cast<size_t>(p - buf));
}

void AssignInt(std::string &text, long value) {
    char buf[24];
    if (value >= 0 && value < 1000) { // satellite numbers, angles and SNRs
        const auto v = static_cast<int>(value);
        size_t n = 0;
        if (v >= 100) buf[n++] = static_cast<char>('0' + v / 100);
        if (v >= 10) buf[n++] = static_cast<char>('0' + v / 10 % 10);
        buf[n++] = static_cast<char>('0' + v % 10);
        Store(text, buf, n);
        return;
    }
    Store(text, buf, static_cast<size_t>(PutInt(buf, value) - buf));
}

std::string_view FixModeText(uint8_t mode) {
    if (mode == 3) return "3D";
    if (mode == 2) return "2D";
    return "NON Fix";
}

} // namespace

void FormatLatitude(DataDisplay &display, double latitude) {
    const double v = latitude * 0.00001;
    if (v >= 0) AssignFixed<6>(display.Latitude, "N ", v);
    else AssignFixed<6>(display.Latitude, "S ", -v);
}

void FormatLongitude(DataDisplay &display, double longitude) {
    const double v = longitude * 0.00001;
    if (v >= 0) AssignFixed<6>(display.Longitude, "E ", v);
    else AssignFixed<6>(display.Longitude, "W ", -v);
}

size_t PutUtcTimeText(char *out, PackedTime time) {
    int hour, minute;
    float seconds;
    UnpackTime(time, hour, minute, seconds);
    std::memcpy(out, "GMT: ", 5);
    char *p = out + 5;
    p = PutInt2(p, hour);
    *p++ = ':';
    p = PutInt2(p, minute);
    *p++ = ':';
    p = PutInt2(p, static_cast<long>(seconds));
    return static_cast<size_t>(p - out);
}

void FormatUtcTime(DataDisplay &display, PackedTime time) {
    char buf[kUtcTimeTextSize];
    Store(display.UtcTime, buf, PutUtcTimeText(buf, time));
}

void FormatDate(DataDisplay &display, PackedDate date) {
    int year, month, day;
    UnpackDate(date, year, month, day);
    char buf[32] = "DATE: ";
    char *p = buf + 6;
    p = PutInt2(p, year);
    *p++ = '/';
    p = PutInt2(p, month);
    *p++ = '/';
    p = PutInt2(p, day);
    Store(display.Date, buf, static_cast<size_t>(p - buf));
}

void FormatSpeed(DataDisplay &display, uint16_t speed) {
    float s = speed;
    if (s != 0) {
        s = static_cast<float>(s * kTenth);
        s = static_cast<float>(s * kKnotsToMetresPerSecond);
    }
    s = s * kMetresPerSecondToKmh;
    AssignFixed<1>(display.Speed, {}, s, " km/hr    ");
}

void FormatCourse(DataDisplay &display, uint16_t course) {
    float c = course;
    if (c != 0) c = static_cast<float>(c * kTenth);
    AssignFixed<1>(display.Course, {}, c);
}

void FormatAltitude(DataDisplay &display, int32_t altitude) {
    float a = static_cast<float>(altitude);
    if (a != 0) a = static_cast<float>(a * 0.00001);
    AssignFixed<1>(display.Altitude, {}, a);
}

void FormatHdop(DataDisplay &display, uint16_t hdop) {
    AssignFixed<2>(display.HDOP, {}, static_cast<float>(hdop * 0.0001));
}

void FormatPdop(DataDisplay &display, uint16_t pdop) {
    AssignFixed<2>(display.PDOP, {}, static_cast<float>(pdop * 0.0001));
}

void FormatVdop(DataDisplay &display, uint16_t vdop) {
    AssignFixed<2>(display.VDOP, {}, static_cast<float>(vdop * 0.0001));
}

void FormatFixMode(DataDisplay &display, uint8_t mode) {
    const std::string_view text = FixModeText(mode);
    Store(display.FixMode, text.data(), text.size());
}

void FormatSatelliteValue(std::string &text, long value) { AssignInt(text, value); }

} // namespace nmea
