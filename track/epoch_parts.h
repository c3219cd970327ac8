// The pieces an epoch is assembled from, and the per-kind decoders that fill
// them: one decoder per sentence kind, indexed by the kind of nmea's table.
#pragma once

#include <array>
#include <cstdint>

#include "epoch.h"
#include "nmea/sentence_fields.h"
#include "nmea/sentence_table.h"

namespace track {

// What the sentences without a time (GSA, GSV, VTG) said in one stretch of the log.
struct Untimed {
    bool any = false;
    int gsaMode = 0;
    std::array<int, 24> gsaUsed{}; // by NMEA 4.10 system id, or 16 + System
    uint32_t gsaSlots = 0;         // the slots of gsaUsed that a GSA filled
    Number pdop, hdop, vdop;
    int dopRank = -1;
    std::array<int, kSystems> inView; // the largest set per constellation; -1 none
    Number speedKnots, course;        // VTG
    int motionRank = -1;

    Untimed() { inView.fill(-1); }
    // A later stretch joins this one: its values replace or add to these.
    void Add(const Untimed &later);
    int GsaUsed() const;
};

// What the timed sentences of one epoch said, with the ranks that let a
// better source replace a value (GN's combined solution over one constellation's).
struct TimedPart {
    Epoch epoch;
    int positionRank = -1, ggaRank = -1, qualityRank = -1, statusRank = -1, motionRank = -1, dateRank = -1;
    int hdopRank = -1;
    CivilDate ownDate;
    Untimed inside; // untimed sentences between the epoch's timed ones
};

struct Sentence {
    const nmea::SentenceFields &f;
    System system;
    bool combined;
    uint64_t line;
    int32_t timeMs; // of a timed kind
};

// Timed kinds fill the TimedPart, the others the Untimed stretch.
using DecodeKind = void (*)(const Sentence &s, TimedPart &timed, Untimed &untimed);
struct KindDecoder {
    DecodeKind decode = nullptr;
    // The fields it reads, the name counted: the line is split no further.
    uint8_t fields = nmea::SentenceFields::kMaxFields;
};
extern const std::array<KindDecoder, nmea::kSentenceKinds> kKindDecoders;

} // namespace track
