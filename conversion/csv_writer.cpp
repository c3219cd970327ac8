// CSV: one row per point, every field the epoch holds; the units are in the
// column names, and each row has as many fields as the header.
#include "epoch_fields.h"
#include "track_writers.h"
#include "xml_text.h"

namespace conversion {

namespace {

using track::Epoch;
using track::Number;

constexpr std::string_view kCsvHeader =
    "segment,line,time,latitude,longitude,altitude_m,geoid_separation_m,fix_quality,fix,gsa_mode,"
    "sats_used,sats_used_gsa,hdop,vdop,pdop,speed_knots,speed_mps,course_deg,dgps_age_s,dgps_station,"
    "sd_latitude_m,sd_longitude_m,sd_altitude_m,sats_in_view,in_view_gps,in_view_glonass,in_view_galileo,"
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
        char text[kFieldTextSize];
        const auto field = [&](std::string_view t) {
            out.Append(',');
            out.Append(t);
        };
        const auto number = [&](const Number &n) { field(PlainNumber(n, text)); };
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
        field(SpeedMps(e.speedKnots, text));
        field(CourseDegrees(e.course, text));
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

    bool Finish(OutputBuffer &) override { return true; }
    void Footer(OutputBuffer &) override {}

  private:
    uint64_t segment_ = 0;
};

} // namespace

std::unique_ptr<TrackWriter> MakeCsvWriter() { return std::make_unique<CsvWriter>(); }

} // namespace conversion
