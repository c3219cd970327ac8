// The run of the documents made of fix epochs: lines into the epoch decoder,
// valid epochs into the format's writer, segments broken at gaps.
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "hand_over.h"
#include "kml_writer.h"
#include "raw_line_reader.h"
#include "run_ending.h"
#include "stream_conversion.h"
#include "track/decoder.h"
#include "track_writers.h"

namespace conversion {

namespace {

// Epochs before the log's first date wait for it; an hour of them at 1 Hz.
constexpr size_t kUndatedMax = 4096;
constexpr size_t kCacheLine = 64;

// A log saved as UTF-16 (a byte-order mark first) read as the bytes of its
// characters; other logs pass unchanged. Sentences are ASCII: any other
// character becomes "?".
class Utf16Source final : public ByteSource {
  public:
    explicit Utf16Source(ByteSource &in) : in_(in) {}

    long Read(char *buffer, size_t capacity) override {
        if (!started_ && !Start()) return Failed();
        if (!wide_) {
            if (pendingLength_ > 0) {
                const size_t n = std::min(capacity, pendingLength_);
                std::memcpy(buffer, pending_, n);
                std::memmove(pending_, pending_ + n, pendingLength_ - n);
                pendingLength_ -= n;
                return static_cast<long>(n);
            }
            const long n = in_.Read(buffer, capacity);
            return n < 0 ? Failed() : n;
        }
        size_t out = 0;
        while (out == 0) {
            const long n = in_.Read(units_ + carry_, std::min(sizeof units_ - carry_, capacity * 2));
            if (n < 0) return Failed();
            if (n == 0) return 0; // an odd last byte is no character
            const size_t bytes = carry_ + static_cast<size_t>(n);
            for (size_t i = 0; i + 1 < bytes; i += 2) {
                const auto lo = static_cast<unsigned char>(units_[i + (bigEndian_ ? 1 : 0)]);
                const auto hi = static_cast<unsigned char>(units_[i + (bigEndian_ ? 0 : 1)]);
                buffer[out++] = hi == 0 && lo < 0x80 ? static_cast<char>(lo) : '?';
            }
            carry_ = bytes % 2;
            if (carry_) units_[0] = units_[bytes - 1];
        }
        return static_cast<long>(out);
    }

  private:
    bool Start() {
        started_ = true;
        while (pendingLength_ < 2) {
            const long n = in_.Read(pending_ + pendingLength_, 2 - pendingLength_);
            if (n < 0) return false;
            if (n == 0) return true;
            pendingLength_ += static_cast<size_t>(n);
        }
        const auto a = static_cast<unsigned char>(pending_[0]), b = static_cast<unsigned char>(pending_[1]);
        wide_ = (a == 0xFF && b == 0xFE) || (a == 0xFE && b == 0xFF);
        bigEndian_ = a == 0xFE;
        if (wide_) pendingLength_ = 0; // the mark is no text
        return true;
    }
    long Failed() {
        error_ = in_.Error();
        return -1;
    }

    ByteSource &in_;
    bool started_ = false, wide_ = false, bigEndian_ = false;
    char pending_[2] = {};
    size_t pendingLength_ = 0;
    char units_[1 << 14];
    size_t carry_ = 0;
};

class TrackRun final : public DocumentTail {
  public:
    TrackRun(ByteSource &in, OutputBuffer &out, const ConversionOptions &options, std::unique_ptr<TrackWriter> writer,
             const std::atomic<bool> *cancel)
        : out_(out), options_(options), cancel_(cancel), writer_(std::move(writer)), wantsLines_(writer_->WantsLines()),
          gapMs_(static_cast<int64_t>(options.track.splitGapSeconds * 1000)), source_(in), reader_(source_),
          decoder_(DecoderOptionsOf(options)) {
        outcome_.counts.epochDocument = true;
        undated_.reserve(kUndatedMax);
        // The epochs are written on a thread of their own, which writes the
        // output's blocks too: two threads for two cores, and each block
        // stays in the cache of the core that filled it.
        if (!wantsLines_ && !writer_->HoldsPoints()) out_.WriteInLine();
    }

