#include "context.h"

#include <cstring>
#include <iterator>

#include "short_copy.h"
#include "talker.h"

namespace nmea {

void SentenceContext::LoadLine(std::string_view piece) {
    const size_t n = piece.size() < kMaxLine ? piece.size() : kMaxLine;
    const void *nul = std::memchr(piece.data(), '\0', n);
    LoadLine(piece, nul ? static_cast<size_t>(static_cast<const char *>(nul) - piece.data()) : n);
}

void SentenceContext::LoadLine(std::string_view piece, size_t textLength) {
    const size_t n = piece.size() < kMaxLine ? piece.size() : kMaxLine;
    CopyShort(LineBuffer, piece.data(), n);
    LineBuffer[n] = '\0';
    CurrentSentence = std::string_view(LineBuffer, textLength < n ? textLength : n);
}

void SentenceContext::SetSentence(std::string_view sentence) {
    LoadLine(sentence);
    SentenceLength = static_cast<int32_t>(CurrentSentence.size());
    UnrecognisedSentence = 0;
}

std::string_view SentenceContext::SentenceName() {
    const std::string_view s = CurrentSentence;
    std::string_view name = s.size() > 1 ? s.substr(1, 5) : std::string_view{};
    if (AnyTalker && IsOtherTalker(name)) {
        normalisedName_[0] = 'G';
        normalisedName_[1] = 'P';
        std::memcpy(normalisedName_ + 2, name.data() + 2, 3);
        name = std::string_view(normalisedName_, 5);
    }
    return name;
}

namespace {
bool IsTalker(const char *talker, char a, char b) { return talker[0] == a && talker[1] == b; }
} // namespace

bool SentenceContext::Waiting(size_t kind, char a, char b) const {
    for (const auto &talker : waiting_[kind]) {
        if (IsTalker(talker, a, b)) return true;
    }
    return false;
}

bool SentenceContext::StartsMessage(SentenceKind kind) const {
    // "$GLGSV,3,1,": a satellites message spans a set of sentences, and only
    // its first one counts, so that two talkers' sets in every cycle never
    // pass for a silent talker.
    if (kind != SentenceKind::GPGSV) return true;
    const std::string_view s = CurrentSentence;
    const size_t total = s.find(',');
    const size_t number = total == std::string_view::npos ? total : s.find(',', total + 1);
    return number != std::string_view::npos && s.substr(number + 1, 2) == "1,";
}

bool SentenceContext::ReadsTalker(SentenceKind kind) const {
    const auto index = static_cast<size_t>(kind);
    if (index >= std::size(talkers_) || CurrentSentence.size() < 3) return true;
    const char a = CurrentSentence[1], b = CurrentSentence[2];
    const char *chosen = talkers_[index];
    return chosen[0] == '\0' || IsTalker(chosen, a, b) || IsTalker("GN", a, b) ||
           (Waiting(index, a, b) && StartsMessage(kind));
}

bool SentenceContext::TakeTalker(SentenceKind kind) {
    const auto index = static_cast<size_t>(kind);
    if (index >= std::size(talkers_) || CurrentSentence.size() < 3) return true;
    const char a = CurrentSentence[1], b = CurrentSentence[2];
    if (!ReadsTalker(kind)) {
        if (!StartsMessage(kind)) return false;
        // Heard once: a second sentence before the read talker's next takes over.
        for (auto &talker : waiting_[index]) {
            if (talker[0] == '\0') {
                talker[0] = a;
                talker[1] = b;
                break;
            }
        }
        return false;
    }
    talkers_[index][0] = a;
    talkers_[index][1] = b;
    for (auto &talker : waiting_[index]) talker[0] = talker[1] = '\0';
    return true;
}

} // namespace nmea
