#include "decoder.h"

#include <cmath>
#include <new>
#include <type_traits>
#include <utility>

#include "nmea/field_values.h"

namespace track {

namespace {

// The parts are rebuilt in place over their old selves.
static_assert(std::is_trivially_destructible_v<TimedPart> && std::is_trivially_destructible_v<Untimed>);

constexpr int32_t kDayMs = 86'400'000;
constexpr int32_t kHalfDayMs = kDayMs / 2;

// Milliseconds from one time of day to a later one, across midnight.
int64_t Elapsed(int32_t from, int32_t to) {
    int64_t d = to - from;
    if (d < -kHalfDayMs) d += kDayMs;
    return d;
}

// The same text is the same value; only other digits ("0.90", "0.9") are read.
bool SameValue(const Number &a, const Number &b) {
    if (!a.Known() || !b.Known()) return false;
    const std::string_view x = a.Text(), y = b.Text();
    if (x == y) return true;
    // Unsigned digits of one shape that differ are other values: nothing to read.
    if (x.size() == y.size() && x[0] != '-' && y[0] != '-' && x.find('.') == y.find('.')) return false;
    return a.Value() == b.Value();
}

// +1 when `x` matches `a` and not `b`, -1 for the reverse, 0 when it tells nothing.
int Side(const Number &x, const Number &a, const Number &b) {
    if (!x.Known() || !a.Known() || !b.Known()) return 0;
    const bool withA = SameValue(x, a), withB = SameValue(x, b);
    return withA == withB ? 0 : withA ? 1 : -1;
}

} // namespace

EpochDecoder::EpochDecoder(DecoderOptions options) : options_(options) {
    lastTimeOfKind_.fill(-1);
    inView_.fill(-1);
}

LineResult EpochDecoder::Feed(std::string_view line, uint64_t lineNumber, size_t star) {
    closedCount_ = taken_ = 0;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    nmea::SentenceText text;
    if (!nmea::FindSentence(line, star, text)) return LineResult::Ignored;
    System system;
    if (!nmea::ConstellationOfTalker(text.body.substr(0, 2), system)) return LineResult::Ignored;
    const nmea::SentenceKind kind = nmea::KindOfType(text.body.substr(2, 3));
    if (kind == nmea::SentenceKind::Unknown) return LineResult::Ignored;
    const auto index = static_cast<size_t>(kind);
    const KindDecoder &decoder = kKindDecoders[index];
    const DecodeKind decode = decoder.decode;
    if (decode == nullptr) return LineResult::Ignored;
    if (!text.hasChecksum && options_.verifyChecksums) return LineResult::WithoutChecksum;
    if (text.hasChecksum && options_.verifyChecksums && !nmea::ChecksumMatches(text.body, text.checksum))
        return LineResult::BadChecksum;
    const LineResult read = text.hasChecksum ? LineResult::Decoded : LineResult::DecodedWithoutChecksum;

    const nmea::SentenceFields fields(text.body, decoder.fields);
    Sentence s{fields, system, system == System::Combined, lineNumber, -1};
    const uint8_t timeField = nmea::kSentenceTable[index].timeField;
    if (timeField == 0) {
        if (!haveOpen_ && !haveHeld_) startedUntimed_ = true;
        stretch_->any = true;
        decode(s, *open_, *stretch_);
        return read;
    }
    if (!nmea::ParseTime(fields[timeField], s.timeMs)) return read;
    At(index, s.timeMs);
    decode(s, *open_, *stretch_);
    if (open_->ownDate.Known()) dateSeen_ = true;
    return read;
}

void EpochDecoder::At(size_t kind, int32_t timeMs) {
    // A kind again within its second at another time: the receiver is faster than 1 Hz.
    int32_t &last = lastTimeOfKind_[kind];
    if (!fast_ && last >= 0 && last != timeMs && last / 1000 == timeMs / 1000) fast_ = true;
    last = timeMs;
    const int32_t key = fast_ ? timeMs : timeMs / 1000 * 1000;
    if (haveOpen_ && key != openKey_) Complete();
    if (!haveOpen_) {
        ::new (open_) TimedPart; // in place: a temporary and its copy cost as much again
        open_->epoch.timeMs = timeMs;
        openKey_ = key;
        haveOpen_ = true;
        if (!haveHeld_) {
            std::swap(beforeHeld_, stretch_); // before the log's first epoch
            Clear(*stretch_);
        }
        return;
    }
    // Untimed sentences between the timed ones of one epoch are its own.
    if (stretch_->any) {
        open_->inside.Add(*stretch_);
        Clear(*stretch_);
    }
}

// A stretch without sentences was never written to: only a used one is reset.
void EpochDecoder::Clear(Untimed &u) {
    if (u.any) ::new (&u) Untimed;
}

// The open epoch is complete: the held one before it now knows both its sides.
void EpochDecoder::Complete() {
    if (!haveOpen_) return;
    if (haveHeld_) {
        Vote(*afterHeld_, *held_, *open_);
        Finalize(afterHeld_, open_);
        beforeHeldJoined_ = Joined(*held_, *open_);
        std::swap(beforeHeld_, afterHeld_);
    }
    std::swap(held_, open_); // the old held part is reset when the next epoch opens
    haveHeld_ = true;
    std::swap(afterHeld_, stretch_);
    Clear(*stretch_);
    haveOpen_ = false;
}

bool EpochDecoder::Joined(const TimedPart &earlier, const TimedPart &later) const {
    return Elapsed(earlier.epoch.timeMs, later.epoch.timeMs) <= options_.splitGapMs;
}

void EpochDecoder::Vote(const Untimed &between, const TimedPart &earlier, const TimedPart &later) {
    if (!between.any) return;
    const Epoch &a = earlier.epoch, &b = later.epoch;
    int side = Side(between.hdop, a.hdop, b.hdop);
    const long used = between.GsaUsed(), usedA = a.satsUsed.Count(), usedB = b.satsUsed.Count();
    if (used >= 0 && usedA >= 0 && usedB >= 0) {
        const bool withA = used == usedA, withB = used == usedB;
        side += withA == withB ? 0 : withA ? 1 : -1;
    }
    side += Side(between.speedKnots, a.speedKnots, b.speedKnots) + Side(between.course, a.course, b.course);
    votesAfter_ += side > 0;
    votesBefore_ += side < 0;
}

// The held epoch with its untimed sentences: those sent inside it, and the
// stretch on the side the log's cycles put them, unless a gap lies there.
void EpochDecoder::Finalize(const Untimed *next, const TimedPart *nextEpoch) {
    const bool before = votesBefore_ != votesAfter_ ? votesBefore_ > votesAfter_ : startedUntimed_;
    // The held part is spent after this: its own stretch gathers the rest.
    Untimed &untimed = held_->inside;
    if (before) {
        if (beforeHeldJoined_) untimed.Add(*beforeHeld_);
    } else if (next != nullptr && (nextEpoch == nullptr || Joined(*held_, *nextEpoch))) {
        untimed.Add(*next);
    }
    Epoch &e = closed_[closedCount_];
    e = held_->epoch;
    if (untimed.gsaMode != 0) e.gsaMode = untimed.gsaMode;
    e.gsaUsed = untimed.GsaUsed();
    if (untimed.dopRank >= 0) {
        e.pdop = untimed.pdop;
        e.vdop = untimed.vdop;
        if (untimed.hdop.Known()) e.hdop = untimed.hdop; // GSA's own dilution over GGA's
    }
    if (!e.speedKnots.Known() && !e.course.Known()) {
        e.speedKnots = untimed.speedKnots;
        e.course = untimed.course;
    }
    // The latest set of satellites in view, not across a gap or a lost fix.
    if (!inViewCarries_ || !beforeHeldJoined_) inView_.fill(-1);
    for (size_t i = 0; i < kSystems; ++i) {
        if (untimed.inView[i] >= 0) inView_[i] = untimed.inView[i];
    }
    e.inView = inView_;
    inViewCarries_ = !e.noFix;

    if (held_->ownDate.Known()) {
        date_ = held_->ownDate;
    } else if (date_.Known() && lastTime_ >= 0 && e.timeMs + kHalfDayMs < lastTime_) {
        // The clock went back by more than half a day: midnight has passed.
        date_ = nmea::CivilFromDays(nmea::DaysFromCivil(date_) + 1);
    }
    e.date = date_;
    lastTime_ = e.timeMs;
    ++closedCount_;
    ++epochs_;
    haveHeld_ = false;
}

void EpochDecoder::Finish() {
    closedCount_ = taken_ = 0;
    Complete();
    if (haveHeld_) {
        Finalize(afterHeld_, nullptr);
    }
}

} // namespace track
