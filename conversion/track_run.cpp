// The run of the documents made of fix epochs: lines into the epoch decoder,
// valid epochs into the format's writer, segments broken at gaps.
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "kml_writer.h"
#include "raw_line_reader.h"
#include "run_ending.h"
#include "stream_conversion.h"
#include "track/decoder.h"
#include "track_writers.h"

namespace conversion {

namespace {

constexpr size_t kUndatedMax = 64;

class TrackRun final : public DocumentTail {
  public:
    TrackRun(ByteSource &in, OutputBuffer &out, const ConversionOptions &options, std::string_view name,
             const std::atomic<bool> *cancel)
        : out_(out), options_(options), cancel_(cancel), reader_(in), decoder_(DecoderOptionsOf(options)),
          writer_(MakeTrackWriter(options.format, options.track, name, IconColour(options.colourIndex))),
          gapMs_(static_cast<int64_t>(options.track.splitGapSeconds * 1000)) {
        outcome_.counts.epochDocument = true;
        undated_.reserve(kUndatedMax);
    }

    ConversionOutcome Run() {
        writer_->Begin(out_);
        std::string_view line;
        while (reader_.Next(line)) {
            if (CancelRequested(cancel_)) {
                outcome_.kind = OutcomeKind::Cancelled;
                break;
            }
            if (!Feed(line)) break;
        }
        outcome_.counts.lines = reader_.LineNumber();
        EndRun(out_, outcome_, reader_.Failed(), reader_.Error(), cancel_, *this);
        ConversionCounts &counts = outcome_.counts;
        counts.epochs = decoder_.Epochs();
        counts.cycleStartFound = decoder_.Epochs() > 0;
        counts.dateSeen = decoder_.DateSeen() || options_.track.date.Known();
        return std::move(outcome_);
    }

  private:
    static track::DecoderOptions DecoderOptionsOf(const ConversionOptions &options) {
        track::DecoderOptions decoderOptions;
        decoderOptions.startDate = options.track.date;
        decoderOptions.verifyChecksums = options.verifyChecksums;
        return decoderOptions;
    }

    // One line into the decoder, the epoch it closes into the document; false
    // when the run stops.
    bool Feed(std::string_view line) {
        ConversionCounts &counts = outcome_.counts;
        const uint64_t lineNumber = reader_.LineNumber();
        const track::LineResult result = decoder_.Feed(line, lineNumber);
        if (result == track::LineResult::BadChecksum) {
            if (options_.badChecksum == BadChecksumPolicy::Skip) {
                if (counts.badChecksums++ == 0) counts.firstBadChecksumLine = lineNumber;
                return true;
            }
            outcome_.kind = OutcomeKind::FormatError;
            outcome_.line = lineNumber;
            return false;
        }
        if (result == track::LineResult::Ignored) {
            counts.unrecognised += line.find('*') != std::string_view::npos;
            return true;
        }
        ++counts.sentences;
        if (const track::Epoch *e = decoder_.TakeClosed()) Take(*e);
        return !out_.Failed();
    }

    // Receivers often send GGA or GLL before the first RMC: the epochs before
    // the log's first date wait for it (a bounded few) and get it, or the day
    // before when their clock is later than the dated one's.
    void Take(const track::Epoch &e) {
        ConversionCounts &counts = outcome_.counts;
        counts.fixSeen = counts.fixSeen || (e.hasPosition && e.status != 'V' && e.quality != 0);
        if (!dated_ && !e.date.Known()) {
            if (undated_.size() < kUndatedMax) undated_.push_back(e);
            return;
        }
        if (!dated_ && e.date.Known()) {
            dated_ = true;
            const int64_t day = track::DaysFromCivil(e.date);
            for (track::Epoch &u : undated_) {
                if (u.timeMs >= 0) u.date = track::CivilFromDays(u.timeMs <= e.timeMs ? day : day - 1);
                Write(u);
            }
            undated_.clear();
        }
        Write(e);
    }

    void Write(const track::Epoch &e) {
        if (!e.Valid()) {
            broken_ = true;
            return;
        }
        ConversionCounts &counts = outcome_.counts;
        const int64_t at = track::DaysFromCivil(e.date) * 86'400'000 + e.timeMs;
        // A gap, or time running backwards, starts a new segment.
        const bool newSegment = broken_ || at - lastAt_ > gapMs_ || at <= lastAt_;
        writer_->Point(out_, e, newSegment);
        counts.segments += newSegment;
        ++counts.placemarks;
        broken_ = false;
        lastAt_ = at;
    }

    // The end of the log closes the epoch still open; the writer closes what
    // it holds open.
    bool WriteRest(OutputBuffer &out, std::string &error) override {
        decoder_.Finish();
        if (const track::Epoch *e = decoder_.TakeClosed()) Take(*e);
        if (writer_->Finish(out)) return true;
        error = writer_->ErrorText();
        return false;
    }
    void WriteFooter(OutputBuffer &out) override { writer_->Footer(out); }

    OutputBuffer &out_;
    const ConversionOptions &options_;
    const std::atomic<bool> *cancel_;
    RawLineReader reader_;
    track::EpochDecoder decoder_;
    const std::unique_ptr<TrackWriter> writer_;
    ConversionOutcome outcome_;
    const int64_t gapMs_;
    bool broken_ = true; // the next point starts a segment
    int64_t lastAt_ = 0; // milliseconds since 1970 of the last point written
    std::vector<track::Epoch> undated_;
    bool dated_ = false;
};

} // namespace

ConversionOutcome ConvertTrack(ByteSource &in, OutputBuffer &out, const ConversionOptions &options,
                               std::string_view name, const std::atomic<bool> *cancel) {
    return TrackRun(in, out, options, name, cancel).Run();
}

} // namespace conversion