    ConversionOutcome Run() {
        writer_->Begin(out_);
        std::string_view line;
        size_t star = 0;
        while (reader_.Next(line, star)) {
            if (CancelRequested(cancel_)) {
                outcome_.kind = OutcomeKind::Cancelled;
                break;
            }
            if (!Feed(line, star)) break;
        }
        // Every epoch closed so far is in the document before the run ends,
        // as if they had been written line by line.
        written_.Drain();
        outcome_.counts.lines = reader_.LineNumber();
        EndRun(out_, outcome_, reader_.Failed(), reader_.Error(), cancel_, *this);
        ConversionCounts &counts = outcome_.counts;
        counts.fixSeen = fixSeen_;
        counts.placemarks = points_;
        counts.segments = segments_;
        counts.epochs = decoder_.Epochs();
        counts.cycleStartFound = decoder_.Epochs() > 0;
        counts.dateSeen = decoder_.DateSeen() || options_.track.date.Known();
        counts.dateOptionUnused = decoder_.DateSeen() && options_.track.date.Known();
        return std::move(outcome_);
    }

  private:
    static track::DecoderOptions DecoderOptionsOf(const ConversionOptions &options) {
        track::DecoderOptions decoderOptions;
        decoderOptions.verifyChecksums = options.verifyChecksums;
        decoderOptions.splitGapMs = static_cast<int64_t>(options.track.splitGapSeconds * 1000);
        return decoderOptions;
    }

    // One line into the decoder, the epoch it closes into the document; false
    // when the run stops.
    bool Feed(std::string_view line, size_t star) {
        ConversionCounts &counts = outcome_.counts;
        const uint64_t lineNumber = reader_.LineNumber();
        const track::LineResult result = decoder_.Feed(line, lineNumber, star);
        if (wantsLines_) writer_->Line(line, lineNumber);
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
            counts.unrecognised += star != std::string_view::npos;
            return true;
        }
        if (result == track::LineResult::WithoutChecksum || result == track::LineResult::DecodedWithoutChecksum)
            ++counts.withoutChecksum;
        if (result == track::LineResult::WithoutChecksum) return true;
        ++counts.sentences;
        while (const track::Epoch *e = decoder_.TakeClosed()) {
            // A writer that reads the lines too sees them and the epochs in
            // the log's order, on this thread.
            if (wantsLines_) {
                Take(*e);
                continue;
            }
            written_.Next() = *e;
            // The output is written on the other thread: its state is read
            // once a batch, not once a line.
            if (written_.Push() && out_.Failed()) return false;
        }
        return !wantsLines_ || !out_.Failed();
    }

    // Receivers often send GGA or GLL before the first RMC: the epochs before
    // the log's first date wait for it (a bounded number) and get it, or the
    // day before when their clock is later than the dated one's. A date given
    // by the user dates only a log that carries none.
    void Take(const track::Epoch &e) {
        fixSeen_ = fixSeen_ || (e.hasPosition && !e.noFix);
        // Only a position, or the receiver's word that it has none, can break a track.
        if (!e.hasPosition && !e.noFix) return;
        if (!dated_ && !e.date.Known()) {
            ++undatedSeen_;
            if (undated_.size() == kUndatedMax && options_.track.date.Known()) DateWaiting();
            if (undated_.size() < kUndatedMax) undated_.push_back(e);
            return;
        }
        if (!dated_ && e.date.Known()) {
            dated_ = true;
            const int64_t day = track::DaysFromCivil(e.date);
            for (track::Epoch &u : undated_) {
                u.date = track::CivilFromDays(u.timeMs <= e.timeMs ? day : day - 1);
                Write(u);
            }
            undated_.clear();
        }
        Write(e);
    }

