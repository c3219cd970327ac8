// The run of the documents made of fix epochs: lines into the epoch decoder,
// valid epochs into the format's writer, segments broken at gaps.
#include <cstring>
#include <string>

#include "kml_writer.h"
#include "line_reader.h"
#include "run.h"
#include "track/decoder.h"

namespace conversion {

namespace {
// Longer lines are no sentences of ours; their rest is dropped.
constexpr size_t kMaxLine = 1024;
} // namespace

ConversionOutcome ConvertTrack(ByteSource &in, OutputBuffer &out, const ConversionOptions &options,
                               std::string_view name, const std::atomic<bool> *cancel) {
    track::DecoderOptions decoderOptions;
    decoderOptions.startDate = options.track.date;
    decoderOptions.verifyChecksums = options.verifyChecksums;
    track::EpochDecoder decoder(decoderOptions);
    const std::unique_ptr<TrackWriter> writer =
        MakeTrackWriter(options.format, options.track, name, IconColour(options.colourIndex));

    ConversionOutcome outcome;
    ConversionCounts &counts = outcome.counts;
    counts.epochDocument = true;
    const int64_t gapMs = static_cast<int64_t>(options.track.splitGapSeconds * 1000);
    bool broken = true;    // the next point starts a segment
    int64_t lastAt = 0;    // milliseconds since 1970 of the last point written

    const auto take = [&](const track::Epoch &e) {
        counts.fixSeen = counts.fixSeen || (e.hasPosition && e.status != 'V' && e.quality != 0);
        if (!e.Valid()) {
            broken = true;
            return;
        }
        const int64_t at = track::DaysFromCivil(e.date) * 86'400'000 + e.timeMs;
        // A gap, or time running backwards, starts a new segment.
        const bool newSegment = broken || at - lastAt > gapMs || at <= lastAt;
        writer->Point(out, e, newSegment);
        counts.segments += newSegment;
        ++counts.placemarks;
        broken = false;
        lastAt = at;
    };

    writer->Begin(out);
    LineReader reader(in);
    std::string joined;
    joined.reserve(kMaxLine);
    uint64_t lineNumber = 0;
    std::string_view piece;
    while (reader.Next(piece)) {
        if (cancel && cancel->load(std::memory_order_relaxed)) {
            outcome.kind = OutcomeKind::Cancelled;
            break;
        }
        // The reader hands long lines on in pieces; a line is whole at its line feed.
        const bool ends = piece.back() == '\n';
        std::string_view line = piece;
        if (!joined.empty() || !ends) {
            if (joined.empty()) lineNumber = reader.LineNumber();
            joined.append(piece.substr(0, kMaxLine - std::min(kMaxLine, joined.size())));
            if (!ends) continue;
            line = joined;
        } else {
            lineNumber = reader.LineNumber();
        }
        const track::LineResult result = decoder.Feed(line, lineNumber);
        joined.clear();
        if (result == track::LineResult::BadChecksum) {
            if (options.badChecksum == BadChecksumPolicy::Skip) {
                if (counts.badChecksums++ == 0) counts.firstBadChecksumLine = lineNumber;
                continue;
            }
            outcome.kind = OutcomeKind::FormatError;
            outcome.line = lineNumber;
            break;
        }
        if (result == track::LineResult::Ignored) {
            counts.unrecognised += line.find('*') != std::string_view::npos;
            continue;
        }
        ++counts.sentences;
        if (const track::Epoch *e = decoder.TakeClosed()) take(*e);
        if (out.Failed()) break;
    }
    if (outcome.kind == OutcomeKind::Done && !joined.empty()) {
        const track::LineResult result = decoder.Feed(joined, lineNumber);
        counts.sentences += result == track::LineResult::Decoded;
        if (result == track::LineResult::BadChecksum && options.badChecksum == BadChecksumPolicy::Stop) {
            outcome.kind = OutcomeKind::FormatError;
            outcome.line = lineNumber;
        }
    }
    counts.lines = reader.LinesSeen();
    if (outcome.kind == OutcomeKind::Done && reader.Failed()) {
        outcome.kind = OutcomeKind::ReadFailed;
        outcome.systemError = std::strerror(reader.Error());
    }
    if (outcome.kind == OutcomeKind::Done && cancel && cancel->load(std::memory_order_relaxed))
        outcome.kind = OutcomeKind::Cancelled;
    if (outcome.kind == OutcomeKind::Done) {
        decoder.Finish();
        if (const track::Epoch *e = decoder.TakeClosed()) take(*e);
        if (!writer->End(out)) {
            outcome.kind = OutcomeKind::WriteFailed;
            outcome.systemError = std::strerror(writer->Error());
        }
    }
    counts.epochs = decoder.Epochs();
    counts.cycleStartFound = decoder.Epochs() > 0;
    counts.dateSeen = decoder.DateSeen() || options.track.date.Known();
    out.Flush();
    if (out.Failed() && outcome.kind == OutcomeKind::Done) {
        outcome.kind = OutcomeKind::WriteFailed;
        outcome.systemError = std::strerror(out.Error());
    }
    return outcome;
}

} // namespace conversion
