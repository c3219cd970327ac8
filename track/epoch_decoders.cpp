// One decoder per sentence kind for the fix epochs, reading fields through
// nmea's sentence layer (an empty field is absent).
#include "epoch_parts.h"

#include "nmea/field_values.h"

namespace track {

namespace {

using nmea::SentenceKind;

// More satellites in view than all constellations have is no count.
constexpr int kMaxInView = 1000;

void ReadNumber(std::string_view field, Number &to) {
    Number n;
    to = nmea::ParseNumber(field, n) ? n : Number{};
}

// GN's combined solution outranks a single constellation's.
int Rank(const Sentence &s, int base) { return (s.combined ? 10 : 0) + base; }

void Position(const Sentence &s, TimedPart &t, size_t at, int rank) {
    double lat = 0, lon = 0;
    if (rank <= t.positionRank) return;
    if (!nmea::ParseLatitude(s.f[at], s.f[at + 1], lat) || !nmea::ParseLongitude(s.f[at + 2], s.f[at + 3], lon)) return;
    Epoch &e = t.epoch;
    e.hasPosition = true;
    e.latitude = lat;
    e.longitude = lon;
    e.positionLine = s.line;
    e.timeMs = s.timeMs; // the epoch's time is its position's
    e.talker[0] = s.f[0][0];
    e.talker[1] = s.f[0][1];
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
void Solution(const Sentence &s, TimedPart &t, size_t sats, size_t hdop, size_t altitude, size_t geoid, int rank) {
    if (rank <= t.ggaRank) return;
    t.ggaRank = rank;
    ReadNumber(s.f[sats], t.epoch.satsUsed);
    if (t.hdopRank < 1) {
        ReadNumber(s.f[hdop], t.epoch.hdop);
        t.hdopRank = 1;
    }
    ReadNumber(s.f[altitude], t.epoch.altitude);
    ReadNumber(s.f[geoid], t.epoch.geoidSeparation);
}

void OwnDate(TimedPart &t, CivilDate date, int rank) {
    if (rank <= t.dateRank) return;
    t.ownDate = date;
    t.dateRank = rank;
}

void DecodeGga(const Sentence &s, TimedPart &t, Untimed &) {
    const int rank = Rank(s, 3);
    Position(s, t, 2, rank);
    int quality = -1;
    if (nmea::ParseInt(s.f[6], quality) && quality <= 8) {
        t.epoch.noFix = t.epoch.noFix || quality == 0;
        if (rank > t.qualityRank) {
            t.epoch.quality = quality;
            t.qualityRank = rank;
        }
    }
    Solution(s, t, 7, 8, 9, 11, rank);
    ReadNumber(s.f[13], t.epoch.dgpsAge);
    ReadNumber(s.f[14], t.epoch.dgpsStation);
}

void DecodeRmc(const Sentence &s, TimedPart &t, Untimed &) {
    const int rank = Rank(s, 1);
    t.epoch.noFix = t.epoch.noFix || s.f[2] == "V";
    Status(s.f[2], t, rank);
    Position(s, t, 3, rank);
    Motion(s.f[7], s.f[8], t, t.epoch.speedKnots, t.epoch.course, rank);
    CivilDate date;
    if (nmea::ParseDdmmyy(s.f[9], date)) OwnDate(t, date, Rank(s, 2));
}

void DecodeGll(const Sentence &s, TimedPart &t, Untimed &) {
    const std::string_view status = s.f[6], mode = s.f[7];
    t.epoch.noFix = t.epoch.noFix || (!status.empty() && status != "A") || mode == "N" || mode == "V";
    Status(status, t, Rank(s, 0));
    Position(s, t, 1, Rank(s, 0));
}

void DecodeGns(const Sentence &s, TimedPart &t, Untimed &) {
    const std::string_view modes = s.f[6];
    t.epoch.noFix = t.epoch.noFix || (!modes.empty() && modes.find_first_not_of('N') == std::string_view::npos);
    Position(s, t, 2, Rank(s, 2));
    Solution(s, t, 7, 8, 9, 10, Rank(s, 2));
}

void DecodeZda(const Sentence &s, TimedPart &t, Untimed &) {
    int day = 0, month = 0, year = 0;
    if (nmea::ParseInt(s.f[2], day) && nmea::ParseInt(s.f[3], month) && nmea::ParseInt(s.f[4], year) &&
        s.f[4].size() == 4 && nmea::IsCalendarDate({year, month, day}))
        OwnDate(t, {year, month, day}, Rank(s, 1));
}

void DecodeGst(const Sentence &s, TimedPart &t, Untimed &) {
    ReadNumber(s.f[6], t.epoch.sdLatitude);
    ReadNumber(s.f[7], t.epoch.sdLongitude);
    ReadNumber(s.f[8], t.epoch.sdAltitude);
}

void DecodeVtg(const Sentence &s, TimedPart &, Untimed &u) {
    // Course true, then speed in knots (field 5).
    Motion(s.f[5], s.f[1], u, u.speedKnots, u.course, Rank(s, 0));
}

void DecodeGsa(const Sentence &s, TimedPart &, Untimed &u) {
    int mode = 0;
    if (nmea::ParseInt(s.f[2], mode) && mode >= 1 && mode <= 3) u.gsaMode = mode;
    int used = 0;
    for (size_t i = 3; i < 15; ++i) used += !s.f[i].empty();
    // One GSA per constellation and stretch; a repeat replaces its count.
    int system = 0;
    if (!nmea::ParseInt(s.f[18], system) || system < 1 || system > 15) {
        int prn = 0;
        system = !s.combined                    ? 16 + static_cast<int>(s.system)
                 : !nmea::ParseInt(s.f[3], prn) ? 0
                 : prn <= 32                    ? 1
                 : prn >= 65 && prn <= 96       ? 2
                                                : 0;
    }
    u.gsaUsed[static_cast<size_t>(system)] = used;
    if (Rank(s, 1) <= u.dopRank) return;
    Number p, h, v;
    const bool haveP = nmea::ParseNumber(s.f[15], p), haveH = nmea::ParseNumber(s.f[16], h),
               haveV = nmea::ParseNumber(s.f[17], v);
    if (!haveP && !haveH && !haveV) return;
    u.pdop = p;
    u.hdop = h;
    u.vdop = v;
    u.dopRank = Rank(s, 1);
}

void DecodeGsv(const Sentence &s, TimedPart &, Untimed &u) {
    int total = 0, index = 0, inView = 0;
    if (!nmea::ParseInt(s.f[1], total) || !nmea::ParseInt(s.f[2], index) || index < 1 || index > total ||
        !nmea::ParseInt(s.f[3], inView) || inView > kMaxInView)
        return;
    // Sets of several signals (NMEA 4.10) list the same satellites again.
    int &count = u.inView[static_cast<size_t>(s.system)];
    if (inView > count) count = inView;
}

constexpr std::array<KindDecoder, nmea::kSentenceKinds> MakeTable() {
    std::array<KindDecoder, nmea::kSentenceKinds> table{};
    const auto at = [&](SentenceKind kind, KindDecoder decoder) { table[static_cast<size_t>(kind)] = decoder; };
    at(SentenceKind::GPGGA, DecodeGga);
    at(SentenceKind::GPRMC, DecodeRmc);
    at(SentenceKind::GPGLL, DecodeGll);
    at(SentenceKind::GPGNS, DecodeGns);
    at(SentenceKind::GPZDA, DecodeZda);
    at(SentenceKind::GPGST, DecodeGst);
    at(SentenceKind::GPVTG, DecodeVtg);
    at(SentenceKind::GPGSA, DecodeGsa);
    at(SentenceKind::GPGSV, DecodeGsv);
    return table;
}

} // namespace

const std::array<KindDecoder, nmea::kSentenceKinds> kKindDecoders = MakeTable();

void Untimed::Add(const Untimed &later) {
    if (!later.any) return;
    any = true;
    if (later.gsaMode != 0) gsaMode = later.gsaMode;
    for (size_t i = 0; i < gsaUsed.size(); ++i) {
        if (later.gsaUsed[i] >= 0) gsaUsed[i] = later.gsaUsed[i];
    }
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
    // Without branches, so that the compiler can add the slots side by side.
    int total = 0;
    bool any = false;
    for (int n : gsaUsed) {
        total += n > 0 ? n : 0;
        any |= n >= 0;
    }
    return any ? total : -1;
}

} // namespace track
