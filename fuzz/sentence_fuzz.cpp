// Arbitrary bytes as one line through the sentence check and the decoders,
// with checksums off and on and with any talker read as GP; afterwards every
// display text must still have the form the placemarks rely on. The same
// bytes as lines also check that texts read now and then equal texts read
// after every line.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "nmea/context.h"
#include "nmea/dispatch.h"

namespace {

constexpr size_t kMaxText = 40;

[[noreturn]] void Fail(const char *what, const std::string &text) {
    std::fprintf(stderr, "display text %s out of form: \"%s\"\n", what, text.c_str());
    std::abort();
}

bool Digit(char c) { return c >= '0' && c <= '9'; }

// Consumes one or more digits; their count must lie in [minDigits, maxDigits].
bool Digits(std::string_view &s, size_t minDigits, size_t maxDigits) {
    size_t n = 0;
    while (n < s.size() && Digit(s[n])) ++n;
    if (n < minDigits || n > maxDigits) return false;
    s.remove_prefix(n);
    return true;
}

bool Literal(std::string_view &s, std::string_view text) {
    if (!s.starts_with(text)) return false;
    s.remove_prefix(text.size());
    return true;
}

// d+.ddd with `decimals` digits after the point, optionally signed.
bool Fixed(std::string_view s, size_t decimals, bool mayBeNegative = false) {
    if (mayBeNegative && !s.empty() && s.front() == '-') s.remove_prefix(1);
    return Digits(s, 1, kMaxText) && Literal(s, ".") && Digits(s, decimals, decimals) && s.empty();
}

// An integer as %d writes it.
bool Decimal(std::string_view s, bool mayBeNegative) {
    if (mayBeNegative && !s.empty() && s.front() == '-') s.remove_prefix(1);
    return Digits(s, 1, 6) && s.empty();
}

// "N 48.117300", "S 0.500000"; the initial "0.00" before any position.
// A negative zero passes the hemisphere test as north and keeps its sign.
bool Coordinate(std::string_view s, char positive, char negative) {
    if (s == "0.00") return true;
    if (s.size() < 2 || (s[0] != positive && s[0] != negative) || s[1] != ' ') return false;
    const char hemisphere = s[0];
    s.remove_prefix(2);
    if (hemisphere == positive && s == "-0.000000") return true;
    return Fixed(s, 6);
}

bool UtcTime(std::string_view s) {
    return s.empty() || (Literal(s, "GMT: ") && Digits(s, 2, 3) && Literal(s, ":") && Digits(s, 2, 3) &&
                         Literal(s, ":") && Digits(s, 2, 2) && s.empty());
}

bool Date(std::string_view s) {
    return s.empty() || (Literal(s, "DATE: ") && Digits(s, 2, 3) && Literal(s, "/") && Digits(s, 2, 3) &&
                         Literal(s, "/") && Digits(s, 2, 3) && s.empty());
}

bool Speed(std::string_view s) {
    return s == "0.000 m/s" || (s.ends_with(" km/hr    ") && Fixed(s.substr(0, s.size() - 10), 1));
}

void Check(const char *what, const std::string &text, bool wellFormed) {
    if (!wellFormed || text.size() > kMaxText) Fail(what, text);
}

void CheckDisplay(const nmea::DataDisplay &d) {
    Check("FixMode", d.FixMode, d.FixMode == "NON Fix" || d.FixMode == "2D" || d.FixMode == "3D");
    Check("HDOP", d.HDOP, Fixed(d.HDOP, 2));
    Check("VDOP", d.VDOP, Fixed(d.VDOP, 2));
    Check("PDOP", d.PDOP, Fixed(d.PDOP, 2));
    Check("Date", d.Date, Date(d.Date));
    Check("UtcTime", d.UtcTime, UtcTime(d.UtcTime));
    Check("Latitude", d.Latitude, Coordinate(d.Latitude, 'N', 'S'));
    Check("Longitude", d.Longitude, Coordinate(d.Longitude, 'E', 'W'));
    Check("Speed", d.Speed, Speed(d.Speed));
    Check("Course", d.Course, d.Course == "0.00" || Fixed(d.Course, 1));
    Check("Altitude", d.Altitude, d.Altitude == "0.00" || Fixed(d.Altitude, 1, true));
    if (d.PositionValid > 1) std::abort();
    for (size_t i = 0; i < d.SatPrn.size(); ++i) {
        Check("SatPrn", d.SatPrn[i], d.SatPrn[i].empty() || Decimal(d.SatPrn[i], false));
        Check("SatSnr", d.SatSnr[i], d.SatSnr[i].empty() || Decimal(d.SatSnr[i], false));
        Check("SatElevation", d.SatElevation[i], d.SatElevation[i].empty() || Decimal(d.SatElevation[i], true));
        Check("SatAzimuth", d.SatAzimuth[i], d.SatAzimuth[i].empty() || Decimal(d.SatAzimuth[i], true));
    }
}

void Run(std::string_view line, bool verifyChecksums, bool anyTalker) {
    nmea::SentenceContext ctx;
    ctx.VerifyChecksums = verifyChecksums;
    ctx.AnyTalker = anyTalker;
    ctx.SetSentence(line);
    if (ctx.CurrentSentence.size() > nmea::SentenceContext::kMaxLine) std::abort();
    const uint8_t result = nmea::ParseSentence(ctx);
    if (result > 1 || (result == 0 && !verifyChecksums)) std::abort();
    if (ctx.UnrecognisedSentence && nmea::PlacemarkKindOfName(ctx.SentenceName()) != nmea::SentenceKind::Unknown)
        std::abort();
    CheckDisplay(ctx.Manager.Display());
}

bool SameTexts(const nmea::DataDisplay &a, const nmea::DataDisplay &b) {
    return a.FixMode == b.FixMode && a.HDOP == b.HDOP && a.VDOP == b.VDOP && a.PDOP == b.PDOP && a.Date == b.Date &&
           a.UtcTime == b.UtcTime && a.Latitude == b.Latitude && a.Longitude == b.Longitude && a.Speed == b.Speed &&
           a.Course == b.Course && a.Altitude == b.Altitude && a.PositionValid == b.PositionValid &&
           a.SatPrn == b.SatPrn && a.SatSnr == b.SatSnr && a.SatElevation == b.SatElevation &&
           a.SatAzimuth == b.SatAzimuth;
}

// The same lines into a context whose texts are read after every line and one
// whose texts are read now and then: whenever the latter is read, its texts
// must equal the former's. The line's length decides where a read falls, as a
// cycle's end would.
void CompareDeferred(std::string_view input) {
    nmea::SentenceContext now;
    nmea::SentenceContext later;
    for (int n = 0; n < 64 && !input.empty(); ++n) {
        const size_t lf = input.find('\n');
        const std::string_view line = input.substr(0, lf);
        input.remove_prefix(lf == std::string_view::npos ? input.size() : lf + 1);
        for (nmea::SentenceContext *ctx : {&now, &later}) {
            ctx->SetSentence(line);
            nmea::ParseSentence(*ctx);
        }
        const nmea::DataDisplay &everyLine = now.Manager.Display();
        if (line.size() % 3 == 0 || input.empty()) {
            if (!SameTexts(everyLine, later.Manager.Display())) {
                std::fprintf(stderr, "texts formatted on demand differ after line %d\n", n + 1);
                std::abort();
            }
        }
    }
    CheckDisplay(later.Manager.Display());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::string_view line(reinterpret_cast<const char *>(data), size);
    Run(line, false, false);
    Run(line, true, false);
    Run(line, false, true);
    CompareDeferred(line);
    return 0;
}
