// The run of the documents made of fix epochs: lines into the epoch decoder,
// valid epochs into the format's writer, segments broken at gaps.
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "kml_writer.h"
#include "run.h"
#include "track/decoder.h"

namespace conversion {

namespace {

// The lines of a log, split at line feeds, read in large blocks. A line
// longer than kMaxLine is no sentence of ours: only its start is kept.
class RawLines {
  public:
    static constexpr size_t kBlock = 1 << 20;
    static constexpr size_t kMaxLine = 1024;

    explicit RawLines(ByteSource &source) : source_(source), block_(new char[kBlock]) {}

    bool Next(std::string_view &line) {
        carry_.clear();
        for (;;) {
            if (pos_ == end_ && !Refill()) {
                if (carry_.empty() && !partial_) return false;
                partial_ = false;
                ++line_;
                line = carry_;
                return true;
            }
            const char *from = block_.get() + pos_;
            const auto *feed = static_cast<const char *>(std::memchr(from, '\n', end_ - pos_));
            const size_t n = feed ? static_cast<size_t>(feed - from) : end_ - pos_;
            pos_ += feed ? n + 1 : n;
            ++line_;
            if (feed && carry_.empty() && !partial_) {
                line = std::string_view(from, n);
                return true;
            }
            carry_.append(from, std::min(n, kMaxLine - std::min(kMaxLine, carry_.size())));
            if (feed) {
                partial_ = false;
                line = carry_;
                return true;
            }
            --line_; // the line goes on in the next block
            partial_ = true;
        }
    }
    uint64_t LineNumber() const { return line_; }
    bool Failed() const { return failed_; }
    int Error() const { return source_.Error(); }

  private:
    bool Refill() {
        if (ended_) return false;
        const long n = source_.Read(block_.get(), kBlock);
        if (n <= 0) {
            failed_ = n < 0;
            ended_ = true;
            return false;
        }
        pos_ = 0;
        end_ = static_cast<size_t>(n);
        return true;
    }

    ByteSource &source_;
    std::unique_ptr<char[]> block_;
    size_t pos_ = 0, end_ = 0;
    std::string carry_;
    bool partial_ = false; // carry_ holds the start of a line, maybe empty of text
    bool ended_ = false, failed_ = false;
    uint64_t line_ = 0;
};

constexpr size_t kUndatedMax = 64;

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

    const auto write = [&](const track::Epoch &e) {
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
    // Receivers often send GGA or GLL before the first RMC: the epochs before
    // the log's first date wait for it (a bounded few) and get it, or the day
    // before when their clock is later than the dated one's.
    std::vector<track::Epoch> undated;
    undated.reserve(kUndatedMax);
    bool dated = false;
    const auto take = [&](const track::Epoch &e) {
        counts.fixSeen = counts.fixSeen || (e.hasPosition && e.status != 'V' && e.quality != 0);
        if (!dated && !e.date.Known()) {
            if (undated.size() < kUndatedMax) undated.push_back(e);
            return;
        }
        if (!dated && e.date.Known()) {
            dated = true;
            const int64_t day = track::DaysFromCivil(e.date);
            for (track::Epoch &u : undated) {
                if (u.timeMs >= 0) u.date = track::CivilFromDays(u.timeMs <= e.timeMs ? day : day - 1);
                write(u);
            }
            undated.clear();
        }
        write(e);
    };

    writer->Begin(out);
    // The log's bytes as they are: unlike the text-mode reader of the plain
    // document, a Ctrl-Z in a receiver's binary messages does not end the log.
    RawLines reader(in);
    std::string_view line;
    while (reader.Next(line)) {
        if (cancel && cancel->load(std::memory_order_relaxed)) {
            outcome.kind = OutcomeKind::Cancelled;
            break;
        }
        const uint64_t lineNumber = reader.LineNumber();
        const track::LineResult result = decoder.Feed(line, lineNumber);
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
    counts.lines = reader.LineNumber();
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
    FlushInto(out, outcome);
    return outcome;
}

} // namespace conversion
