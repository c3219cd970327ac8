#include "track_writers.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <unistd.h>

#include "nmea/number_text.h"
#include "track_options.h"

namespace conversion {

namespace {

using track::Epoch;
using track::Number;

void PutDegrees(OutputBuffer &out, double degrees) {
    char text[nmea::kNumberTextSize];
    // Nine decimals: a tenth of a millimetre, finer than any receiver's minutes.
    out.Append(std::string_view(text, static_cast<size_t>(nmea::PutFixed(text, degrees, 9) - text)));
}

void PutInt(OutputBuffer &out, long value) {
    char text[24];
    out.Append(std::string_view(text, static_cast<size_t>(nmea::PutInt(text, value) - text)));
}

// An integer count as written (GGA's "08"), or nothing when it is not one.
bool WholeCount(const Number &n, long &value) {
    value = n.Count();
    return value >= 0;
}

long SatsUsed(const Epoch &e) {
    long n = -1;
    if (WholeCount(e.satsUsed, n)) return n;
    return e.gsaUsed;
}

void Element(OutputBuffer &out, std::string_view open, std::string_view text, std::string_view close) {
    out.Append(open);
    out.Append(text);
    out.Append(close);
}

void NumberElement(OutputBuffer &out, std::string_view open, const Number &n, std::string_view close) {
    if (n.Known()) Element(out, open, n.Text(), close);
}

// ---- GPX 1.1 ----

class GpxWriter : public TrackWriter {
  public:
    explicit GpxWriter(std::string_view name) : name_(XmlText(name)) {}

    void Begin(OutputBuffer &out) override {
        out.Append("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                   "<gpx version=\"1.1\" creator=\"sentrova-convert\" xmlns=\"http://www.topografix.com/GPX/1/1\" "
                   "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
                   "xsi:schemaLocation=\"http://www.topografix.com/GPX/1/1 "
                   "http://www.topografix.com/GPX/1/1/gpx.xsd\">\n<trk>\n<name>");
        out.Append(name_);
        out.Append("</name>\n");
    }

    void Point(OutputBuffer &out, const Epoch &e, bool newSegment) override {
        if (newSegment) {
            if (open_) out.Append("</trkseg>\n");
            out.Append("<trkseg>\n");
            open_ = true;
        }
        out.Append("<trkpt lat=\"");
        PutDegrees(out, e.latitude);
        out.Append("\" lon=\"");
        PutDegrees(out, e.longitude);
        out.Append("\">");
        NumberElement(out, "<ele>", e.altitude, "</ele>");
        out.Append("<time>");
        PutIsoTime(out, e);
        out.Append("</time>");
        NumberElement(out, "<geoidheight>", e.geoidSeparation, "</geoidheight>");
        const std::string_view fix = GpxFix(e);
        if (!fix.empty()) Element(out, "<fix>", fix, "</fix>");
        if (const long sats = SatsUsed(e); sats >= 0) {
            out.Append("<sat>");
            PutInt(out, sats);
            out.Append("</sat>");
        }
        NumberElement(out, "<hdop>", e.hdop, "</hdop>");
        NumberElement(out, "<vdop>", e.vdop, "</vdop>");
        NumberElement(out, "<pdop>", e.pdop, "</pdop>");
        if (e.dgpsAge.Known() && e.dgpsAge.Value() >= 0)
            NumberElement(out, "<ageofdgpsdata>", e.dgpsAge, "</ageofdgpsdata>");
        // Many receivers fill the station field without a correction; the
        // schema allows stations 0 to 1023 only.
        const bool differential = e.dgpsAge.Known() || e.quality == 2 || e.quality == 4 || e.quality == 5;
        if (long id = 0; differential && WholeCount(e.dgpsStation, id) && id <= 1023) {
            out.Append("<dgpsid>");
            PutInt(out, id);
            out.Append("</dgpsid>");
        }
        out.Append("</trkpt>\n");
    }

    bool End(OutputBuffer &out) override {
        if (open_) out.Append("</trkseg>\n");
        out.Append("</trk>\n</gpx>\n");
        return true;
    }

