// Turns the lines of a log into fix epochs: every sentence that carries one
// UTC time belongs to one epoch, and the sentences without a time (GSA, GSV,
// VTG) to the epoch open when they arrive. Decodes every satellite talker;
// where a receiver sends several, GN's combined solution wins.
#pragma once

#include <cstdint>
#include <string_view>

#include "epoch.h"

namespace track {

struct DecoderOptions {
    CivilDate startDate;          // the date before the log gives one (--date)
    bool verifyChecksums = false; // a sentence whose checksum fails is dropped
};

enum class LineResult { Ignored, Decoded, BadChecksum };

class EpochDecoder {
  public:
    explicit EpochDecoder(DecoderOptions options = {});

    // One line of the log, its line end removed. An epoch it closes is held
    // for TakeClosed until the next call.
    LineResult Feed(std::string_view line, uint64_t lineNumber);
    // The end of the log closes the epoch still open.
    void Finish();
    // The epoch closed by the last Feed or Finish, once; nullptr otherwise.
    const Epoch *TakeClosed() {
        if (!haveClosed_) return nullptr;
        haveClosed_ = false;
        return &closed_;
    }

    uint64_t Epochs() const { return epochs_; }
    bool DateSeen() const { return dateSeen_; }

  private:
    struct Sentence;
    void Decode(const Sentence &s, uint64_t lineNumber);
    void AtTime(int32_t timeMs);
    void Close();
    void OpenNext();

    DecoderOptions options_;
    Epoch current_;
    Epoch closed_;
    bool haveClosed_ = false;
    bool hasData_ = false;

    // Ranks of what the open epoch holds, so a better source may replace it.
    int positionRank_ = -1, ggaRank_ = -1, qualityRank_ = -1, statusRank_ = -1, motionRank_ = -1;
    int dateRank_ = -1, dopRank_ = -1, hdopRank_ = -1;
    CivilDate ownDate_;
    std::array<int, 24> gsaUsed_; // by NMEA 4.10 system id, or 16 + System
    // Carried from epoch to epoch.
    CivilDate date_;
    int32_t lastTime_ = -1;
    std::array<int, kSystems> inView_;
    std::array<bool, kSystems> inViewThisEpoch_{};

    uint64_t epochs_ = 0;
    bool dateSeen_ = false;
};

} // namespace track
