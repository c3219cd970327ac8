#include "decoder.h"

#include <cstring>

#include "field_parsers.h"

namespace track {

namespace {

constexpr int32_t kDayMs = 86'400'000;
constexpr int32_t kHalfDayMs = kDayMs / 2;
constexpr size_t kMaxFields = 40;
// More satellites in view than all constellations have is no count.
constexpr int kMaxInView = 1000;

struct TalkerInfo {
    char talker[2];
    System system;
};
// The satellite talkers; instrument talkers (II, IN, ...) are not positions.
constexpr TalkerInfo kTalkers[] = {
    {{'G', 'P'}, System::Gps},     {{'G', 'N'}, System::Combined}, {{'G', 'L'}, System::Glonass},
    {{'G', 'A'}, System::Galileo}, {{'G', 'B'}, System::BeiDou},   {{'B', 'D'}, System::BeiDou},
    {{'G', 'Q'}, System::Qzss},    {{'Q', 'Z'}, System::Qzss},     {{'G', 'I'}, System::NavIC},
};

bool FindTalker(std::string_view name, System &system) {
    for (const TalkerInfo &t : kTalkers) {
        if (name[0] == t.talker[0] && name[1] == t.talker[1]) {
            system = t.system;
            return true;
        }
    }
    return false;
}

enum class Type { GGA, RMC, GLL, GNS, GSA, GSV, VTG, ZDA, GST, Other };

Type TypeOf(std::string_view t) {
    static constexpr std::pair<std::string_view, Type> kTypes[] = {
        {"GGA", Type::GGA}, {"RMC", Type::RMC}, {"GLL", Type::GLL}, {"GNS", Type::GNS}, {"GSA", Type::GSA},
        {"GSV", Type::GSV}, {"VTG", Type::VTG}, {"ZDA", Type::ZDA}, {"GST", Type::GST}};
    for (const auto &[name, type] : kTypes) {
        if (t == name) return type;
    }
    return Type::Other;
}

} // namespace

int64_t DaysFromCivil(CivilDate date) {
    // Howard Hinnant's days_from_civil.
    const int64_t y = date.year - (date.month <= 2);
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (date.month + (date.month > 2 ? -3 : 9)) + 2) / 5 + date.day - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

CivilDate CivilFromDays(int64_t z) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    return {static_cast<int>(yoe + era * 400 + (month <= 2)), month, day};
}

struct EpochDecoder::Sentence {
    std::string_view body;
    // Field i spans body[start[i], start[i + 1] - 1); field 0 is the address, "GPGGA".
    uint16_t start[kMaxFields + 1];
    size_t count = 0;
    System system = System::Gps;
    Type type = Type::Other;
    bool combined = false;

    std::string_view operator[](size_t i) const {
        return i < count ? body.substr(start[i], static_cast<size_t>(start[i + 1] - start[i] - 1)) : std::string_view();
    }
};

EpochDecoder::EpochDecoder(DecoderOptions options) : options_(options), date_(options.startDate) {
    inView_.fill(-1);
    current_.inView.fill(-1);
    gsaUsed_.fill(-1);
}

LineResult EpochDecoder::Feed(std::string_view line, uint64_t lineNumber) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' ')) line.remove_suffix(1);
    const size_t start = line.find('$');
    if (start == std::string_view::npos) return LineResult::Ignored;
    line.remove_prefix(start + 1);
    const size_t star = line.find('*');
    if (star == std::string_view::npos) return LineResult::Ignored;
    const std::string_view body = line.substr(0, star);
    if (options_.verifyChecksums) {
        const std::string_view sum = line.substr(star + 1);
        unsigned x = 0;
        for (char c : body) x ^= static_cast<unsigned char>(c);
        if (sum.size() < 2 || HexValue(sum[0]) < 0 || HexValue(sum[1]) < 0 ||
            static_cast<unsigned>(HexValue(sum[0]) * 16 + HexValue(sum[1])) != x)
            return LineResult::BadChecksum;
    }
    if (body.size() < 6 || body[5] != ',' || body.size() > 4096) return LineResult::Ignored;
    Sentence s;
    if (!FindTalker(body, s.system)) return LineResult::Ignored;
    s.type = TypeOf(body.substr(2, 3));
    if (s.type == Type::Other) return LineResult::Ignored;
    s.combined = s.system == System::Combined;
    s.body = body;
    s.start[0] = 0;
    for (size_t i = 0; i < body.size() && s.count < kMaxFields - 1; ++i) {
        if (body[i] == ',') s.start[++s.count] = static_cast<uint16_t>(i + 1);
    }
    s.start[++s.count] = static_cast<uint16_t>(body.size() + 1);
    Decode(s, lineNumber);
    return LineResult::Decoded;
}