  private:
    std::string name_;
    bool open_ = false;
};

// ---- CSV ----

constexpr std::string_view kCsvHeader =
    "segment,line,time,latitude,longitude,altitude,geoid_separation,fix_quality,fix,gsa_mode,"
    "sats_used,sats_used_gsa,hdop,vdop,pdop,speed_knots,course,dgps_age,dgps_station,"
    "sd_latitude,sd_longitude,sd_altitude,sats_in_view,in_view_gps,in_view_glonass,in_view_galileo,"
    "in_view_beidou,in_view_qzss,in_view_navic,talker\r\n";

class CsvWriter : public TrackWriter {
  public:
    void Begin(OutputBuffer &out) override { out.Append(kCsvHeader); }

    void Point(OutputBuffer &out, const Epoch &e, bool newSegment) override {
        segment_ += newSegment;
        const auto count = [&](long n) {
            out.Append(',');
            if (n >= 0) PutInt(out, n);
        };
        const auto number = [&](const Number &n) {
            out.Append(',');
            PutCsvField(out, n.Text());
        };
        PutInt(out, static_cast<long>(segment_));
        count(static_cast<long>(e.positionLine));
        out.Append(',');
        PutIsoTime(out, e);
        out.Append(',');
        PutDegrees(out, e.latitude);
        out.Append(',');
        PutDegrees(out, e.longitude);
        number(e.altitude);
        number(e.geoidSeparation);
        count(e.quality);
        out.Append(',');
        out.Append(GpxFix(e));
        count(e.gsaMode > 0 ? e.gsaMode : -1);
        number(e.satsUsed);
        count(e.gsaUsed);
        number(e.hdop);
        number(e.vdop);
        number(e.pdop);
        number(e.speedKnots);
        number(e.course);
        number(e.dgpsAge);
        number(e.dgpsStation);
        number(e.sdLatitude);
        number(e.sdLongitude);
        number(e.sdAltitude);
        count(e.TotalInView());
        for (size_t s = 0; s < static_cast<size_t>(track::System::Combined); ++s) count(e.inView[s]);
        out.Append(',');
        PutCsvField(out, std::string_view(e.talker, 2));
        out.Append("\r\n");
    }

    bool End(OutputBuffer &) override { return true; }

  private:
    uint64_t segment_ = 0;
};

// ---- KML 2.2 gx:Track ----

// One column of a track held in an unnamed temporary file until the track
// closes: gx:Track wants all <when>s, then all coordinates, then each value
// array, and a segment may be as long as the log.
class Column {
  public:
    ~Column() {
        out_.reset();
        if (file_) std::fclose(file_);
    }
    // nullptr when the file cannot be made (its errno kept).
    OutputBuffer *Out() {
        if (!out_ && error_ == 0) {
            file_ = std::tmpfile();
            if (!file_) {
                error_ = errno;
                return nullptr;
            }
            sink_ = std::make_unique<FdSink>(fileno(file_));
            out_ = std::make_unique<OutputBuffer>(*sink_, kBlock);
        }
        return out_.get();
    }
    // Appends the column to `to` and empties it; false with Error() set.
    bool MoveTo(OutputBuffer &to) {
        if (!out_) return error_ == 0;
        if (!out_->Flush()) {
            error_ = out_->Error();
            return false;
        }
        const int fd = fileno(file_);
        if (::lseek(fd, 0, SEEK_SET) != 0) {
            error_ = errno;
            return false;
        }
        FdSource source(fd);
        char block[kBlock];
        for (long n; (n = source.Read(block, sizeof block)) != 0;) {
            if (n < 0) {
                error_ = source.Error();
                return false;
            }
            to.Append(std::string_view(block, static_cast<size_t>(n)));
        }
        if (::ftruncate(fd, 0) != 0 || ::lseek(fd, 0, SEEK_SET) != 0) {
            error_ = errno;
            return false;
        }
        return true;
    }
    int Error() const { return error_; }

