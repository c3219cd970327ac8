#include "dispatch.h"

#include <algorithm>

#include "field_readers.h"
#include "sentence_table.h"

namespace nmea {

uint8_t VerifyChecksum(const SentenceContext &ctx) {
    const std::string &s = ctx.CurrentSentence;
    const size_t length = std::min(s.size(), static_cast<size_t>(std::max(ctx.SentenceLength, 0)));
    uint8_t sum = 0;
    size_t i = 1;
    for (; i < length && s[i] != '*'; ++i) sum ^= static_cast<uint8_t>(s[i]);
    uint32_t sent = 0;
    if (i < length) {
        const size_t after = i + 1;
        sent = HexToInt(s.data() + after, static_cast<uint32_t>(std::min<size_t>(2, length - after)));
    }
    return sum == sent ? 1 : 0;
}

uint8_t ParseSentence(SentenceContext &ctx) {
    ctx.LastDecoded = false;
    ctx.LastFromOtherTalker = false;
    if (ctx.VerifyChecksums && !VerifyChecksum(ctx)) return 0;
    const SentenceKind kind = KindOfName(ctx.SentenceName());
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
