// The report page: its sections, each drawn only when the log has its data.
#include "html.h"

#include <algorithm>
#include <cmath>

#include "sections.h"
#include "text.h"

namespace report {

namespace {

constexpr std::string_view kStyle =
    "body{font-family:sans-serif;margin:1.5em auto;max-width:1000px;padding:0 1em;color:#222}"
    "h1{font-size:1.5em;word-break:break-all}h2{font-size:1.2em;border-bottom:1px solid #ccc;margin-top:1.6em}"
    "table{border-collapse:collapse}td,th{padding:2px 10px;text-align:left;vertical-align:top}"
    "th{font-weight:600;color:#444}tbody tr:nth-child(even){background:#f4f4f4}"
    "td.n{text-align:right;font-variant-numeric:tabular-nums}"
    "svg{max-width:100%;height:auto}figure{margin:0.5em 0}figcaption{color:#555;font-size:0.9em}"
    "#hover{position:fixed;pointer-events:none;background:#fffbe0;border:1px solid #aaa;padding:2px 6px;"
    "font-size:0.85em;display:none}";

// Shows the value under the pointer: the <title> of the drawing element is
// the fallback that works without it.
constexpr std::string_view kScript =
    "(function(){var h=document.getElementById('hover');"
    "document.addEventListener('mousemove',function(e){var t=e.target,v=t&&t.getAttribute&&t.getAttribute('data-v');"
    "if(!v){h.style.display='none';return;}h.textContent=v;h.style.left=(e.clientX+12)+'px';"
    "h.style.top=(e.clientY+12)+'px';h.style.display='block';});})();";

void Row(std::string &out, std::string_view name, const std::string &value) {
    out += "<tr><th>";
    out += name;
    out += "</th><td>";
    out += value;
    out += "</td></tr>\n";
}

std::string Percent(uint64_t part, uint64_t whole) {
    return whole == 0 ? "0 %" : Fixed(100.0 * static_cast<double>(part) / static_cast<double>(whole), 1) + " %";
}

void SummarySection(std::string &out, const LogReport &report) {
    const Summary &s = report.Figures();
    out += "<section id=\"summary\">\n<h2>Summary</h2>\n<table>\n";
    std::string talkers;
    for (const std::string &t : s.talkers) talkers += (talkers.empty() ? "" : ", ") + HtmlEscaped(t);
    Row(out, "Talkers", talkers.empty() ? "none" : talkers);
    std::string kinds;
    for (const auto &[name, count] : s.sentenceKinds)
        kinds += (kinds.empty() ? "" : ", ") + HtmlEscaped(name) + " " + std::to_string(count);
    if (s.otherKinds > 0) kinds += ", other " + std::to_string(s.otherKinds);
    Row(out, "Sentences", std::to_string(s.sentences) + (kinds.empty() ? "" : " (" + kinds + ")"));
    Row(out, "Lines", std::to_string(s.lines));
    if (s.points > 0) {
        Row(out, "Start", UtcTime(s.startMs));
        Row(out, "End", UtcTime(s.endMs));
        Row(out, "Duration", Duration(s.durationSeconds));
    }
    Row(out, "Points",
        std::to_string(s.points) + " in " + std::to_string(s.segments) + (s.segments == 1 ? " segment" : " segments"));
    if (s.points > 0) {
        Row(out, "Distance", Distance(s.distanceMetres) + " (along the track, geodesic on WGS84)");
        if (s.speedMaxMs >= 0) Row(out, "Speed, max", Fixed(s.speedMaxMs * 3.6, 1) + " km/h (as reported)");
        Row(out, "Speed, mean while moving",
            s.speedMeanMovingMs >= 0 ? Fixed(s.speedMeanMovingMs * 3.6, 1) + " km/h" : "did not move");
        if (s.altitudeKnown)
            Row(out, "Altitude",
                Fixed(s.altitudeMin, 1) + " to " + Fixed(s.altitudeMax, 1) + " m above mean sea level");
        std::string shares;
        for (size_t q = 0; q < kQualities; ++q) {
            if (s.quality[q] == 0) continue;
            shares += (shares.empty() ? "" : ", ") + std::string(QualityName(static_cast<Quality>(q))) + " " +
                      Percent(s.quality[q], s.points);
        }
        Row(out, "Fix quality", shares);
        Row(out, "Time to first fix", Duration(s.timeToFirstFixSeconds) + " from the first timed sentence");
    }
    Row(out, "Gaps", std::to_string(s.gaps) + (s.gaps > 0 ? " (" + Duration(s.gapSeconds) + " in all)" : ""));
    Row(out, "Checksums failed",
        std::to_string(s.checksumsFailed) + (s.checksumsFailed == 0 ? ""
                                             : s.checksumsVerified  ? " (sentences left out)"
                                                                    : " (sentences read all the same)"));
    if (s.withoutChecksum > 0) Row(out, "Sentences without a checksum", std::to_string(s.withoutChecksum));
    std::string leftOut;
    for (const auto &[count, why] : s.leftOut)
        leftOut += (leftOut.empty() ? "" : "<br>") + std::to_string(count) + " " + std::string(LeftOutWords(why));
    Row(out, "Left out of the track", leftOut.empty() ? "nothing" : leftOut);
    out += "</table>\n</section>\n";
}

// The summary for programs: the figures as numbers, in SI units.
void SummaryJson(std::string &out, const LogReport &report, std::string_view logName) {
    const Summary &s = report.Figures();
    const auto number = [&out](std::string_view key, const std::string &value, bool comma = true) {
        out += JsonString(key) + ":" + value + (comma ? "," : "");
    };
    out += "<script type=\"application/json\" id=\"sentrova-summary\">{";
    number("log", JsonString(logName));
    number("lines", std::to_string(s.lines));
    number("sentences", std::to_string(s.sentences));
    number("points", std::to_string(s.points));
    number("segments", std::to_string(s.segments));
    number("noFixEpochs", std::to_string(s.noFixEpochs));
    number("startUtcMs", std::to_string(s.startMs));
    number("endUtcMs", std::to_string(s.endMs));
    number("durationS", Fixed(s.durationSeconds, 3));
    number("distanceM", Fixed(s.distanceMetres, 3));
    number("speedMaxMs", s.speedMaxMs >= 0 ? Fixed(s.speedMaxMs, 3) : "null");
    number("speedMeanMovingMs", s.speedMeanMovingMs >= 0 ? Fixed(s.speedMeanMovingMs, 3) : "null");
    number("altitudeMinM", s.altitudeKnown ? Fixed(s.altitudeMin, 3) : "null");
    number("altitudeMaxM", s.altitudeKnown ? Fixed(s.altitudeMax, 3) : "null");
    out += "\"quality\":{";
    for (size_t q = 0; q < kQualities; ++q)
        number(QualityName(static_cast<Quality>(q)), std::to_string(s.quality[q]), q + 1 < kQualities);
    out += "},";
    number("timeToFirstFixS", s.timeToFirstFixSeconds >= 0 ? Fixed(s.timeToFirstFixSeconds, 3) : "null");
    number("gaps", std::to_string(s.gaps));
    number("checksumsFailed", std::to_string(s.checksumsFailed));
    number("stationaryFixes", std::to_string(s.stationaryFixes));
    number("stationaryStretches", std::to_string(s.stationaryStretches));
    number("cep50M", s.cep50 >= 0 ? Fixed(s.cep50, 4) : "null");
    number("cep95M", s.cep95 >= 0 ? Fixed(s.cep95, 4) : "null");
    number("drms2M", s.drms2 >= 0 ? Fixed(s.drms2, 4) : "null");
    number("satellites", std::to_string(report.Satellites().size()));
    out += "\"sections\":[";
    bool first = true;
    for (const std::string_view id : SectionsOf(report)) {
        out += (first ? "" : ",") + JsonString(id);
        first = false;
    }
    out += "]}</script>\n";
}

} // namespace

std::vector<std::string_view> SectionsOf(const LogReport &report) {
    std::vector<std::string_view> ids = {"summary"};
    if (report.HasLastPoint()) ids.push_back("ground-track");
    if (HasSeries(report)) ids.push_back("over-time");
    if (!report.Satellites().empty()) ids.push_back("sky");
    if (report.Figures().cep50 >= 0 || report.Figures().sigmaLatitude >= 0) ids.push_back("accuracy");
    if (!report.Events().empty()) ids.push_back("events");
    return ids;
}

std::string Html(const LogReport &report, std::string_view logName) {
    std::string out;
    out.reserve(1 << 18);
    const std::string name = HtmlEscaped(logName);
    out += "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
           "<meta name=\"generator\" content=\"sentrova-convert\">\n<link rel=\"icon\" href=\"data:,\">\n<title>";
    out += name;
    out += " - log report</title>\n<style>";
    out += kStyle;
    out += "</style>\n</head>\n<body>\n<h1>";
    out += name;
    out += "</h1>\n";
    SummaryJson(out, report, logName);
    const std::vector<std::string_view> sections = SectionsOf(report);
    const auto has = [&sections](std::string_view id) {
        return std::find(sections.begin(), sections.end(), id) != sections.end();
    };
    SummarySection(out, report);
    if (has("ground-track")) {
        out += "<section id=\"ground-track\">\n<h2>Ground track</h2>\n<figure>\n";
        out += GroundTrackSvg(report, 960, 640);
        out += "<figcaption>Metres east and north on the plane tangent at the track's middle; start circle, end "
               "square.</figcaption>\n</figure>\n</section>\n";
    }
    if (has("over-time")) OverTimeSection(out, report);
    if (has("sky")) SkySection(out, report);
    if (has("accuracy")) AccuracySection(out, report);
    if (has("events")) EventsSection(out, report);
    out += "<div id=\"hover\"></div>\n<script>";
    out += kScript;
    out += "</script>\n</body>\n</html>\n";
    return out;
}

} // namespace report
