// The documents made of fix epochs: GPX 1.1, a KML 2.2 gx:Track and CSV.
// Each writes its points as they come, in constant memory.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "byte_io.h"
#include "track/epoch.h"

namespace conversion {

enum class DocumentFormat { Kml, Gpx, KmlTrack, Csv };

struct TrackDocumentOptions {
    track::CivilDate date;       // for logs that carry no date
    double splitGapSeconds = 10; // a longer gap between fixes starts a new segment
    bool styleQuality = false;   // KML track: stretches coloured by fix quality
};

class TrackWriter {
  public:
    virtual ~TrackWriter() = default;
    virtual void Begin(OutputBuffer &out) = 0;
    // A valid epoch; newSegment for the first point and after a break.
    virtual void Point(OutputBuffer &out, const track::Epoch &epoch, bool newSegment) = 0;
    // Closes the document; false when a temporary column could not be read back.
    virtual bool End(OutputBuffer &out) = 0;
    virtual int Error() const { return 0; }
};

// name: the document's and track's name (the log's file name); colour: the
// KML track's line colour when not styled by quality.
std::unique_ptr<TrackWriter> MakeTrackWriter(DocumentFormat format, const TrackDocumentOptions &options,
                                             std::string_view name, std::string_view colour);

// "2026-12-08T17:45:03.250Z".
void PutIsoTime(OutputBuffer &out, const track::Epoch &epoch);
// RFC 4180: a field with a comma, quote, CR or LF is quoted, its quotes doubled.
void PutCsvField(OutputBuffer &out, std::string_view text);
// The GPX <fix> value of an epoch, empty when the log does not say.
std::string_view GpxFix(const track::Epoch &epoch);

// Fix quality groups of --style quality, in the legend's order.
enum class QualityClass { RtkFixed, RtkFloat, Dgps, Gps, Estimated, Other };
QualityClass ClassOf(int ggaQuality);

} // namespace conversion
