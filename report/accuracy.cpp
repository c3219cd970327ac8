// Accuracy: the fixes of the stationary stretches around their means, with
// the circles that hold half of them, 95 % of them, and twice the RMS.
#include <algorithm>
#include <cmath>

#include "chart.h"
#include "sections.h"
#include "text.h"

namespace report {

namespace {
constexpr size_t kDrawn = 2000; // fixes drawn at most: the figures use all kept
constexpr double kSize = 480, kCentre = kSize / 2, kRadius = 210;
} // namespace

void AccuracySection(std::string &out, const LogReport &report) {
    const Summary &s = report.Figures();
    out += "<section id=\"accuracy\">\n<h2>Accuracy</h2>\n";
    if (s.cep50 >= 0) {
        out += "<p>" + std::to_string(s.stationaryFixes) + " fixes in " + std::to_string(s.stationaryStretches) +
               (s.stationaryStretches == 1 ? " stationary stretch" : " stationary stretches") +
               " (at least a minute within 25 m of its mean), each around its own mean.</p>\n<table>\n"
               "<tr><th>CEP50</th><td class=\"n\">" +
               Fixed(s.cep50, 3) +
               " m</td></tr>\n"
               "<tr><th>CEP95</th><td class=\"n\">" +
               Fixed(s.cep95, 3) +
               " m</td></tr>\n"
               "<tr><th>2DRMS</th><td class=\"n\">" +
               Fixed(s.drms2, 3) + " m</td></tr>\n</table>\n";
        const double extent = std::max({s.cep95, s.drms2, 0.01}) * 1.15, scale = kRadius / extent;
        out +=
            "<figure>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"480\" height=\"480\" viewBox=\"0 0 480 480\" "
            "font-family=\"sans-serif\" font-size=\"11\">\n"
            "<path d=\"M30,240H450M240,30V450\" stroke=\"#dddddd\"/>\n";
        const auto &r = report.Residuals();
        const size_t step = std::max<size_t>(1, (r.size() + kDrawn - 1) / kDrawn);
        std::string d;
        for (size_t i = 0; i < r.size(); i += step) {
            const double x = kCentre + r[i][0] * scale, y = kCentre - r[i][1] * scale;
            if (x < 0 || x > kSize || y < 0 || y > kSize) continue;
            d += "M" + Fixed(x, 1) + "," + Fixed(y, 1) + "h0.1";
        }
        out += "<path d=\"" + d + "\" stroke=\"#1f77b4\" stroke-width=\"3\" stroke-linecap=\"round\" fill=\"none\"/>\n";
        const struct {
            const char *name;
            double radius;
            const char *colour;
            double angle; // of its label, so that close circles keep theirs apart
        } circles[] = {{"CEP50", s.cep50, "#2ca02c", 0.785},
                       {"CEP95", s.cep95, "#ff7f0e", 0.35},
                       {"2DRMS", s.drms2, "#d62728", 1.2}};
        for (const auto &c : circles) {
            out +=
                "<circle cx=\"240\" cy=\"240\" r=\"" + Fixed(c.radius * scale, 1) + "\" fill=\"none\" stroke=\"" +
                c.colour + "\" stroke-width=\"1.5\" data-v=\"" + c.name + " " + Fixed(c.radius, 3) + " m\"><title>" +
                c.name + " " + Fixed(c.radius, 3) + " m</title></circle>\n" +
                SvgText(240 + c.radius * scale * std::cos(c.angle) + 3, 240 - c.radius * scale * std::sin(c.angle) - 3,
                        std::string(c.name) + " " + Fixed(c.radius, 2) + " m", "start",
                        std::string("fill=\"") + c.colour + "\"");
        }
        out += SvgText(240, 22, "north", "middle") + SvgText(458, 244, "east") +
               SvgText(12, 472, "metres from the mean; full scale " + Fixed(extent, 2) + " m");
        out += "</svg>\n</figure>\n";
    } else {
        out += "<p>The log has no stationary stretch.</p>\n";
    }
    if (s.sigmaLatitude >= 0 || s.sigmaLongitude >= 0 || s.sigmaAltitude >= 0) {
        const auto sigma = [](double v) { return v >= 0 ? Fixed(v, 3) + " m" : std::string("not given"); };
        out += "<p>The receiver's own error estimates (GST), mean over the fixes:</p>\n<table>\n"
               "<tr><th>sigma latitude</th><td class=\"n\">" +
               sigma(s.sigmaLatitude) +
               "</td></tr>\n"
               "<tr><th>sigma longitude</th><td class=\"n\">" +
               sigma(s.sigmaLongitude) +
               "</td></tr>\n"
               "<tr><th>sigma altitude</th><td class=\"n\">" +
               sigma(s.sigmaAltitude) + "</td></tr>\n</table>\n";
    }
    out += "</section>\n";
}

} // namespace report