  private:
    static constexpr size_t kBlock = 64 * 1024;
    std::FILE *file_ = nullptr;
    std::unique_ptr<FdSink> sink_;
    std::unique_ptr<OutputBuffer> out_;
    int error_ = 0;
};

struct QualityStyle {
    std::string_view id, colour, label;
};
// Colours (aabbggrr) by QualityClass.
constexpr std::array<QualityStyle, 6> kQualityStyles = {{
    {"rtkFixed", "ff00c800", "RTK fixed (quality 4)"},
    {"rtkFloat", "ff00d7ff", "RTK float (quality 5)"},
    {"dgps", "ffff8c00", "DGPS (quality 2)"},
    {"gps", "ff0080ff", "GPS (quality 1, 3)"},
    {"estimated", "ff0000e6", "estimated (quality 6)"},
    {"other", "ffa0a0a0", "other or unknown"},
}};

class KmlTrackWriter : public TrackWriter {
  public:
    KmlTrackWriter(const TrackDocumentOptions &options, std::string_view name, std::string_view colour)
        : styled_(options.styleQuality), name_(XmlText(name)), colour_(colour) {}

    void Begin(OutputBuffer &out) override {
        out.Append("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                   "<kml xmlns=\"http://www.opengis.net/kml/2.2\" xmlns:gx=\"http://www.google.com/kml/ext/2.2\">\n"
                   "<Document>\n<name>");
        out.Append(name_);
        out.Append("</name>\n");
        if (styled_) {
            out.Append("<description><![CDATA[Track colours by fix quality:<br>");
            for (const QualityStyle &s : kQualityStyles) {
                out.Append("<font color=\"#");
                // aabbggrr to rrggbb.
                const std::string_view c = s.colour;
                out.Append(c.substr(6, 2));
                out.Append(c.substr(4, 2));
                out.Append(c.substr(2, 2));
                out.Append("\">&#9632;</font> ");
                out.Append(s.label);
                out.Append("<br>");
            }
            out.Append("]]></description>\n");
            for (const QualityStyle &s : kQualityStyles) Style(out, s.id, s.colour);
        } else {
            Style(out, "track", colour_);
        }
        out.Append("<Schema id=\"fix\">\n");
        for (const auto &[field, type, label] : kFields) {
            out.Append("<gx:SimpleArrayField name=\"");
            out.Append(field);
            out.Append("\" type=\"");
            out.Append(type);
            out.Append("\"><displayName>");
            out.Append(label);
            out.Append("</displayName></gx:SimpleArrayField>\n");
        }
        out.Append("</Schema>\n");
    }

    void Point(OutputBuffer &out, const Epoch &e, bool newSegment) override {
        const QualityClass quality = ClassOf(e.quality);
        if (newSegment || (styled_ && quality != class_)) {
            if (points_ > 0) CloseTrack(out);
            class_ = quality;
        }
        segment_ += newSegment;
        if (error_ != 0) return;
        OutputBuffer *when = columns_[0].Out();
        if (!when) return Fail(columns_[0]);
        when->Append("<when>");
        PutIsoTime(*when, e);
        when->Append("</when>\n");
        OutputBuffer *coord = columns_[1].Out();
        if (!coord) return Fail(columns_[1]);
        coord->Append("<gx:coord>");
        PutDegrees(*coord, e.longitude);
        coord->Append(' ');
        PutDegrees(*coord, e.latitude);
        coord->Append(' ');
        coord->Append(e.altitude.Known() ? e.altitude.Text() : "0");
        coord->Append("</gx:coord>\n");
        allAltitudes_ = allAltitudes_ && e.altitude.Known();
        const std::string_view texts[] = {e.speedKnots.Text(), e.course.Text(), e.hdop.Text()};
        for (size_t i = 0; i < 3; ++i) Value(i, texts[i]);
        const long sats = SatsUsed(e);
        Value(3, sats, sats >= 0);
        Value(4, e.quality, e.quality >= 0);
        ++points_;
    }

    bool End(OutputBuffer &out) override {
        if (points_ > 0) CloseTrack(out);
        out.Append("</Document>\n</kml>\n");
        return error_ == 0;
    }

