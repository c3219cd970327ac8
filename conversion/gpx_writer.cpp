// GPX 1.1: one track, a segment per stretch without a gap; speed and course
// in Garmin's TrackPointExtension v2, which most sports and map apps read.
#include "epoch_fields.h"
#include "track_writers.h"
#include "xml_text.h"

namespace conversion {

namespace {

using track::Epoch;
using track::Number;

void Element(OutputBuffer &out, std::string_view open, std::string_view text, std::string_view close) {
    out.Append(open);
    out.Append(text);
    out.Append(close);
}

void NumberElement(OutputBuffer &out, std::string_view open, const Number &n, std::string_view close) {
    if (!n.Known()) return;
    out.Append(open);
    PutNumber(out, n);
    out.Append(close);
}

class GpxWriter : public TrackWriter {
  public:
    explicit GpxWriter(std::string_view name) : name_(XmlText(name)) {}

    void Begin(OutputBuffer &out) override {
        out.Append("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                   "<gpx version=\"1.1\" creator=\"sentrova-convert\" xmlns=\"http://www.topografix.com/GPX/1/1\" "
                   "xmlns:gpxtpx=\"http://www.garmin.com/xmlschemas/TrackPointExtension/v2\" "
                   "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
                   "xsi:schemaLocation=\"http://www.topografix.com/GPX/1/1 "
                   "http://www.topografix.com/GPX/1/1/gpx.xsd "
                   "http://www.garmin.com/xmlschemas/TrackPointExtension/v2 "
                   "http://www.garmin.com/xmlschemas/TrackPointExtensionv2.xsd\">\n<trk>\n<name>");
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
        // GPX takes -180 but not 180, the same meridian.
        if (e.longitude >= 179.9999999995) out.Append("-180.000000000");
        else PutDegrees(out, e.longitude);
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
        Extensions(out, e);
        out.Append("</trkpt>\n");
    }

    bool Finish(OutputBuffer &) override { return true; }
    void Footer(OutputBuffer &out) override {
        if (open_) out.Append("</trkseg>\n");
        out.Append("</trk>\n</gpx>\n");
    }

  private:
    // Written only when the log gives speed or course.
    static void Extensions(OutputBuffer &out, const Epoch &e) {
        char speedText[kFieldTextSize], courseText[kFieldTextSize];
        const std::string_view speed = SpeedMps(e.speedKnots, speedText);
        const std::string_view course = CourseDegrees(e.course, courseText);
        if (speed.empty() && course.empty()) return;
        // On lines of their own: GDAL's GPX driver takes an extension whose
        // text without breaks looks like a number for a number, and warns.
        out.Append("<extensions><gpxtpx:TrackPointExtension>\n");
        if (!speed.empty()) Element(out, "<gpxtpx:speed>", speed, "</gpxtpx:speed>");
        if (!course.empty()) Element(out, "<gpxtpx:course>", course, "</gpxtpx:course>");
        out.Append("\n</gpxtpx:TrackPointExtension></extensions>");
    }

    std::string name_;
    bool open_ = false;
};

} // namespace

std::unique_ptr<TrackWriter> MakeGpxWriter(std::string_view name) { return std::make_unique<GpxWriter>(name); }

} // namespace conversion
