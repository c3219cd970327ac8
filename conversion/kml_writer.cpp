#include "kml_writer.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "nmea/short_copy.h"

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
// before the character that is then the fifth. Built in `buffer` (no heap per
// placemark); only an unusually long text goes through `spill`.
std::string_view TimeHeading(std::string_view utcTime, std::array<char, 64> &buffer, std::string &spill) {
    constexpr std::string_view kInsert = "      = ";
    std::string_view t = utcTime;
    char erased[64];
    if (t.size() >= 4) {
        if (t.size() > sizeof erased) {
            spill.assign(utcTime);
            spill.erase(3, 1);
            spill.insert(std::min<size_t>(4, spill.size()), kInsert);
            return spill;
        }
        std::memcpy(erased, t.data(), 3);
        std::memcpy(erased + 3, t.data() + 4, t.size() - 4);
        t = std::string_view(erased, t.size() - 1);
    }
    if (t.size() + kInsert.size() > buffer.size()) {
        spill.assign(t);
        spill.insert(std::min<size_t>(4, spill.size()), kInsert);
        return spill;
    }
    const size_t at = std::min<size_t>(4, t.size());
    char *p = buffer.data();
    std::memcpy(p, t.data(), at);
    std::memcpy(p + at, kInsert.data(), kInsert.size());
    std::memcpy(p + at + kInsert.size(), t.data() + at, t.size() - at);
    return std::string_view(p, t.size() + kInsert.size());
}

// The label comes with its "<br>" as a literal, so that its copy has a fixed size.
template <size_t N> void PutRow(OutputBuffer &out, const char (&label)[N], std::string_view value) {
    out.Append(std::string_view(label, N - 1));
    out.AppendShort(value);
    out.Append(kRowTail);
}

// The twelve slots of a satellites row, each right-aligned in five
// characters, handed to `put` in one or more pieces.
template <typename Put> void PutSlots(const std::array<std::string, 12> &slots, Put put) {
    // Texts of up to four characters (all the decoders produce) go in as
    // fixed-size moves: eight blanks, then the text ending on the slot's last
    // column. Blanks that land past the slot are overwritten by the next one,
    // or past the row never used.
    constexpr size_t kRow = 12 * 5;
    char row[kRow + 8];
    char *p = row;
    for (const std::string &slot : slots) {
        const size_t n = slot.size();
        if (n > 4) {
            p = nullptr;
            break;
        }
        std::memcpy(p, "        ", 8);
        nmea::CopyShort(p + 5 - n, slot.data(), n);
        p += 5;
    }
    if (p != nullptr) {
        put(std::string_view(row, kRow));
        return;
    }
    for (const std::string &slot : slots) {
        if (slot.size() < 5) put(std::string_view("     ", 5 - slot.size()));
        put(std::string_view(slot));
    }
}

const std::array<std::string, 12> &RowTexts(const nmea::DataDisplay &d, size_t row) {
    switch (row) {
    case 0: return d.SatPrn;
    case 1: return d.SatSnr;
    case 2: return d.SatElevation;
    default: return d.SatAzimuth;
    }
}

template <size_t N>
void PutSatelliteColumn(OutputBuffer &out, const char (&label)[N], const nmea::DataDisplay &d, size_t row,
                        SatelliteRows *rows) {
    out.Append(std::string_view(label, N - 1));
    if (rows != nullptr) out.Append(rows->Of(d, row));
    else PutSlots(RowTexts(d, row), [&out](std::string_view piece) { out.Append(piece); });
    out.Append(kRowTail);
}

