// Arbitrary bytes as a whole log through the conversion into memory. The
// document must keep its frame and stay plain CR LF text whatever the log
// holds, and must not depend on how the source hands out its bytes.
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

using conversion::OutcomeKind;

constexpr std::string_view kHeader = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                                     "<kml xmlns=\"http://earth.google.com/kml/2.1\">\r\n"
                                     "<Document>\r\n"
                                     "<Style id=\"Point\"><IconStyle><color>ff0000ff</color>"
                                     "<scale>.3</scale></IconStyle></Style>\r\n";
constexpr std::string_view kFooter = "</Document>\r\n</kml>\r\n";
constexpr size_t kLinesPerPlacemark = 6;

[[noreturn]] void Fail(const char *what) {
    std::fprintf(stderr, "conversion output: %s\n", what);
    std::abort();
}

conversion::ConversionOutcome Convert(conversion::ByteSource &in, const conversion::ConversionOptions &options,
                                      std::string &document) {
    conversion::MemorySink sink;
    // A small block drives the buffer through its overflow path as well.
    conversion::OutputBuffer out(sink, 64);
    const conversion::ConversionOutcome outcome = conversion::ConvertStream(in, out, options);
    document = std::move(sink.bytes);
    return outcome;
}

void CheckDocument(const std::string &doc, const conversion::ConversionOutcome &outcome,
                   const conversion::ConversionOptions &options) {
    const bool stopsOnChecksum = options.verifyChecksums && options.badChecksum == conversion::BadChecksumPolicy::Stop;
    if (outcome.kind != OutcomeKind::Done && !(outcome.kind == OutcomeKind::FormatError && stopsOnChecksum))
        Fail("unexpected outcome");
    if (!doc.starts_with(kHeader)) Fail("header missing");
    const bool done = outcome.kind == OutcomeKind::Done;
    if (done && !doc.ends_with(kFooter)) Fail("footer missing");
    if (!done && doc.ends_with(kFooter)) Fail("footer after a failed conversion");

    size_t lines = 0;
    for (size_t i = 0; i < doc.size(); ++i) {
        const auto c = static_cast<unsigned char>(doc[i]);
        if (c == '\n') {
            if (i == 0 || doc[i - 1] != '\r') Fail("LF without CR");
            ++lines;
        } else if (c == '\r') {
            if (i + 1 == doc.size() || doc[i + 1] != '\n') Fail("CR without LF");
        } else if (c != '\t' && (c < 0x20 || c > 0x7e)) {
            Fail("byte outside printable ASCII");
        }
    }
    if (!doc.ends_with("\r\n")) Fail("last line open");
    const size_t frame = 4 + (done ? 2 : 0);
    // A placemark without a calendar date has no TimeStamp line.
    const uint64_t expected = frame + kLinesPerPlacemark * outcome.counts.placemarks - outcome.counts.timeStampsLeftOut;
    if (lines != expected) Fail("line count off");
}

void RunWith(std::string_view log, const conversion::ConversionOptions &options, size_t step) {
    conversion::MemorySource whole(log);
    std::string document;
    const conversion::ConversionOutcome outcome = Convert(whole, options, document);
    CheckDocument(document, outcome, options);

    TrickleSource trickle(log, step);
    std::string trickled;
    const conversion::ConversionOutcome again = Convert(trickle, options, trickled);
    if (trickled != document || again.kind != outcome.kind || again.line != outcome.line)
        Fail("output depends on how the source is read");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::string_view log(reinterpret_cast<const char *>(data), size);
    // The input's length picks the options and the read size, so that each
    // run converts twice only and the fuzzer still reaches every combination.
    const size_t step = 1 + size % 13;
    conversion::ConversionOptions options;
    switch (size % 3) {
    case 0: break;
    case 1: options.verifyChecksums = true; break;
    default:
        options.verifyChecksums = true;
        options.badChecksum = conversion::BadChecksumPolicy::Skip;
        options.anyTalker = true;
        break;
    }
    RunWith(log, options, step);
    return 0;
}
