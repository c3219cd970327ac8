#include "dispatch.h"

#include <algorithm>

#include "sentence_fields.h"
#include "sentence_table.h"

namespace nmea {

uint8_t VerifyChecksum(const SentenceContext &ctx) {
    const std::string_view s = ctx.CurrentSentence;
    const size_t length = std::min(s.size(), static_cast<size_t>(std::max(ctx.SentenceLength, 0)));
    const std::string_view sentence = s.substr(0, length);
    const size_t star = std::min(sentence.find('*', 1), length);
    const std::string_view body = length > 1 ? sentence.substr(1, star - 1) : std::string_view();
    // No "*": the sum is compared with zero.
    const std::string_view sent = star < length ? sentence.substr(star + 1) : std::string_view();
    return ChecksumMatches(body, sent) ? 1 : 0;
}

namespace {
void Decode(SentenceContext &ctx, const SentenceRow &row) {
    if (row.decode == nullptr || row.decode(ctx) != 1) return;
    ctx.LastDecoded = true;
    if (row.noteTexts != nullptr) row.noteTexts(ctx.Manager, ctx.Manager.Pending());
}
} // namespace

uint8_t ParseSentence(SentenceContext &ctx) {
    ctx.LastDecoded = false;
    ctx.LastFromOtherTalker = false;
    ctx.LastDeferred = false;
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
    if (kind == ctx.DecodedElsewhere) {
        ctx.LastDeferred = true;
        return 1;
    }
    Decode(ctx, *row);
    return 1;
}

void DecodeDeferred(SentenceContext &ctx, SentenceKind kind) {
    ctx.LastDecoded = false;
    if (const SentenceRow *row = RowOf(kind)) Decode(ctx, *row);
}

} // namespace nmea
