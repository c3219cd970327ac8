// The run of the KML document: each line of the log on its way from the
// reader through the decoders to the placemark of the cycle it closes.
#include <cstring>
#include <memory>
#include <optional>

#include "cycle_hook.h"
#include "hand_over.h"
#include "kml_writer.h"
#include "line_reader.h"
#include "nmea/context.h"
#include "nmea/dispatch.h"
#include "nmea/display_format.h"
#include "nmea/short_copy.h"
#include "nmea/talker.h"
#include "placemark_rules.h"
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

// A closed cycle as the decoders left it: the values its texts are made of,
// and the clock of the RMC or RPT that last brought the date.
struct ClosedCycle {
    nmea::DeferredDisplay::Noted values;
    nmea::PackedTime clockWithDate = 0;
    bool clockWithDateSeen = false;
};

// What became of the closed cycles once their texts were read.
struct PlacedCounts {
    uint64_t withoutPosition = 0;
    uint64_t placemarks = 0;
    uint64_t timeStampsLeftOut = 0;
    uint64_t datesMoved = 0;
};

// The placemark of a closed cycle, from its texts: none without a position.
// `write` writes it on the date given and says whether it did.
template <typename Write>
void PlaceCycle(const nmea::DataDisplay &display, const ClosedCycle &cycle, PlacedCounts &counts, Write write) {
    if (!HasPosition(display)) {
        ++counts.withoutPosition;
        return;
    }
    char clock[nmea::kUtcTimeTextSize];
    const size_t clockLength = cycle.clockWithDateSeen ? nmea::PutUtcTimeText(clock, cycle.clockWithDate) : 0;
    const PlacemarkDate date = DateOfPlacemark(display.Date, display.UtcTime, std::string_view(clock, clockLength));
    if (!write(date)) return;
    ++counts.placemarks;
    counts.timeStampsLeftOut += date.calendar ? 0 : 1;
    counts.datesMoved += date.nextDay ? 1 : 0;
}

// The plain document is made on two threads, each taking about one core:
// this one reads the log and decodes what the cycles depend on; the second
// decodes the satellites sentences, whose values only the placemark shows,
// and formats and writes the placemarks. It is handed, in the log's order,
// either a satellites sentence or a closed cycle.
struct Handed {
    bool closesCycle = false;
    uint8_t sentenceLength = 0;
    char sentence[nmea::SentenceContext::kMaxLine];
    ClosedCycle cycle;
};

class KmlRun;
struct TakeHanded {
    KmlRun *run;
    void operator()(const Handed &handed) const;
};

class KmlRun final : public DocumentTail {
  public:
    KmlRun(ByteSource &in, OutputBuffer &out, const ConversionOptions &options, const std::atomic<bool> *cancel,
           CycleHook *hook)
        : out_(out), options_(options), cancel_(cancel), hook_(hook), reader_(in),
          ctx_(std::make_unique<nmea::SentenceContext>()) {
        // Fresh per conversion: the document depends on nothing but the log.
        ctx_->VerifyChecksums = options.verifyChecksums;
        ctx_->AnyTalker = options.anyTalker;
        // A hook reads the whole fix, which stays on this thread.
        if (!hook_) {
            handOver_.emplace(TakeHanded{this});
            placemarkSide_ = std::make_unique<nmea::SentenceContext>();
            // Only the second thread decodes the satellites: a closed cycle
            // hands over every value but them.
            ctx_->DecodedElsewhere = SentenceKind::GPGSV;
            out_.WriteInLine();
        }
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
        if (handOver_) handOver_->Drain();
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
        if (ctx_->LastDeferred) {
            Handed &handed = handOver_->Next();
            const std::string_view s = ctx_->CurrentSentence;
            handed.closesCycle = false;
            nmea::CopyShort(handed.sentence, s.data(), s.size());
            handed.sentenceLength = static_cast<uint8_t>(s.size());
            handOver_->Push();
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
        ++outcome_.counts.cycles;
        if (handOver_) {
            Handed &handed = handOver_->Next();
            handed.closesCycle = true;
            handed.cycle.values = ctx_->Manager.Pending().NotedValues();
            handed.cycle.clockWithDate = clockWithDate_;
            handed.cycle.clockWithDateSeen = clockWithDateSeen_;
            handOver_->Push();
        } else {
            const ClosedCycle cycle{{}, clockWithDate_, clockWithDateSeen_};
            PlaceCycle(ctx_->Manager.Display(), cycle, placed_,
                       [this](const PlacemarkDate &date) { return hook_->OnCycle(out_, ctx_->Manager, date); });
        }
        // The second thread writes the output's state on every placemark: read
        // from here once a batch, not once a cycle, so the two cores do not
        // pass that cache line back and forth.
        if (handOver_ && ++cyclesSinceCheck_ < kCyclesPerCheck) return true;
        cyclesSinceCheck_ = 0;
        return !out_.Failed();
    }

  public:
    // On the second thread: a satellites sentence into its own records, or
    // a closed cycle's placemark from the values of both threads.
    void Take(const Handed &handed) {
        nmea::SentenceContext &side = *placemarkSide_;
        if (!handed.closesCycle) {
            // The text of a sentence holds no NUL.
            side.LoadLine(std::string_view(handed.sentence, handed.sentenceLength), handed.sentenceLength);
            side.SentenceLength = handed.sentenceLength;
            nmea::DecodeDeferred(side, SentenceKind::GPGSV);
            return;
        }
        side.Manager.Pending().NoteAll(handed.cycle.values);
        const nmea::DataDisplay &display = side.Manager.Display();
        PlaceCycle(display, handed.cycle, placed_, [&](const PlacemarkDate &date) {
            WritePlacemark(out_, display, date, {}, &satelliteRows_);
            return true;
        });
    }

  private:
    void NoteEnd() {
        ConversionCounts &counts = outcome_.counts;
        counts.cyclesWithoutPosition = placed_.withoutPosition;
        counts.placemarks = placed_.placemarks;
        counts.timeStampsLeftOut = placed_.timeStampsLeftOut;
        counts.datesMoved = placed_.datesMoved;
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
    // The placemark side: written by the second thread while it runs, read
    // here once it has ended.
    static constexpr uint32_t kCyclesPerCheck = 128;
    uint32_t cyclesSinceCheck_ = 0;
    // The placemark side's state, written on every cycle by the second
    // thread: on cache lines of its own, apart from this thread's.
    alignas(64) PlacedCounts placed_;
    std::unique_ptr<nmea::SentenceContext> placemarkSide_;
    SatelliteRows satelliteRows_;
    alignas(64) char placemarkSideEnd_ = 0;
    // Last, so that its thread has ended before the members it uses go.
    std::optional<HandOver<Handed, TakeHanded>> handOver_;
};

void TakeHanded::operator()(const Handed &handed) const { run->Take(handed); }

} // namespace

ConversionOutcome ConvertStream(ByteSource &in, OutputBuffer &out, const ConversionOptions &options,
                                const std::atomic<bool> *cancel, CycleHook *hook) {
    return KmlRun(in, out, options, cancel, hook).Run();
}

} // namespace conversion
