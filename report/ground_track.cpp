// The ground track drawing.
#include <GeographicLib/LocalCartesian.hpp>
#include <algorithm>
#include <cmath>
#include <vector>

#include "html.h"
#include "text.h"

namespace report {

namespace {

struct Projected {
    double x, y;
    Quality quality;
    bool segmentStart;
};

// The longest of 1, 2 or 5 times a power of ten metres not above `metres`.
double RoundLength(double metres) {
    const double power = std::pow(10.0, std::floor(std::log10(metres)));
    for (const double f : {5.0, 2.0, 1.0}) {
        if (f * power <= metres) return f * power;
    }
    return power;
}

std::string Length(double metres) {
    return metres >= 1000 ? Fixed(metres / 1000, 0) + " km" : Fixed(metres, metres < 1 ? 1 : 0) + " m";
}

} // namespace

std::string GroundTrackSvg(const LogReport &report, int widthPx, int heightPx) {
    const double w = std::max(widthPx, 120), h = std::max(heightPx, 120);
    std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Fixed(w, 0) + "\" height=\"" +
                      Fixed(h, 0) + "\" viewBox=\"0 0 " + Fixed(w, 0) + " " + Fixed(h, 0) +
                      "\" font-family=\"sans-serif\" font-size=\"12\">\n"
                      "<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n";
    if (!report.HasLastPoint()) {
        svg += "<text x=\"" + Fixed(w / 2, 0) + "\" y=\"" + Fixed(h / 2, 0) +
               "\" text-anchor=\"middle\" fill=\"#555555\">No fix in this log</text>\n</svg>\n";
        return svg;
    }
    // A local tangent plane at the middle of the track: metres east and north.
    const double lat0 = (report.MinLatitude() + report.MaxLatitude()) / 2;
    const double lon0 = (report.MinLongitude() + report.MaxLongitude()) / 2;
    const GeographicLib::LocalCartesian frame(lat0, lon0, 0, GeographicLib::Geocentric::WGS84());
    std::vector<Projected> points;
    points.reserve(report.Track().size() + 1);
    const auto project = [&](const TrackPoint &p) {
        double x = 0, y = 0, z = 0;
        frame.Forward(p.latitude, p.longitude, 0, x, y, z);
        points.push_back({x, y, p.quality, p.segmentStart});
    };
    for (const TrackPoint &p : report.Track()) project(p);
    const TrackPoint &last = report.LastPoint();
    const bool lastKept = !report.Track().empty() && report.Track().back().latitude == last.latitude &&
                          report.Track().back().longitude == last.longitude;
    if (!lastKept) project(last);

    double minX = INFINITY, maxX = -INFINITY, minY = INFINITY, maxY = -INFINITY;
    for (const Projected &p : points) {
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
    }
    const double margin = 28, bottom = 36; // room for the scale bar
    const double spanX = std::max(maxX - minX, 1.0), spanY = std::max(maxY - minY, 1.0);
    const double scale = std::min((w - 2 * margin) / spanX, (h - margin - bottom) / spanY);
    const double offsetX = margin + ((w - 2 * margin) - spanX * scale) / 2;
    const double offsetY = margin + ((h - margin - bottom) - spanY * scale) / 2;
    const auto px = [&](double x) { return Fixed(offsetX + (x - minX) * scale, 1); };
    const auto py = [&](double y) { return Fixed(offsetY + (maxY - y) * scale, 1); };

    // One polyline per stretch of one quality within a segment; a change of
    // quality continues from the point before, so that the line stays whole.
    bool used[kQualities] = {};
    size_t i = 0;
    while (i < points.size()) {
        const Quality q = points[i].quality;
        used[static_cast<size_t>(q)] = true;
        size_t j = i + 1;
        while (j < points.size() && !points[j].segmentStart && points[j].quality == q) ++j;
        const size_t from = i > 0 && !points[i].segmentStart ? i - 1 : i;
        if (j - from >= 2) {
            svg += "<polyline fill=\"none\" stroke=\"" + std::string(QualityColour(q)) +
                   "\" stroke-width=\"2\" stroke-linejoin=\"round\" points=\"";
            for (size_t k = from; k < j; ++k) {
                if (k > from) svg += ' ';
                svg += px(points[k].x) + "," + py(points[k].y);
            }
            svg += "\"/>\n";
        }
        i = j;
    }
    const Projected &start = points.front(), &end = points.back();
    svg += "<circle cx=\"" + px(start.x) + "\" cy=\"" + py(start.y) +
           "\" r=\"6\" fill=\"#00a000\" stroke=\"#ffffff\" stroke-width=\"1.5\"><title>start</title></circle>\n";
    svg += "<rect x=\"" + Fixed(offsetX + (end.x - minX) * scale - 5, 1) + "\" y=\"" +
           Fixed(offsetY + (maxY - end.y) * scale - 5, 1) +
           "\" width=\"10\" height=\"10\" fill=\"#d00000\" stroke=\"#ffffff\" "
           "stroke-width=\"1.5\"><title>end</title></rect>\n";

    // Scale bar, bottom left: a round length of at most a quarter of the width.
    const double bar = RoundLength((w / 4) / scale);
    const double barPx = bar * scale, bx = margin, by = h - 14;
    svg += "<path d=\"M" + Fixed(bx, 1) + "," + Fixed(by - 6, 1) + " v6 h" + Fixed(barPx, 1) +
           " v-6\" fill=\"none\" "
           "stroke=\"#000000\" stroke-width=\"1.5\"/>\n<text x=\"" +
           Fixed(bx + barPx + 6, 1) + "\" y=\"" + Fixed(by, 1) + "\">" + Length(bar) + "</text>\n";
    // North arrow, top right: north is up on the tangent plane.
    const double ax = w - margin, ay = 10;
    svg += "<path d=\"M" + Fixed(ax, 1) + "," + Fixed(ay, 1) +
           " l7,20 l-7,-5 l-7,5 z\" fill=\"#000000\"/>\n"
           "<text x=\"" +
           Fixed(ax, 1) + "\" y=\"" + Fixed(ay + 34, 1) + "\" text-anchor=\"middle\">N</text>\n";
    // Legend of the qualities drawn.
    double lx = margin, ly = 16;
    for (size_t q = 0; q < kQualities; ++q) {
        if (!used[q]) continue;
        const auto quality = static_cast<Quality>(q);
        svg += "<rect x=\"" + Fixed(lx, 0) + "\" y=\"" + Fixed(ly - 9, 0) + "\" width=\"10\" height=\"10\" fill=\"" +
               std::string(QualityColour(quality)) + "\"/><text x=\"" + Fixed(lx + 14, 0) + "\" y=\"" + Fixed(ly, 0) +
               "\">" + std::string(QualityName(quality)) + "</text>\n";
        lx += 24 + 7.0 * static_cast<double>(QualityName(quality).size());
    }
    svg += "</svg>\n";
    return svg;
}

} // namespace report