    // The waiting epochs dated by the user's date, rolled over at midnight.
    void DateWaiting() {
        for (track::Epoch &u : undated_) {
            if (optionLastTime_ >= 0 && u.timeMs + 43'200'000 < optionLastTime_) ++optionDays_;
            optionLastTime_ = u.timeMs;
            u.date = track::CivilFromDays(track::DaysFromCivil(options_.track.date) + optionDays_);
            Write(u);
        }
        undated_.clear();
    }

    void Write(const track::Epoch &e) {
        if (!e.Valid()) {
            // A lost fix breaks the track.
            writer_->NoFix(e);
            broken_ = true;
            return;
        }
        const int64_t at = track::DaysFromCivil(e.date) * 86'400'000 + e.timeMs;
        // A gap longer than the split gap, or time running backwards, starts a new segment.
        const bool newSegment = broken_ || at - lastAt_ > gapMs_ || at <= lastAt_;
        writer_->Point(out_, e, newSegment);
        segments_ += newSegment;
        ++points_;
        broken_ = false;
        lastAt_ = at;
    }

    // The end of the log closes the epoch still open; the writer closes what
    // it holds open.
    bool WriteRest(OutputBuffer &out, std::string &error) override {
        decoder_.Finish();
        while (const track::Epoch *e = decoder_.TakeClosed()) Take(*e);
        if (!dated_ && options_.track.date.Known()) DateWaiting();
        if (!dated_ && undatedSeen_ > 0) writer_->Undated(undatedSeen_);
        if (writer_->Finish(out)) return true;
        error = writer_->ErrorText();
        return false;
    }
    void WriteFooter(OutputBuffer &out) override { writer_->Footer(out); }

    // Read by both threads, written by neither while the log is read.
    OutputBuffer &out_;
    const ConversionOptions &options_;
    const std::atomic<bool> *cancel_;
    const std::unique_ptr<TrackWriter> writer_;
    const bool wantsLines_;
    const int64_t gapMs_;
    // The reading side, on cache lines of its own: a line that the other
    // thread writes too passes between the cores on every write.
    alignas(kCacheLine) Utf16Source source_;
    RawLineReader reader_;
    track::EpochDecoder decoder_;
    ConversionOutcome outcome_;
    // From here on the epochs' side: while the log is read, only the thread
    // that writes the document touches these (and the writer and output).
    alignas(kCacheLine) bool fixSeen_ = false;
    uint64_t points_ = 0, segments_ = 0;
    bool broken_ = true; // the next point starts a segment
    int64_t lastAt_ = 0; // milliseconds since 1970 of the last point written
    std::vector<track::Epoch> undated_;
    bool dated_ = false;
    uint64_t undatedSeen_ = 0; // epochs with a position or without a fix before the first date
    int64_t optionDays_ = 0;   // days past the user's date
    int32_t optionLastTime_ = -1;
    // Last, so that its thread has ended before the members it uses go.
    struct TakeEpoch {
        TrackRun *run;
        void operator()(const track::Epoch &e) const { run->Take(e); }
    };
    // An epoch is written in well under a microsecond: batches of a
    // thousand, so that the threads meet some hundred times in a long log.
    HandOver<track::Epoch, TakeEpoch, 4096, 1024> written_{TakeEpoch{this}};
};

} // namespace

ConversionOutcome ConvertTrack(ByteSource &in, OutputBuffer &out, const ConversionOptions &options,
                               std::string_view name, const std::atomic<bool> *cancel) {
    return TrackRun(in, out, options, MakeTrackWriter(options, name, IconColour(options.colourIndex)), cancel).Run();
}

ConversionOutcome ConvertTrack(ByteSource &in, OutputBuffer &out, const ConversionOptions &options,
                               std::unique_ptr<TrackWriter> writer, const std::atomic<bool> *cancel) {
    return TrackRun(in, out, options, std::move(writer), cancel).Run();
}

} // namespace conversion
