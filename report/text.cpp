#include "text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "nmea/field_values.h"

namespace report {

std::string Fixed(double value, int decimals) {
    if (!std::isfinite(value)) return "0";
    char buffer[64];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    std::string text = error == std::errc() ? std::string(buffer, end) : "0";
    if (text[0] == '-' && text.find_first_not_of("-0.") == std::string::npos) text.erase(0, 1);
    return text;
}

namespace {
std::string TwoDigits(int64_t n) {
    return std::string(1, static_cast<char>('0' + n / 10)) + static_cast<char>('0' + n % 10);
}
} // namespace

std::string ClockTime(int64_t ms) {
    const int64_t inDay = ((ms % 86'400'000) + 86'400'000) % 86'400'000;
    const int64_t s = inDay / 1000;
    std::string text = TwoDigits(s / 3600) + ":" + TwoDigits(s / 60 % 60) + ":" + TwoDigits(s % 60);
    if (inDay % 1000 != 0) {
        const auto m = static_cast<int>(inDay % 1000);
        text += '.';
        text += static_cast<char>('0' + m / 100);
        text += static_cast<char>('0' + m / 10 % 10);
        text += static_cast<char>('0' + m % 10);
    }
    return text;
}

std::string UtcTime(int64_t ms) {
    const int64_t days = ms >= 0 ? ms / 86'400'000 : (ms - 86'399'999) / 86'400'000;
    const nmea::CivilDate d = nmea::CivilFromDays(days);
    return std::to_string(d.year) + "-" + TwoDigits(d.month) + "-" + TwoDigits(d.day) + " " + ClockTime(ms) + " UTC";
}

std::string Duration(double seconds) {
    if (seconds < 60) return Fixed(seconds, seconds == std::floor(seconds) ? 0 : 1) + " s";
    const auto whole = static_cast<int64_t>(std::llround(seconds));
    const int64_t h = whole / 3600, m = whole / 60 % 60, s = whole % 60;
    if (h == 0) return std::to_string(m) + " min " + TwoDigits(s) + " s";
    return std::to_string(h) + " h " + TwoDigits(m) + " min " + TwoDigits(s) + " s";
}

std::string Distance(double metres) {
    return metres < 1000 ? Fixed(metres, 1) + " m" : Fixed(metres / 1000, 3) + " km";
}

std::string HtmlEscaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string JsonString(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20 || c == '<' || c == '>' || c == '&') {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", u);
            out += escape;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

} // namespace report

#include "chart.h"

namespace report {

std::string Cn0Colour(int cn0) {
    if (cn0 <= 0) return "#bbbbbb";
    // 15 dB-Hz and below red, 30 yellow, 45 and above green.
    const double t = std::clamp((cn0 - 15) / 30.0, 0.0, 1.0);
    const int r = t < 0.5 ? 215 : static_cast<int>(215 - (t - 0.5) * 2 * 189);
    const int g = t < 0.5 ? static_cast<int>(48 + t * 2 * 152) : static_cast<int>(200 - (t - 0.5) * 2 * 48);
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", r, g, 39);
    return text;
}

std::string SvgText(double x, double y, std::string_view text, std::string_view anchor, std::string_view extra) {
    std::string svg = "<text x=\"" + Fixed(x, 1) + "\" y=\"" + Fixed(y, 1) + "\"";
    if (anchor != "start") svg += " text-anchor=\"" + std::string(anchor) + "\"";
    if (!extra.empty()) svg += " " + std::string(extra);
    return svg + ">" + HtmlEscaped(text) + "</text>\n";
}

} // namespace report
