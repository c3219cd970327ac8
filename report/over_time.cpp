// The series over time: one chart per series on one UTC axis, each time
// bucket drawn from its smallest to its largest value, gaps shaded.
#include <algorithm>
#include <cmath>
#include <vector>

#include "chart.h"
#include "sections.h"
#include "text.h"

namespace report {

namespace {

constexpr double kWidth = 960, kLeft = 64, kRight = 12, kHeight = 130, kTop = 10, kBottom = 22;

struct Axis {
    const LogReport &report;
    size_t used;        // buckets from the first to the last with data
    double bucketWidth; // px
    double X(size_t bucket) const { return kLeft + (static_cast<double>(bucket) + 0.5) * bucketWidth; }
    double XAt(int64_t ms) const {
        const double t = static_cast<double>(ms - report.BucketOriginMs()) / static_cast<double>(report.BucketMs());
        return std::clamp(kLeft + t * bucketWidth, kLeft, kWidth - kRight);
    }
};

bool Any(const LogReport &report, Series s) {
    for (const Bucket &b : report.Buckets()) {
        if (b.min[s] <= b.max[s]) return true;
    }
    return false;
}

std::string Open(const Axis &axis, std::string_view title) {
    std::string svg = "<figure>\n<figcaption>" + std::string(title) +
                      "</figcaption>\n"
                      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"960\" height=\"130\" viewBox=\"0 0 960 130\" "
                      "font-family=\"sans-serif\" font-size=\"11\">\n";
    // The gaps between fixes, shaded.
    for (const Event &e : axis.report.Events()) {
        if (e.kind != EventKind::Gap) continue;
        const double x0 = axis.XAt(e.atMs), x1 = axis.XAt(e.untilMs);
        svg += "<rect x=\"" + Fixed(x0, 1) + "\" y=\"" + Fixed(kTop, 0) + "\" width=\"" +
               Fixed(std::max(x1 - x0, 1.0), 1) + "\" height=\"" + Fixed(kHeight - kTop - kBottom, 0) +
               "\" fill=\"#eeeeee\"><title>gap of " + Duration(e.value) + "</title></rect>\n";
    }
    // The time axis.
    const double y = kHeight - kBottom;
    svg += "<path d=\"M" + Fixed(kLeft, 0) + "," + Fixed(y, 0) + " H" + Fixed(kWidth - kRight, 0) +
           "\" stroke=\"#888888\"/>\n";
    const int64_t span = static_cast<int64_t>(axis.used) * axis.report.BucketMs();
    for (int k = 0; k <= 4; ++k) {
        int64_t at = axis.report.BucketOriginMs() + span * k / 4;
        if (span >= 20'000) at -= at % 1000; // whole seconds where they tell apart the ticks
        svg += SvgText(kLeft + (kWidth - kLeft - kRight) * k / 4.0, y + 14, ClockTime(at),
                       k == 0   ? "start"
                       : k == 4 ? "end"
                                : "middle");
    }
    return svg;
}

// The value scale of a chart: its labels and the mapping to pixels.
struct Scale {
    double low, high;
    double Y(double v) const {
        return kTop + (kHeight - kTop - kBottom) * (high > low ? (high - v) / (high - low) : 0.5);
    }
};

std::string Labels(const Scale &s, int decimals) {
    // Enough digits that the three labels differ.
    const double range = s.high - s.low;
    decimals = std::max(decimals, range < 0.2 ? 3 : range < 2 ? 2 : range < 20 ? 1 : 0);
    std::string svg;
    for (const double v : {s.low, (s.low + s.high) / 2, s.high}) {
        svg += SvgText(kLeft - 6, s.Y(v) + 4, Fixed(v, decimals), "end");
        svg += "<path d=\"M" + Fixed(kLeft, 0) + "," + Fixed(s.Y(v), 1) + " H" + Fixed(kWidth - kRight, 0) +
               "\" stroke=\"#dddddd\"/>\n";
    }
    return svg;
}

Scale ScaleOf(const LogReport &report, std::initializer_list<Series> series, double factor, bool fromZero) {
    double low = INFINITY, high = -INFINITY;
    for (const Bucket &b : report.Buckets()) {
        for (const Series s : series) {
            if (b.min[s] > b.max[s]) continue;
            low = std::min(low, b.min[s] * factor);
            high = std::max(high, b.max[s] * factor);
        }
    }
    if (fromZero) low = std::min(low, 0.0);
    if (high - low < 1e-9) {
        low -= 1;
        high += 1;
    }
    return {low, high};
}

// Each bucket a vertical stroke from its smallest to its largest value.
std::string Band(const Axis &axis, Series s, double factor, const Scale &scale, std::string_view colour) {
    std::string d;
    for (size_t i = 0; i < axis.used; ++i) {
        const Bucket &b = axis.report.Buckets()[i];
        if (b.min[s] > b.max[s]) continue;
        const double y0 = scale.Y(b.max[s] * factor), y1 = scale.Y(b.min[s] * factor);
        d += "M" + Fixed(axis.X(i), 1) + "," + Fixed(y0 - 1, 1) + "V" + Fixed(y1 + 1, 1);
    }
    return "<path fill=\"none\" stroke=\"" + std::string(colour) + "\" stroke-width=\"" +
           Fixed(std::max(axis.bucketWidth, 1.5), 2) + "\" d=\"" + d + "\"/>\n";
}

// A line through each bucket's largest value, broken where a bucket has none.
std::string Line(const Axis &axis, Series s, const Scale &scale, std::string_view colour, std::string_view name) {
    std::string d;
    bool open = false;
    for (size_t i = 0; i < axis.used; ++i) {
        const Bucket &b = axis.report.Buckets()[i];
        if (b.min[s] > b.max[s]) {
            open = false;
            continue;
        }
        d += (open ? "L" : "M") + Fixed(axis.X(i), 1) + "," + Fixed(scale.Y(b.max[s]), 1);
        open = true;
    }
    return "<path fill=\"none\" stroke=\"" + std::string(colour) + "\" stroke-width=\"1.5\" d=\"" + d + "\"><title>" +
           std::string(name) + "</title></path>\n";
}

std::string Legend(std::initializer_list<std::pair<std::string_view, std::string_view>> entries) {
    std::string svg;
    double x = kLeft + 8;
    for (const auto &[name, colour] : entries) {
        svg += "<rect x=\"" + Fixed(x, 0) + "\" y=\"12\" width=\"10\" height=\"3\" fill=\"" + std::string(colour) +
               "\"/>" + SvgText(x + 14, 17, name);
        x += 22 + 7.0 * static_cast<double>(name.size());
    }
    return svg;
}

constexpr std::string_view kSystemColours[] = {"#1f77b4", "#d62728", "#2ca02c", "#ff7f0e", "#9467bd", "#8c564b"};
constexpr std::string_view kSystemNames[] = {"GPS", "GLONASS", "Galileo", "BeiDou", "QZSS", "NavIC"};

} // namespace

bool HasSeries(const LogReport &report) {
    return std::any_of(report.Buckets().begin(), report.Buckets().end(), [](const Bucket &b) { return b.any; });
}

void OverTimeSection(std::string &out, const LogReport &report) {
    size_t used = 0;
    for (size_t i = 0; i < report.Buckets().size(); ++i) {
        if (report.Buckets()[i].any) used = i + 1;
    }
    const Axis axis{report, used, (kWidth - kLeft - kRight) / static_cast<double>(used)};
    out += "<section id=\"over-time\">\n<h2>Over time</h2>\n<p>UTC from " + UtcTime(report.BucketOriginMs()) +
           "; each column spans " + Duration(static_cast<double>(report.BucketMs()) / 1000) +
           " and is drawn from its smallest to its largest value; gaps are shaded.</p>\n";
    const auto single = [&](Series s, double factor, std::string_view title, std::string_view colour, int decimals,
                            bool fromZero) {
        if (!Any(report, s)) return;
        const Scale scale = ScaleOf(report, {s}, factor, fromZero);
        out +=
            Open(axis, title) + Labels(scale, decimals) + Band(axis, s, factor, scale, colour) + "</svg>\n</figure>\n";
    };
    single(kAltitude, 1, "Altitude (m)", "#8c564b", 0, false);
    single(kSpeed, 3.6, "Speed (km/h)", "#1f77b4", 0, true);
    single(kSatsUsed, 1, "Satellites used", "#2ca02c", 0, true);

    bool anyInView = false;
    for (size_t i = 0; i < 6; ++i) anyInView = anyInView || Any(report, static_cast<Series>(kInView0 + i));
    if (anyInView) {
        const Scale scale = ScaleOf(report,
                                    {Series(kInView0), Series(kInView0 + 1), Series(kInView0 + 2), Series(kInView0 + 3),
                                     Series(kInView0 + 4), Series(kInView0 + 5)},
                                    1, true);
        std::string svg = Open(axis, "Satellites in view per constellation") + Labels(scale, 0);
        double x = kLeft + 8;
        for (size_t i = 0; i < 6; ++i) {
            const auto s = static_cast<Series>(kInView0 + i);
            if (!Any(report, s)) continue;
            svg += Line(axis, s, scale, kSystemColours[i], kSystemNames[i]);
            svg += "<rect x=\"" + Fixed(x, 0) + "\" y=\"12\" width=\"10\" height=\"3\" fill=\"" +
                   std::string(kSystemColours[i]) + "\"/>" + SvgText(x + 14, 17, kSystemNames[i]);
            x += 22 + 7.0 * static_cast<double>(kSystemNames[i].size());
        }
        out += svg + "</svg>\n</figure>\n";
    }
    if (Any(report, kHdop) || Any(report, kVdop) || Any(report, kPdop)) {
        const Scale scale = ScaleOf(report, {kHdop, kVdop, kPdop}, 1, true);
        std::string svg = Open(axis, "Dilution of precision (largest per column)") + Labels(scale, 1);
        if (Any(report, kPdop)) svg += Line(axis, kPdop, scale, "#9467bd", "PDOP");
        if (Any(report, kVdop)) svg += Line(axis, kVdop, scale, "#ff7f0e", "VDOP");
        if (Any(report, kHdop)) svg += Line(axis, kHdop, scale, "#1f77b4", "HDOP");
        svg += Legend({{"HDOP", "#1f77b4"}, {"VDOP", "#ff7f0e"}, {"PDOP", "#9467bd"}});
        out += svg + "</svg>\n</figure>\n";
    }

    // The fix-quality band: each column in its most frequent class, red without a fix.
    std::string svg = Open(axis, "Fix quality");
    for (size_t i = 0; i < used; ++i) {
        const Bucket &b = report.Buckets()[i];
        if (!b.any) continue;
        const auto most = static_cast<size_t>(std::max_element(b.quality.begin(), b.quality.end()) - b.quality.begin());
        const bool fix = b.quality[most] > 0 && b.quality[most] >= b.noFix;
        const std::string name = fix ? std::string(QualityName(static_cast<Quality>(most))) : "no fix";
        svg += "<rect x=\"" + Fixed(axis.X(i) - axis.bucketWidth / 2, 2) + "\" y=\"40\" width=\"" +
               Fixed(axis.bucketWidth + 0.05, 2) + "\" height=\"40\" fill=\"" +
               std::string(fix ? QualityColour(static_cast<Quality>(most)) : "#d62728") + "\" data-v=\"" +
               ClockTime(report.BucketOriginMs() + static_cast<int64_t>(i) * report.BucketMs()) + " " + name + "\"/>\n";
    }
    out += svg + "</svg>\n</figure>\n</section>\n";
}

} // namespace report
