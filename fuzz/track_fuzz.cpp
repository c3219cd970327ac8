// Arbitrary bytes as a whole log through the GPX, KML track and CSV runs. Each
// document must keep its frame, hold as many points as the run counts, stay
// printable text, and not depend on how the source hands out its bytes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "conversion/byte_io.h"
#include "conversion/stream_conversion.h"
#include "trickle_source.h"

namespace {

using conversion::DocumentFormat;

[[noreturn]] void Fail(const char *what) {
    std::fprintf(stderr, "epoch document: %s\n", what);
    std::abort();
}

size_t Count(const std::string &text, std::string_view what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

std::string Convert(std::string_view log, size_t step, const conversion::ConversionOptions &options) {
    TrickleSource source(log, step);
    conversion::MemorySink sink;
    conversion::ConversionOutcome outcome;
    {
        conversion::OutputBuffer out(sink, 64);
        outcome = conversion::ConvertTrack(source, out, options, "fuzz");
    }
    if (outcome.kind != conversion::OutcomeKind::Done) Fail("not done");
    const std::string &doc = sink.bytes;
    for (unsigned char c : doc) {
        if (c != '\n' && c != '\r' && (c < 0x20 || c > 0x7e)) Fail("byte outside printable ASCII");
    }
    const uint64_t points = outcome.counts.placemarks;
    switch (options.format) {
    case DocumentFormat::Gpx:
        if (!doc.ends_with("</trk>\n</gpx>\n")) Fail("GPX footer missing");
        if (Count(doc, "<trkpt ") != points || Count(doc, "</trkpt>") != points) Fail("GPX points");
        if (Count(doc, "<trkseg>") != outcome.counts.segments) Fail("GPX segments");
        break;
    case DocumentFormat::KmlTrack:
        if (!doc.ends_with("</Document>\n</kml>\n")) Fail("KML footer missing");
        if (Count(doc, "<when>") != points || Count(doc, "<gx:coord>") != points) Fail("KML points");
        if (Count(doc, "<gx:value>") != 5 * points) Fail("KML values");
        break;
    case DocumentFormat::Report:
        if (!doc.ends_with("</body>\n</html>\n")) Fail("report's end missing");
        if (Count(doc, "\"points\":" + std::to_string(points) + ",") != 1) Fail("report's points");
        break;
    default:
        if (Count(doc, "\r\n") != points + 1) Fail("CSV rows");
        break;
    }
    return doc;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0) return 0;
    // The first byte picks the format and options; the rest is the log.
    const uint8_t pick = data[0];
    const std::string_view log(reinterpret_cast<const char *>(data + 1), size - 1);
    conversion::ConversionOptions options;
    const DocumentFormat formats[] = {DocumentFormat::Gpx, DocumentFormat::KmlTrack, DocumentFormat::Csv,
                                      DocumentFormat::Report};
    options.format = formats[pick % 4];
    options.track.styleQuality = (pick & 4) != 0;
    options.track.splitGapSeconds = (pick & 8) ? 0.05 : 10;
    if (pick & 16) options.track.date = {2024, 2, 29};
    const std::string whole = Convert(log, size, options);
    if (Convert(log, 1 + pick % 7, options) != whole) Fail("depends on the reads");
    return 0;
}
