#include "epoch_fields.h"

#include "nmea/number_text.h"

namespace conversion {

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
