#include "track_writers.h"

namespace conversion {

std::unique_ptr<TrackWriter> MakeTrackWriter(const ConversionOptions &options, std::string_view name,
                                             std::string_view colour) {
    switch (options.format) {
    case DocumentFormat::Gpx: return MakeGpxWriter(name);
    case DocumentFormat::Csv: return MakeCsvWriter();
    case DocumentFormat::KmlTrack: return MakeKmlTrackWriter(options.track, name, colour);
    case DocumentFormat::Report: return MakeReportWriter(options, name);
    case DocumentFormat::Kml: break;
    }
    return nullptr;
}

} // namespace conversion
