#include "epoch_fields.h"

#include <algorithm>
#include <cmath>

#include "nmea/number_text.h"

namespace conversion {

static_assert(kFieldTextSize >= nmea::kNumberTextSize);

using track::Epoch;
using track::Number;

void PutDegrees(OutputBuffer &out, double degrees) {
    char text[nmea::kNumberTextSize];
    out.Append(std::string_view(text, static_cast<size_t>(nmea::PutFixed(text, degrees, 9) - text)));
}

void PutInt(OutputBuffer &out, long value) {
    char text[24];
    out.Append(std::string_view(text, static_cast<size_t>(nmea::PutInt(text, value) - text)));
}

bool WholeCount(const Number &n, long &value) {
    value = n.Count();
    return value >= 0;
}

long SatsUsed(const Epoch &e) {
    long n = -1;
    if (WholeCount(e.satsUsed, n)) return n;
    return e.gsaUsed;
}

std::string_view PlainNumber(const Number &n, char (&text)[kFieldTextSize]) {
    if (!n.Known()) return {};
    const char *s = n.text;
    const char *const end = n.text + n.length;
    char *p = text;
    if (*s == '-') *p++ = *s++;
    while (s < end && *s == '0') ++s;
    if (s == end || *s == '.') *p++ = '0';
    while (s < end) *p++ = *s++;
    if (p[-1] == '.') --p; // a point with no digits after it
    return {text, static_cast<size_t>(p - text)};
}

void PutNumber(OutputBuffer &out, const Number &n) {
    char text[kFieldTextSize];
    out.Append(PlainNumber(n, text));
}

std::string_view SpeedMps(const Number &knots, char (&text)[kFieldTextSize]) {
    if (!knots.Known()) return {};
    const double mps = knots.Value() * (1852.0 / 3600.0) + 0.0; // no "-0.000" from "-0.0"
    if (!(mps >= 0)) return {};
    // A millimetre a second: finer than the last digit of any receiver's knots.
    return {text, static_cast<size_t>(nmea::PutFixed(text, mps, 3) - text)};
}

std::string_view CourseDegrees(const Number &course, char (&text)[kFieldTextSize]) {
    if (!course.Known()) return {};
    const double value = course.Value();
    if (value >= 0 && value < 360) return PlainNumber(course, text);
    // Some receivers write 360 for north, or a signed angle: the same
    // direction in range, at the log's own number of decimals.
    const std::string_view s = course.Text();
    const size_t point = s.find('.');
    const int decimals =
        point == std::string_view::npos ? 0 : static_cast<int>(std::min<size_t>(s.size() - point - 1, 9));
    const double scale = std::pow(10.0, decimals);
    double turned = std::round(std::fmod(std::fmod(value, 360.0) + 360.0, 360.0) * scale) / scale;
    if (turned >= 360) turned = 0;
    return {text, static_cast<size_t>(nmea::PutFixed(text, turned, decimals) - text)};
}

void PutIsoTime(OutputBuffer &out, const Epoch &e) {
    char text[32];
    char *p = text;
    p = nmea::PutInt2(p, e.date.year / 100);
    p = nmea::PutInt2(p, e.date.year % 100);
    *p++ = '-';
    p = nmea::PutInt2(p, e.date.month);
    *p++ = '-';
    p = nmea::PutInt2(p, e.date.day);
    *p++ = 'T';
    const int32_t ms = e.timeMs;
    p = nmea::PutInt2(p, ms / 3'600'000);
    *p++ = ':';
    p = nmea::PutInt2(p, ms / 60'000 % 60);
    *p++ = ':';
    p = nmea::PutInt2(p, ms / 1000 % 60);
    *p++ = '.';
    const int32_t fraction = ms % 1000;
    *p++ = static_cast<char>('0' + fraction / 100);
    *p++ = static_cast<char>('0' + fraction / 10 % 10);
    *p++ = static_cast<char>('0' + fraction % 10);
    *p++ = 'Z';
    out.Append(std::string_view(text, static_cast<size_t>(p - text)));
}

void PutCsvField(OutputBuffer &out, std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
        out.Append(text);
        return;
    }
    out.Append('"');
    for (char c : text) {
        if (c == '"') out.Append('"');
        out.Append(c);
    }
    out.Append('"');
}

std::string_view GpxFix(const Epoch &e) {
    switch (e.quality) {
    case 2:
    case 4: // RTK fixed and float are differential solutions
    case 5: return "dgps";
    case 3: return "pps";
    case 6:
    case 7:
    case 8: return {}; // estimated, manual or simulated: no fix type of GPX fits
    default: break;
    }
    if (e.gsaMode == 2) return "2d";
    if (e.gsaMode == 3) return "3d";
    return {};
}

} // namespace conversion
