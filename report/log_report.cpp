#include "log_report.h"

#include <GeographicLib/Geodesic.hpp>
#include <algorithm>
#include <cmath>
#include <tuple>

#include "nmea/field_values.h"
#include "nmea/sentence_decoders.h"
#include "nmea/sentence_fields.h"
#include "nmea/sentence_table.h"

namespace report {

namespace {

constexpr double kKnot = 1852.0 / 3600.0; // m/s
constexpr double kMovingSpeed = 0.5;      // m/s: slower is standing, noise of a still receiver
constexpr double kJumpSpeed = 100;        // m/s: faster between two fixes is a jump ...
constexpr double kJumpOverReported = 3;   // ... unless the receiver itself reported a third of it
constexpr double kStationaryRadius = 25;  // m from the stretch's mean
constexpr double kStationarySeconds = 60; // a shorter stop tells nothing of the fix's scatter
constexpr uint64_t kStationaryFixes = 10;
constexpr double kAwayDegrees = 30.0 / 110'000; // of latitude: more than the radius anywhere
constexpr size_t kSatelliteIds = 1024;          // per system: ids above are no satellite's

int64_t AtMs(const track::Epoch &e) {
    if (!e.date.Known() || e.timeMs < 0) return 0;
    return track::DaysFromCivil(e.date) * 86'400'000 + e.timeMs;
}

uint64_t NameKey(std::string_view name) {
    uint64_t key = 0;
    for (const char c : name) key = key << 8 | static_cast<uint8_t>(c);
    return key;
}

// Keeps every other entry: the thinning of a bounded store that is full.
template <typename T> void Halve(std::vector<T> &v) {
    size_t j = 0;
    for (size_t i = 0; i < v.size(); i += 2) v[j++] = v[i];
    v.resize(j);
}

Sky SkyOf(nmea::Constellation talker, int id) {
    switch (talker) {
    case nmea::Constellation::Glonass: return Sky::Glonass;
    case nmea::Constellation::Galileo: return Sky::Galileo;
    case nmea::Constellation::BeiDou: return Sky::BeiDou;
    case nmea::Constellation::Qzss: return Sky::Qzss;
    case nmea::Constellation::NavIC: return Sky::NavIC;
    default: break;
    }
    // GP and GN talkers number all systems in one range (NMEA 2.3 to 4.0).
    if (id >= 1 && id <= 32) return Sky::Gps;
    if ((id >= 33 && id <= 64) || (id >= 120 && id <= 158)) return Sky::Sbas;
    if (id >= 65 && id <= 96) return Sky::Glonass;
    if (id >= 193 && id <= 199) return Sky::Qzss;
    if (id >= 201 && id <= 263) return Sky::BeiDou;
    if (id >= 301 && id <= 336) return Sky::Galileo;
    return Sky::Other;
}

} // namespace

Quality QualityOf(const track::Epoch &e) {
    switch (e.quality) {
    case -1: return Quality::Unrated;
    case 1:
    case 3: return Quality::Gps;
    case 2:
    case 9: return Quality::Dgps;
    case 4: return Quality::RtkFixed;
    case 5: return Quality::RtkFloat;
    case 6: return Quality::Estimated;
    default: return Quality::Other;
    }
}

std::string_view QualityName(Quality q) {
    static constexpr std::string_view kNames[] = {"RTK fixed", "RTK float", "DGPS",   "GPS",
                                                  "estimated", "other",     "unrated"};
    return kNames[static_cast<size_t>(q)];
}

std::string_view QualityColour(Quality q) {
    static constexpr std::string_view kColours[] = {"#1a9850", "#91cf60", "#3288bd", "#4a4a9a",
                                                    "#fc8d59", "#b15928", "#7f7f7f"};
    return kColours[static_cast<size_t>(q)];
}

std::string_view SkyName(Sky sky) {
    static constexpr std::string_view kNames[] = {"GPS",    "SBAS", "GLONASS", "Galileo",
                                                  "BeiDou", "QZSS", "NavIC",   "other"};
    return kNames[static_cast<size_t>(sky)];
}

Bucket::Bucket() {
    min.fill(INFINITY);
    max.fill(-INFINITY);
}

void Bucket::Merge(const Bucket &o) {
    for (size_t i = 0; i < kSeriesCount; ++i) {
        min[i] = std::min(min[i], o.min[i]);
        max[i] = std::max(max[i], o.max[i]);
    }
    for (size_t i = 0; i < kQualities; ++i) quality[i] += o.quality[i];
    noFix += o.noFix;
    any = any || o.any;
}

LogReport::LogReport(Settings settings) : settings_(settings), buckets_(kBuckets) {
    summary_.checksumsVerified = settings.checksumsVerified;
    track_.reserve(kTrackPoints);
}

// The report reads each line through the sentence layer the epochs read it
// through (the same sentence finder, checksum and GSV decoder), here on the
// reducing thread: the reading thread hands the line over anyway, for the
// lines the epochs pass by (bad checksums, other kinds), so splitting it
// again here costs the reading no time, where handing decoded satellites
// over from the epoch decoder would.
void LogReport::Line(std::string_view line, uint64_t lineNumber) {
    summary_.lines = lineNumber;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    nmea::SentenceText text;
    if (!nmea::FindSentence(line, text)) {
        summary_.notSentences += !line.empty();
        return;
    }
    ++summary_.sentences;
    const std::string_view name = text.Name();
    Kind(name);
    bool sound = true;
    if (!text.hasChecksum) {
        ++summary_.withoutChecksum;
    } else if (!nmea::ChecksumMatches(text.body, text.checksum)) {
        sound = false;
        ++summary_.checksumsFailed;
        AddEvent({EventKind::BadSentence, lineNumber, lastAtMs_, 0, 0});
    }
    // A sentence whose checksum failed may hold any satellite: the sky keeps to sound ones.
    if (sound && nmea::KindOfType(name.substr(2)) == nmea::SentenceKind::GPGSV) Gsv(text.body, name.substr(0, 2));
}

void LogReport::Kind(std::string_view name) {
    const uint64_t key = NameKey(name);
    // Logs repeat one cycle of kinds: the one after the last found comes next most often.
    const size_t n = kinds_.size();
    if (nextKind_ < n && kinds_[nextKind_].first == key) {
        ++kinds_[nextKind_++].second;
        return;
    }
    for (size_t k = 0; k < n; ++k) {
        if (kinds_[k].first == key) {
            ++kinds_[k].second;
            nextKind_ = k + 1;
            return;
        }
    }
    if (n < kKindsKept) {
        kinds_.push_back({key, 1});
    } else {
        ++otherNames_;
    }
}

void LogReport::Gsv(std::string_view body, std::string_view talker) {
    nmea::Constellation constellation;
    if (!nmea::ConstellationOfTalker(talker, constellation)) return;
    if (satelliteIndex_.empty()) satelliteIndex_.assign(kSkies * kSatelliteIds, -1);
    const nmea::SentenceFields fields(body);
    const nmea::Gsv<nmea::FieldTexts> gsv{nmea::FieldTexts(fields)};
    for (size_t j = 0; j < gsv.listed; ++j) {
        const auto &group = gsv.satellites[j];
        if (group.prn.empty()) break; // the list ends
        int id = 0, elevation = 0, azimuth = 0, cn0 = 0;
        if (!nmea::ParseInt(group.prn, id) || !nmea::ParseInt(group.elevation, elevation) ||
            !nmea::ParseInt(group.azimuth, azimuth))
            continue;
        if (!nmea::ParseInt(group.snr, cn0)) cn0 = 0; // empty: not tracked
        const bool tracked = cn0 > 0 && cn0 < 100;
        if (id == 0 || id >= static_cast<int>(kSatelliteIds) || elevation > 90 || azimuth > 360) continue;
        const Sky sky = SkyOf(constellation, id);
        int16_t &index = satelliteIndex_[static_cast<size_t>(sky) * kSatelliteIds + static_cast<size_t>(id)];
        if (index < 0) {
            if (satellites_.size() == kSatellites) continue;
            index = static_cast<int16_t>(satellites_.size());
            satellites_.push_back(Satellite{sky, static_cast<uint16_t>(id), {}, 1, 0, 0, 0, 0});
            satellites_.back().path.reserve(kSkyPath);
        }
        Satellite &s = satellites_[static_cast<size_t>(index)];
        if (tracked) {
            s.cn0Sum += static_cast<uint64_t>(cn0);
            ++s.cn0Count;
            s.cn0Max = std::max(s.cn0Max, static_cast<uint8_t>(cn0));
        }
        // Receivers write 0 and 0 for a satellite whose place they do not know yet.
        if (elevation == 0 && azimuth == 0) continue;
        const SkySample sample{static_cast<uint8_t>(elevation), static_cast<uint16_t>(azimuth % 360),
                               static_cast<uint8_t>(tracked ? cn0 : 0)};
        if (!s.path.empty() && s.path.back().elevation == sample.elevation && s.path.back().azimuth == sample.azimuth)
            continue;
        if (s.seen++ % s.stride != 0) continue;
        if (s.path.size() == kSkyPath) {
            Halve(s.path);
            s.stride *= 2;
            if ((s.seen - 1) % s.stride != 0) continue;
        }
        s.path.push_back(sample);
    }
}

void LogReport::AddEvent(const Event &event) {
    const auto k = static_cast<size_t>(event.kind);
    if (eventCounts_[k]++ < kEventsKept) events_.push_back(event);
}

void LogReport::AddToBucket(int64_t atMs, const track::Epoch *e, Quality quality, double altitude, double speed) {
    if (atMs == 0) return;
    if (!bucketsStarted_) {
        origin_ = atMs;
        bucketsStarted_ = true;
    }
    if (atMs < origin_) return; // the clock went back before the log's start: an event, not a value
    auto index = static_cast<uint64_t>((atMs - origin_) / bucketMs_);
    while (index >= kBuckets) {
        // The log outgrew the axis: each bucket now spans twice the time.
        for (size_t i = 0; i < kBuckets / 2; ++i) {
            Bucket merged = buckets_[2 * i];
            merged.Merge(buckets_[2 * i + 1]);
            buckets_[i] = merged;
        }
        std::fill(buckets_.begin() + kBuckets / 2, buckets_.end(), Bucket{});
        bucketMs_ *= 2;
        index = static_cast<uint64_t>((atMs - origin_) / bucketMs_);
    }
    Bucket &b = buckets_[index];
    b.any = true;
    if (e == nullptr) {
        ++b.noFix;
        return;
    }
    ++b.quality[static_cast<size_t>(quality)];
    const auto put = [&b](Series s, double v) {
        b.min[s] = std::min(b.min[s], static_cast<float>(v));
        b.max[s] = std::max(b.max[s], static_cast<float>(v));
    };
    if (!std::isnan(altitude)) put(kAltitude, altitude);
    if (!std::isnan(speed)) put(kSpeed, speed);
    const long used = e->satsUsed.Count();
    if (used >= 0) {
        put(kSatsUsed, static_cast<double>(used));
    } else if (e->gsaUsed >= 0) {
        put(kSatsUsed, e->gsaUsed);
    }
    if (e->hdop.Known()) put(kHdop, e->hdop.Value());
    if (e->vdop.Known()) put(kVdop, e->vdop.Value());
    if (e->pdop.Known()) put(kPdop, e->pdop.Value());
    for (size_t i = 0; i < 6; ++i) {
        if (e->inView[i] >= 0) put(static_cast<Series>(kInView0 + i), e->inView[i]);
    }
}

void LogReport::AddTrackPoint(const TrackPoint &point) {
    pendingSegmentStart_ = pendingSegmentStart_ || point.segmentStart;
    if (trackSeen_++ % trackStride_ != 0) return;
    if (track_.size() == kTrackPoints) {
        // Thinned to every other point; a segment's start moves to the next point kept.
        for (size_t i = 1; i < track_.size(); i += 2) {
            if (track_[i].segmentStart && i + 1 < track_.size()) track_[i + 1].segmentStart = true;
        }
        Halve(track_);
        trackStride_ *= 2;
        if ((trackSeen_ - 1) % trackStride_ != 0) return;
    }
    TrackPoint kept = point;
    kept.segmentStart = pendingSegmentStart_;
    pendingSegmentStart_ = false;
    track_.push_back(kept);
}

void LogReport::Point(const track::Epoch &e, bool newSegment) {
    const int64_t at = AtMs(e);
    const Quality quality = QualityOf(e);
    const double altitude = e.altitude.Known() ? e.altitude.Value() : NAN;
    const double speedMs = e.speedKnots.Known() ? e.speedKnots.Value() * kKnot : NAN;
    Summary &s = summary_;
    if (!anyEpoch_) {
        firstEpochMs_ = at;
        anyEpoch_ = true;
    }
    if (points_ == 0) {
        s.startMs = at;
        s.timeToFirstFixSeconds = static_cast<double>(at - firstEpochMs_) / 1000;
    }
    if (inNoFix_) {
        inNoFix_ = false;
        if (noFixEvent_ >= 0) events_[static_cast<size_t>(noFixEvent_)].untilMs = at;
    }
    ++s.quality[static_cast<size_t>(quality)];
    if (points_ > 0) {
        const int64_t dt = at - lastAtMs_;
        if (dt < 0) {
            AddEvent({EventKind::TimeBack, e.positionLine, at, lastAtMs_, static_cast<double>(-dt) / 1000});
        } else if (static_cast<double>(dt) > settings_.splitGapSeconds * 1000) {
            ++s.gaps;
            s.gapSeconds += static_cast<double>(dt) / 1000;
            AddEvent({EventKind::Gap, e.positionLine, lastAtMs_, at, static_cast<double>(dt) / 1000});
        }
        if (!newSegment) {
            double metres = 0;
            if (e.latitude != last_.latitude || e.longitude != last_.longitude)
                GeographicLib::Geodesic::WGS84().Inverse(last_.latitude, last_.longitude, e.latitude, e.longitude,
                                                         metres);
            s.distanceMetres += metres;
            if (dt > 0) {
                const double seconds = static_cast<double>(dt) / 1000, speed = metres / seconds;
                if (speed >= kMovingSpeed) {
                    movingMetres_ += metres;
                    movingSeconds_ += seconds;
                }
                if (speed > kJumpSpeed && !(speed <= kJumpOverReported * speedMs))
                    AddEvent({EventKind::Jump, e.positionLine, at, 0, speed});
            }
        }
    }
    if (!std::isnan(altitude)) {
        s.altitudeMin = s.altitudeKnown ? std::min(s.altitudeMin, altitude) : altitude;
        s.altitudeMax = s.altitudeKnown ? std::max(s.altitudeMax, altitude) : altitude;
        s.altitudeKnown = true;
    }
    if (!std::isnan(speedMs)) s.speedMaxMs = std::max(s.speedMaxMs, speedMs);
    const track::Number *sigmas[3] = {&e.sdLatitude, &e.sdLongitude, &e.sdAltitude};
    for (int i = 0; i < 3; ++i) {
        if (!sigmas[i]->Known()) continue;
        sigmaSum_[i] += sigmas[i]->Value();
        ++sigmaCount_[i];
    }
    minLat_ = std::min(minLat_, e.latitude);
    maxLat_ = std::max(maxLat_, e.latitude);
    minLon_ = std::min(minLon_, e.longitude);
    maxLon_ = std::max(maxLon_, e.longitude);
    const TrackPoint point{e.latitude, e.longitude, quality, newSegment};
    AddTrackPoint(point);
    AddToBucket(at, &e, quality, altitude, speedMs);
    Stationary(e, at);
    last_ = point;
    lastAtMs_ = at;
    ++points_;
    s.segments += newSegment;
}

void LogReport::NoFix(const track::Epoch &e) {
    const int64_t at = AtMs(e);
    ++summary_.noFixEpochs;
    if (!anyEpoch_ && at != 0) {
        firstEpochMs_ = at;
        anyEpoch_ = true;
    }
    if (!inNoFix_) {
        inNoFix_ = true;
        const uint64_t line = e.positionLine != 0 ? e.positionLine : summary_.lines;
        noFixEvent_ = eventCounts_[static_cast<size_t>(EventKind::NoFix)] < kEventsKept
                          ? static_cast<int64_t>(events_.size())
                          : -1;
        AddEvent({EventKind::NoFix, line, at, at, 0});
    } else if (noFixEvent_ >= 0) {
        events_[static_cast<size_t>(noFixEvent_)].untilMs = at;
    }
    AddToBucket(at, nullptr, Quality::Other, NAN, NAN);
}

void LogReport::Stationary(const track::Epoch &e, int64_t at) {
    double east = 0, north = 0, up = 0;
    if (stretchCount_ > 0) {
        const double n = static_cast<double>(stretchCount_);
        // A degree of latitude is over 110 km everywhere: this far from the mean
        // is outside the radius without projecting (most fixes of a drive).
        bool away = std::abs(e.latitude - stretchSumLat_ / n) > kAwayDegrees;
        if (!away) {
            stretchFrame_.Forward(e.latitude, e.longitude, 0, east, north, up);
            const double de = east - stretchSumE_ / n, dn = north - stretchSumN_ / n;
            away = de * de + dn * dn > kStationaryRadius * kStationaryRadius;
        }
        if (away) {
            CloseStretch();
            east = north = 0;
        }
    }
    if (stretchCount_ == 0) {
        stretchFrame_.Reset(e.latitude, e.longitude, 0);
        stretchStartMs_ = at;
    }
    stretchSumLat_ += e.latitude;
    ++stretchCount_;
    stretchSumE_ += east;
    stretchSumN_ += north;
    stretchEndMs_ = at;
    if (stretchSeen_++ % stretchStride_ != 0) return;
    if (stretch_.size() == kResiduals) {
        Halve(stretch_);
        stretchStride_ *= 2;
        if ((stretchSeen_ - 1) % stretchStride_ != 0) return;
    }
    stretch_.push_back({east, north});
}

void LogReport::CloseStretch() {
    const double seconds = static_cast<double>(stretchEndMs_ - stretchStartMs_) / 1000;
    if (stretchCount_ >= kStationaryFixes && seconds >= kStationarySeconds) {
        const double n = static_cast<double>(stretchCount_);
        const double meanE = stretchSumE_ / n, meanN = stretchSumN_ / n;
        ++summary_.stationaryStretches;
        summary_.stationaryFixes += stretchCount_;
        for (const auto &[east, north] : stretch_) {
            if (residualSeen_++ % residualStride_ != 0) continue;
            if (residuals_.size() == kResiduals) {
                Halve(residuals_);
                residualStride_ *= 2;
                if ((residualSeen_ - 1) % residualStride_ != 0) continue;
            }
            residuals_.push_back({static_cast<float>(east - meanE), static_cast<float>(north - meanN)});
        }
    }
    stretch_.clear();
    stretchStride_ = 1;
    stretchSeen_ = stretchCount_ = 0;
    stretchSumE_ = stretchSumN_ = stretchSumLat_ = 0;
}

void LogReport::Finish() {
    if (finished_) return;
    finished_ = true;
    CloseStretch();
    // In the log's order: an epoch closes some lines after its own.
    std::sort(events_.begin(), events_.end(), [](const Event &a, const Event &b) {
        return std::tie(a.line, a.kind, a.atMs, a.untilMs) < std::tie(b.line, b.kind, b.atMs, b.untilMs);
    });
    Summary &s = summary_;
    s.points = points_;
    s.endMs = points_ > 0 ? lastAtMs_ : 0;
    s.durationSeconds = points_ > 0 ? static_cast<double>(s.endMs - s.startMs) / 1000 : 0;
    s.speedMeanMovingMs = movingSeconds_ > 0 ? movingMetres_ / movingSeconds_ : -1;
    double *sigmas[3] = {&s.sigmaLatitude, &s.sigmaLongitude, &s.sigmaAltitude};
    for (int i = 0; i < 3; ++i) *sigmas[i] = sigmaCount_[i] > 0 ? sigmaSum_[i] / sigmaCount_[i] : -1;

    if (!residuals_.empty()) {
        std::vector<double> r;
        r.reserve(residuals_.size());
        double squares = 0;
        for (const auto &[east, north] : residuals_) {
            r.push_back(std::hypot(static_cast<double>(east), static_cast<double>(north)));
            squares += r.back() * r.back();
        }
        std::sort(r.begin(), r.end());
        // The nearest rank: the smallest radius holding the share of the fixes.
        const auto rank = [&r](double share) {
            const auto k = static_cast<size_t>(std::ceil(share * static_cast<double>(r.size())));
            return r[std::max<size_t>(k, 1) - 1];
        };
        s.cep50 = rank(0.5);
        s.cep95 = rank(0.95);
        s.drms2 = 2 * std::sqrt(squares / static_cast<double>(r.size()));
    }

    std::vector<std::pair<std::string, uint64_t>> kinds;
    for (const auto &[key, count] : kinds_) {
        std::string name(5, ' ');
        for (int i = 0; i < 5; ++i) name[static_cast<size_t>(4 - i)] = static_cast<char>(key >> (8 * i) & 0xff);
        kinds.emplace_back(std::move(name), count);
    }
    // Most first, ties in the order first seen (kinds holds that order).
    std::vector<size_t> order(kinds.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::sort(order.begin(), order.end(), [&kinds](size_t a, size_t b) {
        return kinds[a].second != kinds[b].second ? kinds[a].second > kinds[b].second : a < b;
    });
    for (const size_t i : order) s.sentenceKinds.push_back(std::move(kinds[i]));
    s.otherKinds = otherNames_;
    for (const auto &[name, count] : s.sentenceKinds) {
        const std::string talker = name[0] == 'P' ? "P" : name.substr(0, 2);
        if (std::find(s.talkers.begin(), s.talkers.end(), talker) == s.talkers.end()) s.talkers.push_back(talker);
    }
    s.leftOut.clear();
    if (s.undated > 0) s.leftOut.emplace_back(s.undated, LeftOut::Undated);
    if (s.noFixEpochs > 0) s.leftOut.emplace_back(s.noFixEpochs, LeftOut::NoFix);
    if (s.notSentences > 0) s.leftOut.emplace_back(s.notSentences, LeftOut::NotSentence);
    if (s.checksumsFailed > 0 && settings_.checksumsVerified)
        s.leftOut.emplace_back(s.checksumsFailed, LeftOut::BadChecksum);
}

std::string_view LeftOutWords(LeftOut why) {
    switch (why) {
    case LeftOut::Undated: return "epochs without a date";
    case LeftOut::NoFix: return "epochs without a fix";
    case LeftOut::NotSentence: return "lines that hold no NMEA sentence";
    case LeftOut::BadChecksum: return "sentences whose checksum failed";
    }
    return {};
}

Summary Summarise(const LogReport &report) { return report.Figures(); }

} // namespace report
