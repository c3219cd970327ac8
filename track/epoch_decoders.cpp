// The fix epochs' side of each sentence kind: the kind's decoder
// (nmea/sentence_decoders.h) names its fields, read as texts of nmea's
// sentence layer (an empty field is absent); these map them into the epoch.
#include "epoch_parts.h"

#include <bit>

#include "nmea/field_values.h"
#include "nmea/sentence_decoders.h"

namespace track {

namespace {

using nmea::SentenceKind;
using Texts = nmea::FieldTexts;

// More satellites in view than all constellations have is no count.
constexpr int kMaxInView = 1000;

void ReadNumber(std::string_view field, Number &to) {
    Number n;
    to = nmea::ParseNumber(field, n) ? n : Number{};
}

// GN's combined solution outranks a single constellation's.
int Rank(const Sentence &s, int base) { return (s.combined ? 10 : 0) + base; }

void Position(const Sentence &s, TimedPart &t, std::string_view latitude, std::string_view northSouth,
              std::string_view longitude, std::string_view eastWest, int rank) {
    double lat = 0, lon = 0;
    if (rank <= t.positionRank) return;
    if (!nmea::ParseLatitude(latitude, northSouth, lat) || !nmea::ParseLongitude(longitude, eastWest, lon)) return;
    Epoch &e = t.epoch;
    e.hasPosition = true;
    e.latitude = lat;
    e.longitude = lon;
    e.positionLine = s.line;
    e.timeMs = s.timeMs; // the epoch's time is its position's
    const std::string_view talker = s.f.Talker();
    e.talker[0] = talker[0];
    e.talker[1] = talker[1];
    t.positionRank = rank;
}

void Status(std::string_view field, TimedPart &t, int rank) {
    if (field.size() == 1 && (field[0] == 'A' || field[0] == 'V') && rank > t.statusRank) {
        t.epoch.status = field[0];
        t.statusRank = rank;
    }
}

template <typename Part>
void Motion(std::string_view speed, std::string_view course, Part &p, Number &v, Number &c, int rank) {
    if (rank <= p.motionRank) return;
    Number sv, sc;
    const bool haveSpeed = nmea::ParseNumber(speed, sv), haveCourse = nmea::ParseNumber(course, sc);
    if (!haveSpeed && !haveCourse) return;
    v = haveSpeed ? sv : Number{};
    c = haveCourse ? sc : Number{};
    p.motionRank = rank;
}

// Satellites used, HDOP and heights of the best GGA or GNS.
template <typename Fix> void Solution(const Fix &g, TimedPart &t, int rank) {
    if (rank <= t.ggaRank) return;
    t.ggaRank = rank;
    ReadNumber(g.satellitesUsed, t.epoch.satsUsed);
    if (t.hdopRank < 1) {
        ReadNumber(g.hdop, t.epoch.hdop);
        t.hdopRank = 1;
    }
    ReadNumber(g.altitude, t.epoch.altitude);
    ReadNumber(g.geoidSeparation, t.epoch.geoidSeparation);
}

void OwnDate(TimedPart &t, CivilDate date, int rank) {
    if (rank <= t.dateRank) return;
    t.ownDate = date;
    t.dateRank = rank;
}

void DecodeGga(const Sentence &s, TimedPart &t, Untimed &) {
    const nmea::Gga<Texts> g{Texts(s.f)};
    const int rank = Rank(s, 3);
    Position(s, t, g.latitude, g.northSouth, g.longitude, g.eastWest, rank);
    int quality = -1;
    if (nmea::ParseInt(g.quality, quality) && quality <= 8) {
        t.epoch.noFix = t.epoch.noFix || quality == 0;
        if (rank > t.qualityRank) {
            t.epoch.quality = quality;
            t.qualityRank = rank;
        }
    }
    Solution(g, t, rank);
    ReadNumber(g.dgpsAge, t.epoch.dgpsAge);
    ReadNumber(g.dgpsStation, t.epoch.dgpsStation);
}

void DecodeRmc(const Sentence &s, TimedPart &t, Untimed &) {
    const nmea::Rmc<Texts> r{Texts(s.f)};
    const int rank = Rank(s, 1);
    t.epoch.noFix = t.epoch.noFix || r.status == "V";
    Status(r.status, t, rank);
    Position(s, t, r.latitude, r.northSouth, r.longitude, r.eastWest, rank);
    Motion(r.speed, r.course, t, t.epoch.speedKnots, t.epoch.course, rank);
    CivilDate date;
    if (nmea::ParseDdmmyy(r.date, date)) OwnDate(t, date, Rank(s, 2));
}

void DecodeGll(const Sentence &s, TimedPart &t, Untimed &) {
    const nmea::Gll<Texts> g{Texts(s.f)};
    t.epoch.noFix = t.epoch.noFix || (!g.status.empty() && g.status != "A") || g.mode == "N" || g.mode == "V";
    Status(g.status, t, Rank(s, 0));
    Position(s, t, g.latitude, g.northSouth, g.longitude, g.eastWest, Rank(s, 0));
}

void DecodeGns(const Sentence &s, TimedPart &t, Untimed &) {
    const nmea::Gns<Texts> g{Texts(s.f)};
    t.epoch.noFix = t.epoch.noFix || (!g.modes.empty() && g.modes.find_first_not_of('N') == std::string_view::npos);
    Position(s, t, g.latitude, g.northSouth, g.longitude, g.eastWest, Rank(s, 2));
    Solution(g, t, Rank(s, 2));
}

void DecodeZda(const Sentence &s, TimedPart &t, Untimed &) {
    const nmea::Zda<Texts> z{Texts(s.f)};
    int day = 0, month = 0, year = 0;
    if (nmea::ParseInt(z.day, day) && nmea::ParseInt(z.month, month) && nmea::ParseInt(z.year, year) &&
        z.year.size() == 4 && nmea::IsCalendarDate({year, month, day}))
        OwnDate(t, {year, month, day}, Rank(s, 1));
}

void DecodeGst(const Sentence &s, TimedPart &t, Untimed &) {
    const nmea::Gst<Texts> g{Texts(s.f)};
    ReadNumber(g.sdLatitude, t.epoch.sdLatitude);
    ReadNumber(g.sdLongitude, t.epoch.sdLongitude);
    ReadNumber(g.sdAltitude, t.epoch.sdAltitude);
}

void DecodeVtg(const Sentence &s, TimedPart &, Untimed &u) {
    const nmea::Vtg<Texts> v{Texts(s.f)};
    Motion(v.speedKnots, v.courseTrue, u, u.speedKnots, u.course, Rank(s, 0));
}

void DecodeGsa(const Sentence &s, TimedPart &, Untimed &u) {
    const nmea::Gsa<Texts> g{Texts(s.f)};
    int mode = 0;
    if (nmea::ParseInt(g.fixType, mode) && mode >= 1 && mode <= 3) u.gsaMode = mode;
    int used = 0;
    for (std::string_view prn : g.prn) used += !prn.empty();
    // One GSA per constellation and stretch; a repeat replaces its count.
    int system = 0;
    if (!nmea::ParseInt(g.system, system) || system < 1 || system > 15) {
        int prn = 0;
        system = !s.combined                      ? 16 + static_cast<int>(s.system)
                 : !nmea::ParseInt(g.prn[0], prn) ? 0
                 : prn <= 32                      ? 1
                 : prn >= 65 && prn <= 96         ? 2
                                                  : 0;
    }
    u.gsaUsed[static_cast<size_t>(system)] = used;
    u.gsaSlots |= uint32_t{1} << system;
    if (Rank(s, 1) <= u.dopRank) return;
    Number p, h, v;
    const bool haveP = nmea::ParseNumber(g.pdop, p), haveH = nmea::ParseNumber(g.hdop, h),
               haveV = nmea::ParseNumber(g.vdop, v);
    if (!haveP && !haveH && !haveV) return;
    u.pdop = p;
    u.hdop = h;
    u.vdop = v;
    u.dopRank = Rank(s, 1);
}

void DecodeGsv(const Sentence &s, TimedPart &, Untimed &u) {
    const nmea::Gsv<Texts> g{Texts(s.f)};
    int total = 0, index = 0, inView = 0;
    if (!nmea::ParseInt(g.messages, total) || !nmea::ParseInt(g.number, index) || index < 1 || index > total ||
        !nmea::ParseInt(g.inView, inView) || inView > kMaxInView)
        return;
    // Sets of several signals (NMEA 4.10) list the same satellites again.
    int &count = u.inView[static_cast<size_t>(s.system)];
    if (inView > count) count = inView;
}

constexpr std::array<KindDecoder, nmea::kSentenceKinds> MakeTable() {
    std::array<KindDecoder, nmea::kSentenceKinds> table{};
    const auto at = [&](SentenceKind kind, DecodeKind decode, uint8_t fields = nmea::SentenceFields::kMaxFields) {
        table[static_cast<size_t>(kind)] = {decode, fields};
    };
    at(SentenceKind::GPGGA, DecodeGga);
    at(SentenceKind::GPRMC, DecodeRmc, 10); // up to the date
    at(SentenceKind::GPGLL, DecodeGll);
    at(SentenceKind::GPGNS, DecodeGns);
    at(SentenceKind::GPZDA, DecodeZda);
    at(SentenceKind::GPGST, DecodeGst);
    at(SentenceKind::GPVTG, DecodeVtg, 6); // up to the speed in knots
    at(SentenceKind::GPGSA, DecodeGsa);
    at(SentenceKind::GPGSV, DecodeGsv, 4); // up to the satellites in view: a third of most lines
    return table;
}

} // namespace

const std::array<KindDecoder, nmea::kSentenceKinds> kKindDecoders = MakeTable();

void Untimed::Add(const Untimed &later) {
    if (!later.any) return;
    any = true;
    if (later.gsaMode != 0) gsaMode = later.gsaMode;
    // Most receivers fill one slot or a few: only those are visited.
    for (uint32_t slots = later.gsaSlots; slots != 0; slots &= slots - 1) {
        const auto i = static_cast<size_t>(std::countr_zero(slots));
        gsaUsed[i] = later.gsaUsed[i];
    }
    gsaSlots |= later.gsaSlots;
    if (later.dopRank >= dopRank) {
        pdop = later.pdop;
        hdop = later.hdop;
        vdop = later.vdop;
        dopRank = later.dopRank;
    }
    for (size_t i = 0; i < kSystems; ++i) {
        if (later.inView[i] > inView[i]) inView[i] = later.inView[i];
    }
    if (later.motionRank >= motionRank) {
        speedKnots = later.speedKnots;
        course = later.course;
        motionRank = later.motionRank;
    }
}

int Untimed::GsaUsed() const {
    if (gsaSlots == 0) return -1;
    int total = 0;
    for (uint32_t slots = gsaSlots; slots != 0; slots &= slots - 1)
        total += gsaUsed[static_cast<size_t>(std::countr_zero(slots))];
    return total;
}

} // namespace track