void EpochDecoder::AtTime(int32_t timeMs) {
    if (current_.timeMs >= 0 && current_.timeMs != timeMs) {
        Close();
        OpenNext();
    }
    current_.timeMs = timeMs;
    hasData_ = true;
}

void EpochDecoder::Close() {
    if (!hasData_) return;
    closed_ = current_;
    if (ownDate_.Known()) {
        date_ = ownDate_;
    } else if (date_.Known() && lastTime_ >= 0 && current_.timeMs >= 0 && current_.timeMs + kHalfDayMs < lastTime_) {
        // The clock went back by more than half a day: midnight has passed.
        date_ = CivilFromDays(DaysFromCivil(date_) + 1);
    }
    closed_.date = current_.timeMs >= 0 ? date_ : CivilDate{};
    if (current_.timeMs >= 0) lastTime_ = current_.timeMs;
    closed_.inView = inView_;
    haveClosed_ = true;
    ++epochs_;
}

void EpochDecoder::OpenNext() {
    current_ = Epoch{};
    current_.inView.fill(-1);
    hasData_ = false;
    positionRank_ = ggaRank_ = qualityRank_ = statusRank_ = motionRank_ = dateRank_ = dopRank_ = hdopRank_ = -1;
    gsaUsed_.fill(-1);
    ownDate_ = {};
    inViewThisEpoch_.fill(false);
}

void EpochDecoder::Finish() {
    Close();
    OpenNext();
}

