// Turns the lines of a log into fix epochs through nmea's sentence layer.
// Sentences of one UTC second are one epoch while no sentence kind repeats
// within a second; faster logs are grouped by time to the millisecond. The
// sentences without a time (GSA, GSV, VTG) join the epoch of their own cycle,
// before or after its timed sentences as the log's cycles show, never across
// a gap. Decodes every satellite talker; GN's combined solution wins.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "epoch.h"
#include "epoch_parts.h"

namespace track {

struct DecoderOptions {
    bool verifyChecksums = false; // a sentence whose checksum fails, or that has none, is not read
    int64_t splitGapMs = 10'000;  // satellites and dilutions never join a fix across a longer gap
};

enum class LineResult {
    Ignored,
    Decoded,
    BadChecksum,
    DecodedWithoutChecksum, // a sentence of ours without "*hh", read
    WithoutChecksum,        // the same, left out because checksums are verified
};

class EpochDecoder {
  public:
    explicit EpochDecoder(DecoderOptions options = {});

    // One line of the log, its line end removed. The epochs it closes are held
    // for TakeClosed until the next call.
    LineResult Feed(std::string_view line, uint64_t lineNumber) { return Feed(line, lineNumber, line.find('*')); }
    // The same, for a reader that found the line's first "*" (npos for none).
    LineResult Feed(std::string_view line, uint64_t lineNumber, size_t star);
    // The end of the log closes the epochs still open.
    void Finish();
    // The epochs closed by the last Feed or Finish, in order, each once; nullptr after the last.
    const Epoch *TakeClosed() { return taken_ < closedCount_ ? &closed_[taken_++] : nullptr; }

    uint64_t Epochs() const { return epochs_; }
    bool DateSeen() const { return dateSeen_; }

  private:
    void At(size_t kind, int32_t timeMs);
    void Complete();
    void Finalize(const Untimed *next, const TimedPart *nextEpoch);
    static void Clear(Untimed &u);
    void Vote(const Untimed &between, const TimedPart &earlier, const TimedPart &later);
    bool Joined(const TimedPart &earlier, const TimedPart &later) const;

    DecoderOptions options_;
    // The parts turn over by pointer, not by copy: each is some hundred bytes
    // and an epoch passes through them every few lines.
    TimedPart parts_[2];
    Untimed stretches_[3];
    // The epoch being assembled and the untimed stretch since its last timed sentence.
    TimedPart *open_ = &parts_[0];
    bool haveOpen_ = false;
    int32_t openKey_ = 0;
    Untimed *stretch_ = &stretches_[0];
    // The completed epoch that waits for the next one: the stretches on both
    // of its sides are then known.
    TimedPart *held_ = &parts_[1];
    bool haveHeld_ = false;
    Untimed *beforeHeld_ = &stretches_[1], *afterHeld_ = &stretches_[2];
    bool beforeHeldJoined_ = true; // no gap between the held epoch and the one before
    // Evidence of the cycle's order: an untimed stretch that matches the epoch after it, or the one before.
    int votesBefore_ = 0, votesAfter_ = 0;
    bool startedUntimed_ = false; // the log began with untimed sentences
    // One second, one fix, until a kind repeats within a second.
    bool fast_ = false;
    std::array<int32_t, nmea::kSentenceKinds> lastTimeOfKind_;
    // Carried from epoch to epoch.
    CivilDate date_;
    int32_t lastTime_ = -1;
    std::array<int, kSystems> inView_;
    bool inViewCarries_ = false;

    Epoch closed_[2];
    int closedCount_ = 0, taken_ = 0;
    uint64_t epochs_ = 0;
    bool dateSeen_ = false;
};

} // namespace track
