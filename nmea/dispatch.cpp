#include "dispatch.h"

#include <algorithm>

#include "sentence_fields.h"
#include "sentence_table.h"

namespace nmea {

uint8_t VerifyChecksum(const SentenceContext &ctx) {
    const std::string &s = ctx.CurrentSentence;
    const size_t length = std::min(s.size(), static_cast<size_t>(std::max(ctx.SentenceLength, 0)));
    const std::string_view sentence = std::string_view(s).substr(0, length);
    const size_t star = std::min(sentence.find('*', 1), length);
    const std::string_view body = length > 1 ? sentence.substr(1, star - 1) : std::string_view();
    // No "*": the sum is compared with zero.
    const std::string_view sent = star < length ? sentence.substr(star + 1) : std::string_view();
    return ChecksumMatches(body, sent) ? 1 : 0;
}

uint8_t ParseSentence(SentenceContext &ctx) {
    ctx.LastDecoded = false;
    ctx.LastFromOtherTalker = false;
    if (ctx.VerifyChecksums && !VerifyChecksum(ctx)) return 0;
    const SentenceKind kind = PlacemarkKindOfName(ctx.SentenceName());
    const SentenceRow *row = RowOf(kind);
    if (row == nullptr) {
        ctx.UnrecognisedSentence = 1;
        return 1;
    }
    if (ctx.AnyTalker && !ctx.TakeTalker(kind)) {
        ctx.LastFromOtherTalker = true;
        return 1;
    }
    if (row->decode == nullptr) return 1;
    if (row->decode(ctx) == 1) {
        ctx.LastDecoded = true;
        if (row->noteTexts != nullptr) row->noteTexts(ctx.Manager, ctx.Manager.Pending());
    }
    return 1;
}

} // namespace nmea
