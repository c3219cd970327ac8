#include "kml_writer.h"

#include <string>

namespace conversion {
namespace {

constexpr std::string_view kRowTail = "                               "; // 31 blanks
static_assert(kRowTail.size() == 31);

// Cuts and insertions on 1-based positions that tolerate any text length.
std::string_view CopyFrom(std::string_view s, size_t position, size_t count = std::string_view::npos) {
    if (position < 1 || position > s.size()) return {};
    return s.substr(position - 1, count);
}

// "GMT: hh:mm:ss" without the colon after GMT and with "      = " inserted
// before the character that is then the fifth.
std::string TimeHeading(std::string_view utcTime) {
    std::string t(utcTime);
    if (t.size() >= 4) t.erase(3, 1);
    t.insert(std::min<size_t>(4, t.size()), "      = ");
    return t;
}

void PutRow(OutputBuffer &out, std::string_view label, std::string_view value, std::string_view unit = {}) {
    out.Append("<br>");
    out.Append(label);
    out.Append(value);
    out.Append(unit);
    out.Append(kRowTail);
}

void PutSatelliteColumn(OutputBuffer &out, std::string_view label, const std::array<std::string, 12> &slots) {
    out.Append("<br>");
    out.Append(label);
    for (const std::string &slot : slots) {
        for (size_t pad = slot.size(); pad < 5; ++pad) out.Append(' ');
        out.Append(slot);
    }
    out.Append(kRowTail);
}

// Hemisphere text "S 12.345678" into the coordinate "-12.345678".
void PutCoordinate(OutputBuffer &out, std::string_view text, char negative) {
    if (!text.empty() && text.front() == negative) out.Append('-');
    out.Append(CopyFrom(text, 3));
}

} // namespace

std::string_view IconColour(int index) {
    if (index < 0 || index >= static_cast<int>(IconColours.size())) return IconColours[0];
    return IconColours[static_cast<size_t>(index)];
}

void WriteKmlHeader(OutputBuffer &out, std::string_view colour) {
    out.Append("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
               "<kml xmlns=\"http://earth.google.com/kml/2.1\">\r\n"
               "<Document>\r\n"
               "<Style id=\"Point\"><IconStyle><color>");
    out.Append(colour);
    out.Append("</color><scale>.3</scale></IconStyle></Style>\r\n");
}

void WriteKmlFooter(OutputBuffer &out) { out.Append("</Document>\r\n</kml>\r\n"); }

void WriteCoordinates(OutputBuffer &out, const nmea::DataDisplay &d) {
    PutCoordinate(out, d.Longitude, 'W');
    out.Append(',');
    PutCoordinate(out, d.Latitude, 'S');
    out.Append(',');
    out.Append(d.Altitude);
}

void WritePlacemark(OutputBuffer &out, const nmea::DataDisplay &d, std::string_view altitudeMode) {
    const std::string heading = TimeHeading(d.UtcTime);
    const std::string_view date = d.Date;

    out.Append("\t<Placemark>\r\n");
    out.Append("    \t\t<description><![CDATA[<pre>");
    out.Append(heading);
    out.Append(", ");
    out.Append(CopyFrom(date, 13, 2));
    out.Append('-');
    out.Append(CopyFrom(date, 10, 2));
    out.Append("-20");
    out.Append(CopyFrom(date, 7, 2));
    out.Append("       \t\t\t\t");
    PutRow(out, "PDOP      = ", d.PDOP);
    PutRow(out, "HDOP      = ", d.HDOP);
    PutRow(out, "VDOP      = ", d.VDOP);
    PutRow(out, "Lat       = ", d.Latitude);
    PutRow(out, "Lon       = ", d.Longitude);
    PutRow(out, "Altitude  = ", d.Altitude, " m");
    PutRow(out, "Speed     = ", d.Speed);
    PutRow(out, "Course    = ", d.Course);
    PutRow(out, "Mode      = ", d.FixMode);
    PutSatelliteColumn(out, "SV ID     = ", d.SatPrn);
    PutSatelliteColumn(out, "SNR       = ", d.SatSnr);
    PutSatelliteColumn(out, "Elevation = ", d.SatElevation);
    PutSatelliteColumn(out, "Azimuth   = ", d.SatAzimuth);
    out.Append("</pre>]]></description>\r\n");

    // "20" + the date's "yy/mm/dd" with its 5th and 8th characters made "-".
    std::string stamp = "20";
    stamp.append(CopyFrom(date, 7));
    if (stamp.size() >= 5) stamp[4] = '-';
    if (stamp.size() >= 8) stamp[7] = '-';
    out.Append("         \t<TimeStamp><when>");
    out.Append(stamp);
    out.Append('T');
    out.Append(CopyFrom(heading, 13));
    out.Append("Z</when></TimeStamp>\r\n");

    out.Append("\t\t<styleUrl>#Point</styleUrl>\r\n");
    out.Append("\t\t<Point>");
    if (!altitudeMode.empty()) {
        out.Append("<altitudeMode>");
        out.Append(altitudeMode);
        out.Append("</altitudeMode>");
    }
    out.Append("<coordinates>");
    WriteCoordinates(out, d);
    out.Append("</coordinates></Point>\r\n");
    out.Append("\t</Placemark>\r\n");
}

} // namespace conversion
