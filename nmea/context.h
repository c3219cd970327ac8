// The state one conversion works on: the line under work and the current fix.
// Each conversion owns one, so conversions on different threads share nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "manager.h"
#include "sentence_kind.h"
#include "sentence_table.h"

namespace nmea {

class SentenceContext {
  public:
    static constexpr size_t kLineBufferSize = 100;
    static constexpr size_t kMaxLine = kLineBufferSize - 1;

    // The piece of the log last read, zero-terminated.
    char LineBuffer[kLineBufferSize] = {};
    // LineBuffer up to its first NUL: a view of this object's own buffer.
    std::string_view CurrentSentence;
    int32_t SentenceLength = 0;
    uint8_t UnrecognisedSentence = 0;
    NMEA_Manager Manager;
    bool VerifyChecksums = false;
    // Read any two-letter talker as GP, so multi-constellation receivers decode.
    bool AnyTalker = false;

    // What the last ParseSentence did with its sentence: decoded it into its record.
    bool LastDecoded = false;
    // Under AnyTalker: the sentence came from a talker other than the one read
    // for its kind, and was left alone.
    bool LastFromOtherTalker = false;
    // A kind whose sentences ParseSentence checks and takes but does not
    // decode: the caller decodes them on a context of its own (DecodeDeferred),
    // say on another thread. Their records here stay empty. Unknown: none.
    SentenceKind DecodedElsewhere = SentenceKind::Unknown;
    // The last sentence was of that kind and taken undecoded.
    bool LastDeferred = false;

    // Under AnyTalker one talker is read per sentence kind, so that a receiver
    // that sends a kind from two talkers (GPGGA and GLGGA) does not give every
    // fix twice: the first talker seen, until GN (the combined solution) comes.
    // A talker that falls silent gives way: another talker's second sentence of
    // the kind with none from the read talker since its first is read, and its
    // talker from then on (a satellites set counts as one sentence). Talkers
    // that interleave never switch.
    // Whether the current sentence, of `kind`, is read; changes nothing.
    bool ReadsTalker(SentenceKind kind) const;
    // ReadsTalker, and the current sentence's talker taken for `kind` when it is.
    bool TakeTalker(SentenceKind kind);

    SentenceContext() = default;
    // A copy's CurrentSentence would view the original's buffer.
    SentenceContext(const SentenceContext &) = delete;
    SentenceContext &operator=(const SentenceContext &) = delete;

    // Takes one piece of at most 99 characters (longer input is cut) into
    // LineBuffer and CurrentSentence; leaves SentenceLength alone.
    void LoadLine(std::string_view piece);
    // LoadLine for a caller that knows where the piece's first NUL lies
    // (textLength, the piece's length when it holds none).
    void LoadLine(std::string_view piece, size_t textLength);
    // LoadLine plus SentenceLength and a cleared UnrecognisedSentence: what the
    // run does before it hands a line to ParseSentence.
    void SetSentence(std::string_view sentence);

    // Characters 2 to 6 of the sentence, the talker read as GP under AnyTalker.
    std::string_view SentenceName();

  private:
    char normalisedName_[5] = {};
    // The talker read per kind; two NULs while none was seen.
    char talkers_[kSentenceKinds][2] = {};
    // Per kind, the other talkers heard since the read talker last spoke.
    static constexpr size_t kWaiting = 6;
    char waiting_[kSentenceKinds][kWaiting][2] = {};
    bool Waiting(size_t kind, char a, char b) const;
    // Whether the current sentence, of `kind`, begins a message (the first of
    // a satellites set, any other kind's only sentence).
    bool StartsMessage(SentenceKind kind) const;
};

} // namespace nmea