// A number of the moved date, zero-padded to `width` digits (a date's fields fit).
void PutNumber(OutputBuffer &out, int value, int width) {
    char digits[4];
    for (int i = width - 1; i >= 0; --i) {
        digits[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
    out.Append(std::string_view(digits, static_cast<size_t>(width)));
}

// Hemisphere text "S 12.345678" into the coordinate "-12.345678".
void PutCoordinate(OutputBuffer &out, std::string_view text, char negative) {
    if (!text.empty() && text.front() == negative) out.Append('-');
    out.AppendShort(CopyFrom(text, 3));
}

} // namespace

std::string_view SatelliteRows::Of(const nmea::DataDisplay &display, size_t row) {
    std::string &text = rows_[row];
    if (!made_[row] || madeAt_[row] != display.SatRowRewrites[row]) {
        text.clear();
        PutSlots(RowTexts(display, row), [&text](std::string_view piece) { text.append(piece); });
        made_[row] = true;
        madeAt_[row] = display.SatRowRewrites[row];
    }
    return text;
}

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
    out.AppendShort(d.Altitude);
}

void WritePlacemark(OutputBuffer &out, const nmea::DataDisplay &d, const PlacemarkDate &moved,
                    std::string_view altitudeMode, SatelliteRows *rows) {
    std::array<char, 64> headingBuffer;
    std::string headingSpill;
    const std::string_view heading = TimeHeading(d.UtcTime, headingBuffer, headingSpill);
    const std::string_view date = d.Date;

    out.Append("\t<Placemark>\r\n");
    out.Append("    \t\t<description><![CDATA[<pre>");
    out.AppendShort(heading);
    out.Append(", ");
    if (moved.nextDay) {
        PutNumber(out, moved.day, 2);
        out.Append('-');
        PutNumber(out, moved.month, 2);
        out.Append('-');
        PutNumber(out, moved.year, 4);
    } else {
        out.Append(CopyFrom(date, 13, 2));
        out.Append('-');
        out.Append(CopyFrom(date, 10, 2));
        out.Append("-20");
        out.Append(CopyFrom(date, 7, 2));
    }
    out.Append("       \t\t\t\t");
    PutRow(out, "<br>PDOP      = ", d.PDOP);
    PutRow(out, "<br>HDOP      = ", d.HDOP);
    PutRow(out, "<br>VDOP      = ", d.VDOP);
    PutRow(out, "<br>Lat       = ", d.Latitude);
    PutRow(out, "<br>Lon       = ", d.Longitude);
    out.Append("<br>Altitude  = ");
    out.AppendShort(d.Altitude);
    out.Append(" m");
    out.Append(kRowTail);
    PutRow(out, "<br>Speed     = ", d.Speed);
    PutRow(out, "<br>Course    = ", d.Course);
    PutRow(out, "<br>Mode      = ", d.FixMode);
    PutSatelliteColumn(out, "<br>SV ID     = ", d, 0, rows);
    PutSatelliteColumn(out, "<br>SNR       = ", d, 1, rows);
    PutSatelliteColumn(out, "<br>Elevation = ", d, 2, rows);
    PutSatelliteColumn(out, "<br>Azimuth   = ", d, 3, rows);
    out.Append("</pre>]]></description>\r\n");

    // A date that does not exist would be a false claim: no time stamp then.
    if (moved.calendar) {
        if (moved.nextDay) {
            out.Append("         \t<TimeStamp><when>");
            PutNumber(out, moved.year, 4);
            out.Append('-');
            PutNumber(out, moved.month, 2);
            out.Append('-');
            PutNumber(out, moved.day, 2);
        } else {
            // "20" + the date's "yy/mm/dd" with its 5th and 8th characters made "-".
            out.Append("         \t<TimeStamp><when>20");
            const std::string_view yymmdd = CopyFrom(date, 7);
            out.Append(yymmdd.substr(0, 2));
            if (yymmdd.size() > 2) {
                out.Append('-');
                out.Append(yymmdd.substr(3, 2));
            }
            if (yymmdd.size() > 5) {
                out.Append('-');
                out.Append(yymmdd.substr(6));
            }
        }
        out.Append('T');
        out.Append(CopyFrom(heading, 13));
        out.Append("Z</when></TimeStamp>\r\n");
    }

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
