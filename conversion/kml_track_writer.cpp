// KML 2.2 gx:Track: a placemark per segment, or per stretch of one fix quality.
#include <array>
#include <cerrno>
#include <cstring>
#include <unistd.h>

#include "epoch_fields.h"
#include "nmea/number_text.h"
#include "scratch_file.h"
#include "track_writers.h"
#include "xml_text.h"

namespace conversion {

namespace {

using track::Epoch;
using track::Number;

// Fix quality groups of --style quality, in the legend's order.
enum class QualityClass { RtkFixed, RtkFloat, Dgps, Gps, Estimated, Other };

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

// One column of a track held in an unnamed temporary file until the track
// closes: gx:Track wants all <when>s, then all coordinates, then each value
// array, and a segment may be as long as the log.
class Column {
  public:
    ~Column() {
        out_.reset();
        if (fd_ >= 0) ::close(fd_);
    }
    // nullptr when the file cannot be made (its errno kept).
    OutputBuffer *Out() {
        if (!out_ && error_ == 0) {
            fd_ = OpenScratchFile(ScratchFolder());
            if (fd_ < 0) {
                error_ = errno;
                return nullptr;
            }
            sink_ = std::make_unique<FdSink>(fd_);
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
        const int fd = fd_;
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
    int fd_ = -1;
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
        if (e.altitude.Known()) PutNumber(*coord, e.altitude);
        else coord->Append('0');
        coord->Append("</gx:coord>\n");
        allAltitudes_ = allAltitudes_ && e.altitude.Known();
        char text[kFieldTextSize];
        Value(0, PlainNumber(e.speedKnots, text));
        Value(1, CourseDegrees(e.course, text));
        Value(2, PlainNumber(e.hdop, text));
        const long sats = SatsUsed(e);
        Value(3, sats, sats >= 0);
        Value(4, e.quality, e.quality >= 0);
        ++points_;
    }

    bool Finish(OutputBuffer &out) override {
        if (points_ > 0) CloseTrack(out);
        return error_ == 0;
    }
    void Footer(OutputBuffer &out) override { out.Append("</Document>\n</kml>\n"); }
    bool HoldsPoints() const override { return true; }

    int Error() const override { return error_; }
    // Only the columns' files fail here: the document's own writes fail in its buffer.
    std::string ErrorText() const override {
        return "the KML track's temporary file in " + ScratchFolder() + ": " + std::strerror(error_);
    }

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
        out.Append("\"><IconStyle><scale>0</scale></IconStyle><LineStyle><color>");
        out.Append(colour);
        out.Append("</color><width>3</width></LineStyle></Style>\n");
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

std::unique_ptr<TrackWriter> MakeKmlTrackWriter(const TrackDocumentOptions &options, std::string_view name,
                                                std::string_view colour) {
    return std::make_unique<KmlTrackWriter>(options, name, colour);
}

} // namespace conversion
