#include "run.h"

#include <cstring>

#include "kml_writer.h"
#include "line_reader.h"
#include "nmea/context.h"
#include "nmea/dispatch.h"
#include "nmea/display_format.h"
#include "nmea/talker.h"

namespace conversion {
namespace {

using nmea::SentenceKind;

bool ClosesCycle(SentenceKind kind) {
    const nmea::SentenceRow *row = nmea::RowOf(kind);
    return row != nullptr && row->closesCycle;
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

std::string CycleHook::ErrorText() const { return std::strerror(Error()); }

void FlushInto(OutputBuffer &out, ConversionOutcome &outcome) {
    out.Flush();
    if (out.Failed() && outcome.kind == OutcomeKind::Done) {
        outcome.kind = OutcomeKind::WriteFailed;
        outcome.systemError = std::strerror(out.Error());
    }
}

ConversionOutcome ConvertStream(ByteSource &in, OutputBuffer &out, const ConversionOptions &options,
                                const std::atomic<bool> *cancel, CycleHook *hook) {
    // Fresh per conversion: the document depends on nothing but the log.
    auto ctx = std::make_unique<nmea::SentenceContext>();
    ctx->VerifyChecksums = options.verifyChecksums;
    ctx->AnyTalker = options.anyTalker;

    ConversionOutcome outcome;
    ConversionCounts &counts = outcome.counts;
    // The name that opened the first cycle; each of its later sentences closes one.
    SentenceKind cycleStart = SentenceKind::Unknown;
    bool fixSeen = false;
    // The clock of the RMC or RPT that last brought the date.
    nmea::PackedTime clockWithDate = 0;
    bool clockWithDateSeen = false;

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
        SentenceKind kind = nmea::KindOfName(name);
        // A second talker's sentence of a kind neither opens nor closes a cycle.
        if (ctx->AnyTalker && kind != SentenceKind::Unknown && !ctx->ReadsTalker(kind)) kind = SentenceKind::Unknown;
        if (cycleStart == SentenceKind::Unknown && ClosesCycle(kind)) cycleStart = kind;
        if (!fixSeen && (kind == SentenceKind::GPRMC || kind == SentenceKind::GPGLL) && ctx->Manager.PositionValid() == 1)
            fixSeen = true;

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
        if (ctx->LastFromOtherTalker) {
            ++counts.otherTalkerIgnored;
            continue;
        }
        ++counts.sentences;
        if (ctx->LastDecoded && (kind == SentenceKind::GPRMC || kind == SentenceKind::GPRPT)) {
            clockWithDate = kind == SentenceKind::GPRMC ? ctx->Manager.RmcRecord.Message.UtcTime
                                                        : ctx->Manager.RptRecord.Message.UtcTime;
            clockWithDateSeen = true;
        }
        if (fixSeen && kind == cycleStart && ctx->Manager.DateKnown()) {
            const nmea::DataDisplay &display = ctx->Manager.Display();
            ++counts.cycles;
            if (!HasPosition(display)) {
                ++counts.cyclesWithoutPosition;
                continue;
            }
            char clock[nmea::kUtcTimeTextSize];
            const size_t clockLength = clockWithDateSeen ? nmea::PutUtcTimeText(clock, clockWithDate) : 0;
            const PlacemarkDate date =
                DateOfPlacemark(display.Date, display.UtcTime, std::string_view(clock, clockLength));
            bool written = true;
            if (hook) written = hook->OnCycle(out, ctx->Manager, date);
            else WritePlacemark(out, display, date);
            if (written) {
                ++counts.placemarks;
                counts.timeStampsLeftOut += date.calendar ? 0 : 1;
                counts.datesMoved += date.nextDay ? 1 : 0;
            }
            if (out.Failed()) break;
        }
    }
    counts.lines = reader.LinesSeen();
    counts.cycleStartFound = cycleStart != SentenceKind::Unknown;
    counts.fixSeen = fixSeen;
    counts.dateSeen = ctx->Manager.DateKnown();
    if (outcome.kind == OutcomeKind::Done && reader.Failed()) {
        outcome.kind = OutcomeKind::ReadFailed;
        outcome.systemError = std::strerror(reader.Error());
    }
    // Cancelled while a read waited or after the last line: the end of input
    // that followed is no end of the log.
    const auto cancelled = [cancel] { return cancel && cancel->load(std::memory_order_relaxed); };
    if (outcome.kind == OutcomeKind::Done && cancelled()) outcome.kind = OutcomeKind::Cancelled;
    if (outcome.kind == OutcomeKind::Done && hook && !hook->WriteBeforeFooter(out)) {
        outcome.kind = OutcomeKind::WriteFailed;
        outcome.systemError = hook->ErrorText();
    }
    // Up to its footer the document is not complete: a cancel still wins, and
    // no closing lines follow it. The placemarks go out first, so that a cancel
    // that comes while they are written is seen too.
    if (outcome.kind == OutcomeKind::Done && out.Flush() && cancelled()) outcome.kind = OutcomeKind::Cancelled;
    if (outcome.kind == OutcomeKind::Done) WriteKmlFooter(out);
    FlushInto(out, outcome);
    return outcome;
}

} // namespace conversion
