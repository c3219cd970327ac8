#include "run.h"

#include <cstring>

#include "kml_writer.h"
#include "line_reader.h"
#include "nmea/context.h"
#include "nmea/dispatch.h"

namespace conversion {
namespace {

bool ClosesCycle(std::string_view name) {
    return name == "GPRMC" || name == "GPRPT" || name == "GPGGA" || name == "GPGLL";
}

} // namespace

ConversionOutcome ConvertStream(ByteSource &in, OutputBuffer &out, const ConversionOptions &options,
                                const std::atomic<bool> *cancel, CycleHook *hook) {
    // Fresh per conversion: the document depends on nothing but the log.
    auto ctx = std::make_unique<nmea::SentenceContext>();
    ctx->VerifyChecksums = options.verifyChecksums;
    ctx->AnyTalker = options.anyTalker;
    const nmea::DataDisplay &display = ctx->Manager.Display;

    ConversionOutcome outcome;
    ConversionCounts &counts = outcome.counts;
    char cycleStartName[5];
    size_t cycleStartLength = 0;
    bool fixSeen = false;

    WriteKmlHeader(out, IconColour(options.colourIndex));
    if (hook) hook->WriteHeaderExtra(out);

    LineReader reader(in);
    std::string_view piece;
    while (reader.Next(piece)) {
        if (cancel && cancel->load(std::memory_order_relaxed)) {
            outcome.kind = OutcomeKind::Cancelled;
            break;
        }
        ctx->UnrecognisedSentence = 0;
        ctx->LoadLine(piece);
        const std::string &sentence = ctx->CurrentSentence;
        if (sentence.find('*') == std::string::npos) continue;
        ctx->SentenceLength = static_cast<int32_t>(sentence.size());

        const std::string_view name = ctx->SentenceName();
        if (cycleStartLength == 0 && ClosesCycle(name)) {
            std::memcpy(cycleStartName, name.data(), name.size());
            cycleStartLength = name.size();
        }
        if (!fixSeen && (name == "GPRMC" || name == "GPGLL") && display.PositionValid == 1) fixSeen = true;

        if (nmea::ParseSentence(*ctx) == 0) {
            if (options.badChecksum == BadChecksumPolicy::Skip) {
                if (counts.badChecksums++ == 0) counts.firstBadChecksumLine = reader.LineNumber();
                continue;
            }
            outcome.kind = OutcomeKind::FormatError;
            outcome.line = reader.LineNumber();
            break;
        }
        if (ctx->UnrecognisedSentence) {
            ++counts.unrecognised;
            continue;
        }
        ++counts.sentences;
        if (fixSeen && !display.Date.empty() &&
            name == std::string_view(cycleStartName, cycleStartLength)) {
            if (hook && !hook->WantPlacemark(display)) continue;
            WritePlacemark(out, display);
            ++counts.placemarks;
            if (hook) hook->PlacemarkWritten(display);
            if (out.Failed()) break;
        }
    }
    counts.lines = reader.LinesSeen();
    if (outcome.kind == OutcomeKind::Done && reader.Failed()) {
        outcome.kind = OutcomeKind::ReadFailed;
        outcome.systemError = std::strerror(reader.Error());
    }
    if (outcome.kind == OutcomeKind::Done) {
        if (hook) hook->WriteBeforeFooter(out);
        WriteKmlFooter(out);
    }
    out.Flush();
    if (out.Failed() && outcome.kind == OutcomeKind::Done) {
        outcome.kind = OutcomeKind::WriteFailed;
        outcome.systemError = std::strerror(out.Error());
    }
    return outcome;
}

} // namespace conversion
