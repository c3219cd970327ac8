// The sentence layer under both readings of a log: where a sentence lies in
// its line, its checksum, its talker's constellation and its fields, an empty
// field being absent.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "digits_swar.h"
#include "field_readers.h"

namespace nmea {

// The XOR of a sentence's characters between "$" and "*". Byte by byte: the
// compiler widens this loop itself, faster than XOR-ing eight-byte words by
// hand (the checksum micro-benchmarks).
inline uint8_t ChecksumOf(std::string_view body) {
    uint8_t sum = 0;
    for (const char c : body) sum ^= static_cast<uint8_t>(c);
    return sum;
}

// Whether the up to two hex digits after "*" (`sent`) are the body's checksum.
inline bool ChecksumMatches(std::string_view body, std::string_view sent) {
    return ChecksumOf(body) == HexToInt(sent.data(), static_cast<uint32_t>(sent.size() < 2 ? sent.size() : 2));
}

// The constellations whose satellites in view are counted apart.
enum class Constellation : uint8_t { Gps, Glonass, Galileo, BeiDou, Qzss, NavIC, Combined, Count };

// The constellation of a satellite talker ("GP", "GN", "GL", "BD", ...);
// false for instrument talkers (II, IN, ...), which give no positions.
bool ConstellationOfTalker(std::string_view talker, Constellation &constellation);

// One sentence of a line: "$", the body, and "*hh" when present.
struct SentenceText {
    std::string_view body;     // between "$" and "*" (or the line's end)
    std::string_view checksum; // what follows "*"
    bool hasChecksum = false;
    // "GPGGA", "PGRME": the talker and type.
    std::string_view Name() const { return body.substr(0, 5); }
};

// Finds the sentence in a line with its line end removed: false when the line
// holds no "$" or the body is not a five-character name of capitals and
// digits followed by fields (binary junk with a "$" in it is no sentence).
bool FindSentence(std::string_view line, SentenceText &sentence);
// The same, for a reader that found the line's first "*" (at `star`, npos for none) with its end.
bool FindSentence(std::string_view line, size_t star, SentenceText &sentence);

// A sentence's fields by number: 0 is the name ("GPGGA"), 1 the first after it.
class SentenceFields {
  public:
    static constexpr size_t kMaxFields = 40;

    // A reading that needs only the first `wanted` fields (the name counted)
    // has the splitting stop there; the fields after them read as absent.
    explicit SentenceFields(std::string_view body, size_t wanted = kMaxFields) : body_(body) {
        const size_t commas = wanted < kMaxFields ? wanted : kMaxFields - 1;
        start_[0] = 0;
        size_t i = 0;
        // Eight characters at a time: every line of a log is split here.
        if constexpr (swar::kUsable) {
            for (; i + 8 <= body.size() && count_ < commas; i += 8) {
                for (uint64_t c = CommaBytes(swar::Load8(body.data() + i)); c != 0 && count_ < commas; c &= c - 1)
                    start_[++count_] = static_cast<uint16_t>(i + (std::countr_zero(c) >> 3) + 1);
            }
        }
        for (; i < body.size() && count_ < commas; ++i) {
            if (body[i] == ',') start_[++count_] = static_cast<uint16_t>(i + 1);
        }
        // The last field runs to the body's end, unless the fields wanted end before.
        if (count_ < commas || wanted >= kMaxFields) start_[++count_] = static_cast<uint16_t>(body.size() + 1);
    }
    // The field's text; empty when the field is empty or absent.
    std::string_view operator[](size_t i) const {
        // The offsets lie within the body: no checked substr.
        return i < count_
                   ? std::string_view(body_.data() + start_[i], static_cast<size_t>(start_[i + 1] - start_[i] - 1))
                   : std::string_view();
    }
    // The fields the sentence has, its name included.
    size_t Count() const { return count_; }
    std::string_view Talker() const { return body_.substr(0, 2); }
    std::string_view Type() const { return body_.substr(2, 3); }

  private:
    // The top bit of each byte that is a comma, exactly (no borrow between bytes).
    static uint64_t CommaBytes(uint64_t w) {
        constexpr uint64_t low7 = 0x7F * swar::kOnes;
        const uint64_t x = w ^ (',' * swar::kOnes);
        return ~(((x & low7) + low7) | x | low7);
    }

    std::string_view body_;
    uint16_t start_[kMaxFields + 1];
    size_t count_ = 0;
};

} // namespace nmea