    int Error() const override { return error_; }

  private:
    struct Field {
        std::string_view name, type, label;
    };
    static constexpr std::array<Field, 5> kFields = {{
        {"speed", "float", "Speed (knots)"},
        {"course", "float", "Course (degrees)"},
        {"hdop", "float", "HDOP"},
        {"sats_used", "int", "Satellites used"},
        {"fix_quality", "int", "Fix quality"},
    }};

    static void Style(OutputBuffer &out, std::string_view id, std::string_view colour) {
        out.Append("<Style id=\"");
        out.Append(id);
        out.Append("\"><LineStyle><color>");
        out.Append(colour);
        out.Append("</color><width>3</width></LineStyle><IconStyle><scale>0</scale></IconStyle></Style>\n");
    }

    void Fail(const Column &column) { error_ = column.Error(); }

    void Value(size_t field, std::string_view text) {
        OutputBuffer *o = columns_[2 + field].Out();
        if (!o) return Fail(columns_[2 + field]);
        o->Append("<gx:value>");
        o->Append(text);
        o->Append("</gx:value>\n");
    }
    void Value(size_t field, long value, bool known) {
        char text[24];
        Value(field, known ? std::string_view(text, static_cast<size_t>(nmea::PutInt(text, value) - text))
                           : std::string_view());
    }

    void CloseTrack(OutputBuffer &out) {
        out.Append("<Placemark>\n<name>");
        out.Append(name_);
        out.Append(" ");
        char text[24];
        out.Append(std::string_view(text, static_cast<size_t>(nmea::PutInt(text, static_cast<long>(segment_)) - text)));
        out.Append("</name>\n<styleUrl>#");
        out.Append(styled_ ? kQualityStyles[static_cast<size_t>(class_)].id : "track");
        out.Append("</styleUrl>\n<gx:Track>\n");
        // Without a height for every point the track lies on the ground.
        if (allAltitudes_) out.Append("<altitudeMode>absolute</altitudeMode>\n");
        Move(0, out);
        Move(1, out);
        out.Append("<ExtendedData>\n<SchemaData schemaUrl=\"#fix\">\n");
        for (size_t i = 0; i < kFields.size(); ++i) {
            out.Append("<gx:SimpleArrayData name=\"");
            out.Append(kFields[i].name);
            out.Append("\">\n");
            Move(2 + i, out);
            out.Append("</gx:SimpleArrayData>\n");
        }
        out.Append("</SchemaData>\n</ExtendedData>\n</gx:Track>\n</Placemark>\n");
        points_ = 0;
        allAltitudes_ = true;
    }

    void Move(size_t column, OutputBuffer &out) {
        if (error_ == 0 && !columns_[column].MoveTo(out)) error_ = columns_[column].Error();
    }

    bool styled_;
    std::string name_;
    std::string colour_;
    // when, coord, then one per field.
    std::array<Column, 2 + kFields.size()> columns_;
    uint64_t points_ = 0;
    uint64_t segment_ = 0;
    QualityClass class_ = QualityClass::Other;
    bool allAltitudes_ = true;
    int error_ = 0;
};

} // namespace

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

QualityClass ClassOf(int quality) {
    switch (quality) {
    case 4: return QualityClass::RtkFixed;
    case 5: return QualityClass::RtkFloat;
    case 2: return QualityClass::Dgps;
    case 1:
    case 3: return QualityClass::Gps;
    case 6: return QualityClass::Estimated;
    default: return QualityClass::Other;
    }
}

std::unique_ptr<TrackWriter> MakeTrackWriter(DocumentFormat format, const TrackDocumentOptions &options,
                                             std::string_view name, std::string_view colour) {
    switch (format) {
    case DocumentFormat::Gpx: return std::make_unique<GpxWriter>(name);
    case DocumentFormat::Csv: return std::make_unique<CsvWriter>();
    case DocumentFormat::KmlTrack: return std::make_unique<KmlTrackWriter>(options, name, colour);
    case DocumentFormat::Kml: break;
    }
    return nullptr;
}

} // namespace conversion
