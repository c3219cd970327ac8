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

// A sentence of one of our types from another talker: "GNRMC", "GLGSV", ...
void CountOtherTalker(std::string_view name, ConversionCounts &counts) {
    if (!nmea::IsOtherTalker(name)) return;
    char asGp[5] = {'G', 'P', name[2], name[3], name[4]};
    if (nmea::KindOfName(std::string_view(asGp, 5)) == nmea::SentenceKind::Unknown) return;
    ++counts.otherTalkerSentences;
    for (size_t i = 0; i < counts.otherTalkerKinds; ++i) {
        auto &entry = counts.otherTalkers[i];
        if (entry.talker[0] == name[0] && entry.talker[1] == name[1]) {
            ++entry.count;
            return;
        }
    }
    if (counts.otherTalkerKinds < counts.otherTalkers.size()) {
        counts.otherTalkers[counts.otherTalkerKinds++] = {{name[0], name[1]}, 1};
    }
}

} // namespace

ConversionOutcome ConvertStream(ByteSource &in, OutputBuffer &out, const ConversionOptions &options,
                                const std::atomic<bool> *cancel, CycleHook *hook) {
    // Fresh per conversion: the document depends on nothing but the log.
    auto ctx = std::make_unique<nmea::SentenceContext>();
    ctx->VerifyChecksums = options.verifyChecksums;
    ctx->AnyTalker = options.anyTalker;
    ctx->DeferDisplay = true; // the texts are read only when a cycle closes
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
        ctx->LoadLine(piece, reader.TextLength());
        if (!reader.HasStar()) continue;
        ctx->SentenceLength = static_cast<int32_t>(ctx->CurrentSentence.size());

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
            CountOtherTalker(name, counts);
            continue;
        }
        ++counts.sentences;
        if (fixSeen && ctx->Deferred.DateKnown(display) &&
            name == std::string_view(cycleStartName, cycleStartLength)) {
            ctx->RefreshDisplay();
            if (hook) {
                if (hook->OnCycle(out, ctx->Manager)) ++counts.placemarks;
            } else {
                WritePlacemark(out, display);
                ++counts.placemarks;
            }
            if (out.Failed()) break;
        }
    }
    ctx->RefreshDisplay();
    counts.lines = reader.LinesSeen();
    counts.cycleStartFound = cycleStartLength > 0;
    counts.fixSeen = fixSeen;
    counts.dateSeen = !display.Date.empty();
    if (outcome.kind == OutcomeKind::Done && reader.Failed()) {
        outcome.kind = OutcomeKind::ReadFailed;
        outcome.systemError = std::strerror(reader.Error());
    }
    // Cancelled while a read waited: the end of input that followed is no end of the log.
    if (outcome.kind == OutcomeKind::Done && cancel && cancel->load(std::memory_order_relaxed))
        outcome.kind = OutcomeKind::Cancelled;
    if (outcome.kind == OutcomeKind::Done) {
        if (hook && !hook->WriteBeforeFooter(out)) {
            outcome.kind = OutcomeKind::WriteFailed;
            outcome.systemError = std::strerror(hook->Error());
        }
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
