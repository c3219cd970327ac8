#include "dispatch.h"

#include <algorithm>

#include "decoders.h"
#include "display.h"
#include "fields.h"

namespace nmea {

namespace {
constexpr uint32_t Key(std::string_view name) {
    return static_cast<uint32_t>(static_cast<unsigned char>(name[2])) << 16 |
           static_cast<uint32_t>(static_cast<unsigned char>(name[3])) << 8 |
           static_cast<uint32_t>(static_cast<unsigned char>(name[4]));
}
} // namespace

// Called for every line: one switch instead of nine comparisons.
SentenceKind KindOfName(std::string_view name) {
    if (name.size() != 5 || name[0] != 'G' || name[1] != 'P') return SentenceKind::Unknown;
    switch (Key(name)) {
    case Key(kSentenceNames[0]): return SentenceKind::GPGGA;
    case Key(kSentenceNames[1]): return SentenceKind::GPGLL;
    case Key(kSentenceNames[2]): return SentenceKind::GPGSA;
    case Key(kSentenceNames[3]): return SentenceKind::GPGSV;
    case Key(kSentenceNames[4]): return SentenceKind::GPRMC;
    case Key(kSentenceNames[5]): return SentenceKind::GPVTG;
    case Key(kSentenceNames[6]): return SentenceKind::GPZDA;
    case Key(kSentenceNames[7]): return SentenceKind::GPRPT;
    case Key(kSentenceNames[8]): return SentenceKind::GPMSS;
    default: return SentenceKind::Unknown;
    }
}

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

namespace {

struct Decoder {
    uint8_t (*parse)(SentenceContext &);
    const TObject &(*record)(const NMEA_Manager &);
};

const Decoder *DecoderOf(SentenceKind kind) {
    static const Decoder decoders[] = {
        {ParseGGA, [](const NMEA_Manager &m) -> const TObject & { return m.GgaRecord; }},
        {ParseGLL, [](const NMEA_Manager &m) -> const TObject & { return m.GllRecord; }},
        {ParseGSA, [](const NMEA_Manager &m) -> const TObject & { return m.GsaRecord; }},
        {ParseGSV, [](const NMEA_Manager &m) -> const TObject & { return m.GsvRecord; }},
        {ParseRMC, [](const NMEA_Manager &m) -> const TObject & { return m.RmcRecord; }},
        {ParseVTG, [](const NMEA_Manager &m) -> const TObject & { return m.VtgRecord; }},
        {nullptr, nullptr}, // ZDA: recognised, not decoded
        {ParseRPT, [](const NMEA_Manager &m) -> const TObject & { return m.RptRecord; }},
        {nullptr, nullptr}, // MSS: recognised, not decoded
    };
    const auto index = static_cast<size_t>(kind);
    return index < std::size(decoders) ? &decoders[index] : nullptr;
}

} // namespace

uint8_t ParseSentence(SentenceContext &ctx) {
    ctx.LastKind = SentenceKind::Unknown;
    ctx.LastDecoded = false;
    ctx.LastFromOtherTalker = false;
    if (ctx.VerifyChecksums && !VerifyChecksum(ctx)) return 0;
    const SentenceKind kind = KindOfName(ctx.SentenceName());
    ctx.LastKind = kind;
    if (kind == SentenceKind::Unknown) {
        ctx.UnrecognisedSentence = 1;
        return 1;
    }
    if (ctx.AnyTalker && !ctx.TakeTalker(kind)) {
        ctx.LastFromOtherTalker = true;
        return 1;
    }
    const Decoder *decoder = DecoderOf(kind);
    if (decoder == nullptr || decoder->parse == nullptr) return 1;
    if (decoder->parse(ctx) == 1) {
        ctx.LastDecoded = true;
        if (ctx.DeferDisplay) ctx.Deferred.Note(ctx.Manager.Display, decoder->record(ctx.Manager), kind);
        else UpdateDataDisplay(ctx.Manager, decoder->record(ctx.Manager), kind);
    }
    return 1;
}

} // namespace nmea
