// The run of the KML document: each line of the log on its way from the
// reader through the decoders to the placemark of the cycle it closes.
#include <cstring>
#include <memory>

#include "cycle_hook.h"
#include "kml_writer.h"
#include "line_reader.h"
#include "nmea/context.h"
#include "nmea/dispatch.h"
#include "nmea/display_format.h"
#include "nmea/talker.h"
#include "run_ending.h"
#include "stream_conversion.h"

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
    if (nmea::PlacemarkKindOfName(std::string_view(asGp, 5)) == nmea::SentenceKind::Unknown) return;
    ++counts.otherTalkerSentences;
    for (size_t i = 0; i < counts.otherTalkersSeen; ++i) {
        auto &entry = counts.otherTalkers[i];
        if (entry.talker[0] == name[0] && entry.talker[1] == name[1]) {
            ++entry.count;
            return;
        }
    }
    if (counts.otherTalkersSeen < counts.otherTalkers.size()) {
        counts.otherTalkers[counts.otherTalkersSeen++] = {{name[0], name[1]}, 1};
    }
}

// A sentence as the run sees it before decoding: its name, and the kind that
// counts for the cycle.
struct Sentence {
    std::string_view name;
    SentenceKind kind;
};

enum class Dispatched { Counted, Passed, Stop };

class KmlRun final : public DocumentTail {
  public:
    KmlRun(ByteSource &in, OutputBuffer &out, const ConversionOptions &options, const std::atomic<bool> *cancel,
           CycleHook *hook)
        : out_(out), options_(options), cancel_(cancel), hook_(hook), reader_(in),
          ctx_(std::make_unique<nmea::SentenceContext>()) {
        // Fresh per conversion: the document depends on nothing but the log.
        ctx_->VerifyChecksums = options.verifyChecksums;
        ctx_->AnyTalker = options.anyTalker;
    }

    ConversionOutcome Run() {
        WriteKmlHeader(out_, IconColour(options_.colourIndex));
        if (hook_) hook_->WriteHeaderExtra(out_);
        std::string_view piece;
        while (reader_.Next(piece)) {
            if (CancelRequested(cancel_)) {
                outcome_.kind = OutcomeKind::Cancelled;
                break;
            }
            if (!TakeLine(piece)) continue;
            const Sentence sentence = Classify();
            NoteCycleStartAndFix(sentence.kind);
            const Dispatched dispatched = Dispatch(sentence);
            if (dispatched == Dispatched::Stop) break;
            if (dispatched == Dispatched::Passed) continue;
            Count(sentence.kind);
            if (!CloseCycle(sentence.kind)) break;
        }
        NoteEnd();
        EndRun(out_, outcome_, reader_.Failed(), reader_.Error(), cancel_, *this);
        return std::move(outcome_);
    }

  private:
    // Into the state object; true for a line with a "*", which may be a sentence.
    bool TakeLine(std::string_view piece) {
        ctx_->UnrecognisedSentence = 0;
        ctx_->LoadLine(piece, reader_.TextLength());
        if (!reader_.HasStar()) {
            // A sentence of ours without "*hh" is not read, but not left out unsaid.
            const std::string_view s = ctx_->CurrentSentence;
            if (s.size() > 6 && s[0] == '$' && nmea::KindOfAnyTalker(s.substr(1, 5)) != SentenceKind::Unknown)
                ++outcome_.counts.withoutChecksum;
            return false;
        }
        ctx_->SentenceLength = static_cast<int32_t>(ctx_->CurrentSentence.size());
        return true;
    }

    Sentence Classify() const {
        const std::string_view name = ctx_->SentenceName();
        SentenceKind kind = nmea::PlacemarkKindOfName(name);
        // A second talker's sentence of a kind neither opens nor closes a cycle.
        if (ctx_->AnyTalker && kind != SentenceKind::Unknown && !ctx_->ReadsTalker(kind)) kind = SentenceKind::Unknown;
        return {name, kind};
    }

    // Before the sentence is decoded: the fix seen is the one an earlier sentence reported.
    void NoteCycleStartAndFix(SentenceKind kind) {
        if (cycleStart_ == SentenceKind::Unknown && ClosesCycle(kind)) cycleStart_ = kind;
        if (!fixSeen_ && (kind == SentenceKind::GPRMC || kind == SentenceKind::GPGLL) &&
            ctx_->Manager.PositionValid() == 1)
            fixSeen_ = true;
    }

