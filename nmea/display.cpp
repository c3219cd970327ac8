#include "display.h"

#include <cstring>
#include <string_view>

#include "number_text.h"

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
    if (text.size() == size && size >= 4 && size <= 16) {
        // Two overlapping fixed-size copies cover any length in the range.
        char *to = text.data();
        if (size >= 8) {
            std::memcpy(to, chars, 8);
            std::memcpy(to + size - 8, chars + size - 8, 8);
        } else {
            std::memcpy(to, chars, 4);
            std::memcpy(to + size - 4, chars + size - 4, 4);
        }
    } else if (text.size() == size && size >= 1 && size <= 3) {
        char *to = text.data();
        to[0] = chars[0];
        to[size / 2] = chars[size / 2];
        to[size - 1] = chars[size - 1];
    } else {
        text.assign(chars, size);
    }
}

void AssignFixed(std::string &text, std::string_view prefix, double value, int decimals,
                 std::string_view suffix = {}) {
    char buf[kNumberTextSize + 32];
    char *p = buf;
    for (char c : prefix) *p++ = c;
    p = PutFixed(p, value, decimals);
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

void FormatPosition(DataDisplay &display, double latitude, double longitude) {
    const double lat = latitude * 0.00001;
    const double lon = longitude * 0.00001;
    if (lat >= 0) AssignFixed(display.Latitude, "N ", lat, 6);
    else AssignFixed(display.Latitude, "S ", -lat, 6);
    if (lon >= 0) AssignFixed(display.Longitude, "E ", lon, 6);
    else AssignFixed(display.Longitude, "W ", -lon, 6);
}

void FormatUtcTime(DataDisplay &display, PackedTime time) {
    int hour, minute;
    float seconds;
    UnpackTime(time, hour, minute, seconds);
    char buf[32] = "GMT: ";
    char *p = buf + 5;
    p = PutInt2(p, hour);
    *p++ = ':';
    p = PutInt2(p, minute);
    *p++ = ':';
    p = PutInt2(p, static_cast<long>(seconds));
    Store(display.UtcTime, buf, static_cast<size_t>(p - buf));
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

void FormatSpeedCourse(DataDisplay &display, uint16_t speed, uint16_t course) {
    float s = speed;
    if (s != 0) {
        s = static_cast<float>(s * kTenth);
        s = static_cast<float>(s * kKnotsToMetresPerSecond);
    }
    s = s * kMetresPerSecondToKmh;
    AssignFixed(display.Speed, {}, s, 1, " km/hr    ");
    float c = course;
    if (c != 0) c = static_cast<float>(c * kTenth);
    AssignFixed(display.Course, {}, c, 1);
}

void FormatAltitude(DataDisplay &display, int32_t altitude) {
    float a = static_cast<float>(altitude);
    if (a != 0) a = static_cast<float>(a * 0.00001);
    AssignFixed(display.Altitude, {}, a, 1);
}

void FormatHdop(DataDisplay &display, uint16_t hdop) {
    AssignFixed(display.HDOP, {}, static_cast<float>(hdop * 0.0001), 2);
}

void FormatGsa(DataDisplay &display, const NMEA_GSA_Object &gsa) {
    const std::string_view mode = FixModeText(gsa.Message.FixType);
    Store(display.FixMode, mode.data(), mode.size());
    AssignFixed(display.PDOP, {}, static_cast<float>(gsa.Message.Pdop * 0.0001), 2);
    AssignFixed(display.VDOP, {}, static_cast<float>(gsa.Message.Vdop * 0.0001), 2);
    FormatHdop(display, gsa.Message.Hdop);
}

void FormatRptMode(DataDisplay &display, const NMEA_RPT_Object &rpt) {
    const std::string_view mode = FixModeText(rpt.Message.FixMode);
    Store(display.FixMode, mode.data(), mode.size());
}

void FormatSatellites(DataDisplay &display, const NMEA_GSV_Object &gsv) {
    for (size_t i = 0; i < gsv.Message.Satellites.size(); ++i) {
        const _GSV_SATELLITE &sat = gsv.Message.Satellites[i];
        AssignInt(display.SatPrn[i], sat.Prn);
        AssignInt(display.SatSnr[i], sat.Snr);
        AssignInt(display.SatElevation[i], sat.Elevation);
        AssignInt(display.SatAzimuth[i], sat.Azimuth);
    }
}

void UpdateDataDisplay(NMEA_Manager &manager, const TObject &record, SentenceKind kind) {
    DataDisplay &d = manager.Display;
    switch (kind) {
    case SentenceKind::GPGGA: {
        const auto &m = static_cast<const NMEA_GGA_Object &>(record).Message;
        FormatHdop(d, m.Spc.Hdop);
        FormatAltitude(d, m.Spc.Altitude);
        FormatUtcTime(d, m.UtcTime);
        FormatPosition(d, m.Latitude, m.Longitude);
        break;
    }
    case SentenceKind::GPGLL: {
        const auto &m = static_cast<const NMEA_GLL_Object &>(record).Message;
        FormatUtcTime(d, m.UtcTime);
        FormatPosition(d, m.Latitude, m.Longitude);
        d.PositionValid = m.Status;
        break;
    }
    case SentenceKind::GPGSA:
        FormatGsa(d, static_cast<const NMEA_GSA_Object &>(record));
        break;
    case SentenceKind::GPGSV:
        FormatSatellites(d, static_cast<const NMEA_GSV_Object &>(record));
        break;
    case SentenceKind::GPRMC: {
        const auto &m = static_cast<const NMEA_RMC_Object &>(record).Message;
        FormatSpeedCourse(d, m.Speed, m.Course);
        FormatDate(d, m.Date);
        FormatUtcTime(d, m.UtcTime);
        FormatPosition(d, m.Latitude, m.Longitude);
        d.PositionValid = m.Status;
        break;
    }
    case SentenceKind::GPVTG: {
        const auto &m = static_cast<const NMEA_VTG_Object &>(record).Message;
        FormatSpeedCourse(d, m.SpeedKnots, m.CourseTrue);
        break;
    }
    case SentenceKind::GPRPT: {
        const auto &rpt = static_cast<const NMEA_RPT_Object &>(record);
        FormatRptMode(d, rpt);
        FormatSpeedCourse(d, rpt.Message.Speed, rpt.Message.Course);
        FormatAltitude(d, rpt.Message.Altitude);
        FormatDate(d, rpt.Message.Date);
        FormatUtcTime(d, rpt.Message.UtcTime);
        FormatPosition(d, rpt.Message.Latitude, rpt.Message.Longitude);
        break;
    }
    default:
        break;
    }
}

} // namespace nmea
