// What the user chose for one conversion: the document's format and the
// plain document's colour and checksum handling.
#pragma once

#include "track/epoch.h"

namespace conversion {

enum class BadChecksumPolicy { Stop, Skip };

// Report: an HTML page of what the log holds, drawn from the same epochs.
enum class DocumentFormat { Kml, Gpx, KmlTrack, Csv, Report };

// Options of the documents made of fix epochs.
struct TrackDocumentOptions {
    track::CivilDate date;       // for logs that carry no date
    double splitGapSeconds = 10; // a longer gap between fixes starts a new segment
    bool styleQuality = false;   // KML track: stretches coloured by fix quality
};

struct ConversionOptions {
    int colourIndex = 0; // index into IconColours; anything else is Red
    bool verifyChecksums = false;
    BadChecksumPolicy badChecksum = BadChecksumPolicy::Stop;
    bool anyTalker = false;
    DocumentFormat format = DocumentFormat::Kml;
    bool kmz = false; // the KML packed as doc.kml in a zip archive
    TrackDocumentOptions track;
};

} // namespace conversion