    // Decodes the sentence. Counted: one of ours, decoded; Passed: skipped or
    // not ours; Stop: the run ends here.
    Dispatched Dispatch(const Sentence &sentence) {
        ConversionCounts &counts = outcome_.counts;
        if (nmea::ParseSentence(*ctx_) == 0) {
            if (options_.badChecksum == BadChecksumPolicy::Skip) {
                if (counts.badChecksums++ == 0) counts.firstBadChecksumLine = reader_.LineNumber();
                return Dispatched::Passed;
            }
            outcome_.kind = OutcomeKind::FormatError;
            outcome_.line = reader_.LineNumber();
            return Dispatched::Stop;
        }
        if (ctx_->UnrecognisedSentence) {
            ++counts.unrecognised;
            CountOtherTalker(sentence.name, counts);
            return Dispatched::Passed;
        }
        if (ctx_->LastFromOtherTalker) {
            ++counts.otherTalkerIgnored;
            return Dispatched::Passed;
        }
        return Dispatched::Counted;
    }

    void Count(SentenceKind kind) {
        ++outcome_.counts.sentences;
        if (ctx_->LastDecoded && (kind == SentenceKind::GPRMC || kind == SentenceKind::GPRPT)) {
            clockWithDate_ = kind == SentenceKind::GPRMC ? ctx_->Manager.RmcRecord.Message.UtcTime
                                                         : ctx_->Manager.RptRecord.Message.UtcTime;
            clockWithDateSeen_ = true;
        }
    }

    // A later sentence of the cycle's first name closes the cycle: its
    // placemark is written. False when the output failed.
    bool CloseCycle(SentenceKind kind) {
        if (!fixSeen_ || kind != cycleStart_ || !ctx_->Manager.DateKnown()) return true;
        ConversionCounts &counts = outcome_.counts;
        const nmea::DataDisplay &display = ctx_->Manager.Display();
        ++counts.cycles;
        if (!HasPosition(display)) {
            ++counts.cyclesWithoutPosition;
            return true;
        }
        char clock[nmea::kUtcTimeTextSize];
        const size_t clockLength = clockWithDateSeen_ ? nmea::PutUtcTimeText(clock, clockWithDate_) : 0;
        const PlacemarkDate date = DateOfPlacemark(display.Date, display.UtcTime, std::string_view(clock, clockLength));
        bool written = true;
        if (hook_) written = hook_->OnCycle(out_, ctx_->Manager, date);
        else WritePlacemark(out_, display, date);
        if (written) {
            ++counts.placemarks;
            counts.timeStampsLeftOut += date.calendar ? 0 : 1;
            counts.datesMoved += date.nextDay ? 1 : 0;
        }
        return !out_.Failed();
    }

    void NoteEnd() {
        ConversionCounts &counts = outcome_.counts;
        counts.lines = reader_.LineNumber();
        counts.cycleStartFound = cycleStart_ != SentenceKind::Unknown;
        counts.fixSeen = fixSeen_;
        counts.dateSeen = ctx_->Manager.DateKnown();
    }

    bool WriteRest(OutputBuffer &out, std::string &error) override {
        if (!hook_ || hook_->WriteBeforeFooter(out)) return true;
        error = hook_->ErrorText();
        return false;
    }
    void WriteFooter(OutputBuffer &out) override { WriteKmlFooter(out); }

    OutputBuffer &out_;
    const ConversionOptions &options_;
    const std::atomic<bool> *cancel_;
    CycleHook *hook_;
    LineReader reader_;
    std::unique_ptr<nmea::SentenceContext> ctx_;
    ConversionOutcome outcome_;
    // The name that opened the first cycle; each of its later sentences closes one.
    SentenceKind cycleStart_ = SentenceKind::Unknown;
    bool fixSeen_ = false;
    // The clock of the RMC or RPT that last brought the date.
    nmea::PackedTime clockWithDate_ = 0;
    bool clockWithDateSeen_ = false;
};

} // namespace

ConversionOutcome ConvertStream(ByteSource &in, OutputBuffer &out, const ConversionOptions &options,
                                const std::atomic<bool> *cancel, CycleHook *hook) {
    return KmlRun(in, out, options, cancel, hook).Run();
}

} // namespace conversion
