// The sky: every satellite's path by elevation and azimuth, coloured by its
// signal, one marker shape per system; and its signal, mean and largest.
#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "chart.h"
#include "sections.h"
#include "text.h"

namespace report {

namespace {

constexpr double kSize = 520, kCentre = kSize / 2, kRadius = 220;

// A marker of the system's shape around (x, y).
std::string Marker(Sky sky, double x, double y, const std::string &fill, const std::string &hover) {
    const std::string at = Fixed(x, 1) + "," + Fixed(y, 1);
    std::string d;
    switch (sky) {
    case Sky::Gps: d = "M" + Fixed(x - 3.5, 1) + "," + Fixed(y, 1) + "a3.5,3.5 0 1,0 7,0a3.5,3.5 0 1,0 -7,0"; break;
    case Sky::Glonass: d = "M" + Fixed(x - 3, 1) + "," + Fixed(y - 3, 1) + "h6v6h-6z"; break;
    case Sky::Galileo: d = "M" + Fixed(x, 1) + "," + Fixed(y - 4, 1) + "l4,4l-4,4l-4,-4z"; break;
    case Sky::BeiDou: d = "M" + Fixed(x, 1) + "," + Fixed(y - 4, 1) + "l4,7h-8z"; break;
    case Sky::Qzss: d = "M" + Fixed(x, 1) + "," + Fixed(y + 4, 1) + "l4,-7h-8z"; break;
    case Sky::Sbas: d = "M" + Fixed(x - 4, 1) + "," + Fixed(y - 1.5, 1) + "h8v3h-8z"; break;
    case Sky::NavIC: d = "M" + Fixed(x - 4, 1) + "," + Fixed(y, 1) + "l2,-3.5h4l2,3.5l-2,3.5h-4z"; break;
    default: d = "M" + Fixed(x - 1.5, 1) + "," + Fixed(y - 4, 1) + "h3v2.5h2.5v3h-2.5v2.5h-3v-2.5h-2.5v-3h2.5z"; break;
    }
    // The outline comes from the markers' group.
    return "<path d=\"" + d + "\" fill=\"" + fill + "\" data-v=\"" + hover + "\"/>\n";
}

void Position(const SkySample &s, double &x, double &y) {
    const double r = kRadius * (90.0 - s.elevation) / 90.0, a = s.azimuth * std::numbers::pi / 180;
    x = kCentre + r * std::sin(a);
    y = kCentre - r * std::cos(a);
}

std::string Name(const Satellite &s) { return std::string(SkyName(s.system)) + " " + std::to_string(s.id); }

} // namespace

void SkySection(std::string &out, const LogReport &report) {
    std::vector<const Satellite *> satellites;
    for (const Satellite &s : report.Satellites()) satellites.push_back(&s);
    std::sort(satellites.begin(), satellites.end(), [](const Satellite *a, const Satellite *b) {
        return a->system != b->system ? a->system < b->system : a->id < b->id;
    });
    out += "<section id=\"sky\">\n<h2>Sky</h2>\n<p>" + std::to_string(satellites.size()) +
           " satellites in view. Centre: overhead; rings: 60, 30 and 0 degrees of elevation; north up.</p>\n"
           "<figure>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"520\" height=\"560\" viewBox=\"0 0 520 560\" "
           "font-family=\"sans-serif\" font-size=\"11\">\n";
    for (const int elevation : {0, 30, 60}) {
        out += "<circle cx=\"260\" cy=\"260\" r=\"" + Fixed(kRadius * (90 - elevation) / 90.0, 1) +
               "\" fill=\"none\" stroke=\"#cccccc\"/>\n";
    }
    out += "<path d=\"M260,40V480M40,260H480\" stroke=\"#dddddd\"/>\n";
    out += SvgText(260, 34, "N", "middle") + SvgText(488, 264, "E") + SvgText(260, 496, "S", "middle") +
           SvgText(32, 264, "W", "end");
    bool systems[kSkies] = {};
    out += "<g stroke=\"#333333\" stroke-width=\"0.5\">\n";
    for (const Satellite *s : satellites) {
        if (s->path.empty()) continue;
        systems[static_cast<size_t>(s->system)] = true;
        std::string d;
        for (const SkySample &p : s->path) {
            double x = 0, y = 0;
            Position(p, x, y);
            d += (d.empty() ? "M" : "L") + Fixed(x, 1) + "," + Fixed(y, 1);
        }
        if (s->path.size() > 1) out += "<path d=\"" + d + "\" fill=\"none\" stroke=\"#cfcfcf\" stroke-width=\"1\"/>\n";
        for (const SkySample &p : s->path) {
            double x = 0, y = 0;
            Position(p, x, y);
            out += Marker(s->system, x, y, Cn0Colour(p.cn0),
                          Name(*s) + ": elevation " + std::to_string(p.elevation) + ", azimuth " +
                              std::to_string(p.azimuth) +
                              (p.cn0 > 0 ? ", " + std::to_string(p.cn0) + " dB-Hz" : ", not tracked"));
        }
        double x = 0, y = 0;
        Position(s->path.back(), x, y);
        out +=
            SvgText(x + 6, y - 5, std::to_string(s->id), "start", "font-size=\"9\" fill=\"#444444\" stroke=\"none\"");
    }
    out += "</g>\n";
    // Legend: the shapes, and the colours of the signal.
    double lx = 12;
    for (size_t k = 0; k < kSkies; ++k) {
        if (!systems[k]) continue;
        out += "<g stroke=\"#333333\" stroke-width=\"0.5\">" +
               Marker(static_cast<Sky>(k), lx + 4, 522, "#ffffff", std::string(SkyName(static_cast<Sky>(k)))) + "</g>";
        out += SvgText(lx + 12, 526, SkyName(static_cast<Sky>(k)));
        lx += 24 + 7.0 * static_cast<double>(SkyName(static_cast<Sky>(k)).size());
    }
    for (int k = 0; k <= 6; ++k) {
        const int cn0 = 15 + 5 * k;
        out += "<rect x=\"" + std::to_string(12 + 34 * k) + "\" y=\"538\" width=\"34\" height=\"10\" fill=\"" +
               Cn0Colour(cn0) + "\"/>" + SvgText(12 + 34 * k + 17, 558, std::to_string(cn0), "middle");
    }
    out += SvgText(256, 548, "C/N0 (dB-Hz); grey: not tracked");
    out += "</svg>\n</figure>\n";

    // Signal per satellite: the bar to the mean, a tick at the largest.
    std::vector<const Satellite *> heard;
    for (const Satellite *s : satellites) {
        if (s->cn0Count > 0) heard.push_back(s);
    }
    if (heard.empty()) {
        out += "<p>No satellite's signal strength is given.</p>\n</section>\n";
        return;
    }
    const double width = 960, left = 40, bottom = 200, top = 14,
                 slot = (width - left - 8) / static_cast<double>(heard.size());
    const auto y = [&](double cn0) { return bottom - (bottom - top) * std::min(cn0, 60.0) / 60.0; };
    out += "<figure>\n<figcaption>C/N0 per satellite (dB-Hz): bar the mean, tick the largest</figcaption>\n"
           "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"960\" height=\"240\" viewBox=\"0 0 960 240\" "
           "font-family=\"sans-serif\" font-size=\"9\">\n";
    for (const int v : {0, 20, 40, 60}) {
        out += "<path d=\"M" + Fixed(left, 0) + "," + Fixed(y(v), 1) + "H952\" stroke=\"#dddddd\"/>" +
               SvgText(left - 4, y(v) + 3, std::to_string(v), "end");
    }
    for (size_t i = 0; i < heard.size(); ++i) {
        const Satellite &s = *heard[i];
        const double mean = static_cast<double>(s.cn0Sum) / s.cn0Count, x = left + slot * static_cast<double>(i);
        const double bar = std::max(slot * 0.7, 1.0);
        out += "<rect x=\"" + Fixed(x + (slot - bar) / 2, 1) + "\" y=\"" + Fixed(y(mean), 1) + "\" width=\"" +
               Fixed(bar, 1) + "\" height=\"" + Fixed(bottom - y(mean), 1) + "\" fill=\"" +
               Cn0Colour(static_cast<int>(std::lround(mean))) + "\" data-v=\"" + Name(s) + ": mean " + Fixed(mean, 1) +
               ", max " + std::to_string(s.cn0Max) + " dB-Hz\"/>\n";
        out += "<path d=\"M" + Fixed(x + (slot - bar) / 2, 1) + "," + Fixed(y(s.cn0Max), 1) + "h" + Fixed(bar, 1) +
               "\" stroke=\"#000000\"/>\n";
        if (slot >= 9)
            out += SvgText(x + slot / 2, bottom + 12, std::to_string(s.id), "middle") +
                   SvgText(x + slot / 2, bottom + 24, SkyName(s.system).substr(0, 3), "middle", "fill=\"#666666\"");
    }
    out += "</svg>\n</figure>\n</section>\n";
}

} // namespace report
