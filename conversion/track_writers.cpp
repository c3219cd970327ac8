#include "track_writers.h"

namespace conversion {

std::unique_ptr<TrackWriter> MakeTrackWriter(DocumentFormat format, const TrackDocumentOptions &options,
                                             std::string_view name, std::string_view colour) {
    switch (format) {
    case DocumentFormat::Gpx: return MakeGpxWriter(name);
    case DocumentFormat::Csv: return MakeCsvWriter();
    case DocumentFormat::KmlTrack: return MakeKmlTrackWriter(options, name, colour);
    case DocumentFormat::Kml: break;
    }
    return nullptr;
}

} // namespace conversion