void EpochDecoder::Decode(const Sentence &s, uint64_t lineNumber) {
    // GN's combined solution outranks a single constellation's.
    const int talkerRank = s.combined ? 10 : 0;
    int32_t time = -1;
    const auto timed = [&](std::string_view field) {
        if (!ParseTime(field, time)) return false;
        AtTime(time);
        return true;
    };
    const auto position = [&](size_t at, int rank) {
        double lat = 0, lon = 0;
        if (rank <= positionRank_) return;
        if (!ParseLatitude(s[at], s[at + 1], lat) || !ParseLongitude(s[at + 2], s[at + 3], lon)) return;
        current_.hasPosition = true;
        current_.latitude = lat;
        current_.longitude = lon;
        current_.positionLine = lineNumber;
        current_.talker[0] = s.body[0];
        current_.talker[1] = s.body[1];
        positionRank_ = rank;
    };
    const auto status = [&](std::string_view field, int rank) {
        if (field.size() == 1 && (field[0] == 'A' || field[0] == 'V') && rank > statusRank_) {
            current_.status = field[0];
            statusRank_ = rank;
        }
    };
    const auto motion = [&](std::string_view speed, std::string_view course, int rank) {
        if (rank <= motionRank_) return;
        Number v, c;
        const bool haveSpeed = ParseNumber(speed, v), haveCourse = ParseNumber(course, c);
        if (!haveSpeed && !haveCourse) return;
        current_.speedKnots = haveSpeed ? v : Number{};
        current_.course = haveCourse ? c : Number{};
        motionRank_ = rank;
    };
    const auto number = [](std::string_view field, Number &to) {
        Number n;
        to = ParseNumber(field, n) ? n : Number{};
    };

    // Satellites used, HDOP and heights of the best GGA or GNS.
    const auto solution = [&](size_t sats, size_t hdop, size_t altitude, size_t geoid, int rank) {
        if (rank <= ggaRank_) return;
        ggaRank_ = rank;
        number(s[sats], current_.satsUsed);
        if (hdopRank_ < 1) {
            number(s[hdop], current_.hdop);
            hdopRank_ = 1;
        }
        number(s[altitude], current_.altitude);
        number(s[geoid], current_.geoidSeparation);
    };

    switch (s.type) {
    case Type::GGA: {
        if (!timed(s[1])) return;
        const int rank = talkerRank + 3;
        position(2, rank);
        int quality = -1;
        if (rank > qualityRank_ && ParseInt(s[6], quality) && quality <= 8) {
            current_.quality = quality;
            qualityRank_ = rank;
        }
        solution(7, 8, 9, 11, rank);
        number(s[13], current_.dgpsAge);
        number(s[14], current_.dgpsStation);
        return;
    }
    case Type::RMC: {
        if (!timed(s[1])) return;
        status(s[2], talkerRank + 1);
        position(3, talkerRank + 1);
        motion(s[7], s[8], talkerRank + 1);
        CivilDate date;
        if (talkerRank + 2 > dateRank_ && ParseDdmmyy(s[9], date)) {
            ownDate_ = date;
            dateRank_ = talkerRank + 2;
            dateSeen_ = true;
        }
        return;
    }
    case Type::GLL:
        if (!timed(s[5])) return;
        status(s[6], talkerRank);
        position(1, talkerRank);
        return;
    case Type::GNS:
        if (!timed(s[1])) return;
        position(2, talkerRank + 2);
        solution(7, 8, 9, 10, talkerRank + 2);
        return;
    case Type::ZDA: {
        if (!timed(s[1])) return;
        int day = 0, month = 0, year = 0;
        if (talkerRank + 1 > dateRank_ && ParseInt(s[2], day) && ParseInt(s[3], month) && ParseInt(s[4], year) &&
            s[4].size() == 4 && day >= 1 && day <= 31 && month >= 1 && month <= 12) {
            ownDate_ = {year, month, day};
            dateRank_ = talkerRank + 1;
            dateSeen_ = true;
        }
        return;
    }
    case Type::GST:
        if (!timed(s[1])) return;
        number(s[6], current_.sdLatitude);
        number(s[7], current_.sdLongitude);
        number(s[8], current_.sdAltitude);
        return;
    case Type::VTG:
        hasData_ = true;
        // Course true, then speed in knots (field 5).
        motion(s[5], s[1], talkerRank);
        return;
    case Type::GSA: {
        hasData_ = true;
        int mode = 0;
        if (ParseInt(s[2], mode) && mode >= 1 && mode <= 3) current_.gsaMode = mode;
        int used = 0;
        for (size_t i = 3; i < 15; ++i) used += !s[i].empty();
        // One GSA per constellation and epoch; a repeat replaces its count.
        int system = 0;
        if (!ParseInt(s[18], system) || system < 1 || system > 15) {
            int prn = 0;
            system = !s.combined              ? 16 + static_cast<int>(s.system)
                     : !ParseInt(s[3], prn)   ? 0
                     : prn <= 32              ? 1
                     : prn >= 65 && prn <= 96 ? 2
                                              : 0;
        }
        gsaUsed_[static_cast<size_t>(system)] = used;
        current_.gsaUsed = 0;
        for (int n : gsaUsed_) current_.gsaUsed += n > 0 ? n : 0;
        if (talkerRank + 1 > dopRank_) {
            Number p, h, v;
            const bool haveP = ParseNumber(s[15], p), haveH = ParseNumber(s[16], h), haveV = ParseNumber(s[17], v);
            if (haveP || haveH || haveV) {
                current_.pdop = p;
                current_.vdop = v;
                if (haveH && hdopRank_ < 2) {
                    current_.hdop = h;
                    hdopRank_ = 2;
                }
                dopRank_ = talkerRank + 1;
            }
        }
        return;
    }
    case Type::GSV: {
        hasData_ = true;
        int total = 0, index = 0, inView = 0;
        if (!ParseInt(s[1], total) || !ParseInt(s[2], index) || index < 1 || index > total || !ParseInt(s[3], inView) ||
            inView > kMaxInView)
            return;
        const auto system = static_cast<size_t>(s.system);
        // Sets of several signals (NMEA 4.10) list the same satellites again.
        if (!inViewThisEpoch_[system] || inView > inView_[system]) inView_[system] = inView;
        inViewThisEpoch_[system] = true;
        return;
    }
    case Type::Other: return;
    }
}

} // namespace track
