// What a log tells about itself, reduced as it streams: the figures of its
// summary, its series over time, its ground track, its sky and its events,
// in a size that does not grow with the log's length.
#pragma once

#include <GeographicLib/LocalCartesian.hpp>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "track/epoch.h"

namespace report {

// The fix quality classes the drawings colour by.
enum class Quality : uint8_t { RtkFixed, RtkFloat, Dgps, Gps, Estimated, Other, Unrated, Count };
inline constexpr size_t kQualities = static_cast<size_t>(Quality::Count);
Quality QualityOf(const track::Epoch &epoch);
std::string_view QualityName(Quality quality);
std::string_view QualityColour(Quality quality);

// The satellite systems of the sky plot (SBAS apart from GPS, unlike the epochs' counts).
enum class Sky : uint8_t { Gps, Sbas, Glonass, Galileo, BeiDou, Qzss, NavIC, Other, Count };
inline constexpr size_t kSkies = static_cast<size_t>(Sky::Count);
std::string_view SkyName(Sky sky);

enum class EventKind : uint8_t { Gap, TimeBack, Jump, NoFix, BadSentence, Count };
inline constexpr size_t kEventKinds = static_cast<size_t>(EventKind::Count);

struct Event {
    EventKind kind;
    uint64_t line = 0;   // the log line where it shows
    int64_t atMs = 0;    // ms since 1970; 0 unknown
    int64_t untilMs = 0; // the end of a gap or a no-fix stretch
    double value = 0;    // the jump's implied speed (m/s), the time going back (s)
};

// One time bucket of the series over time: the smallest and largest value of
// each series in it, and how many fixes of each quality class.
enum Series : uint8_t { kAltitude, kSpeed, kSatsUsed, kHdop, kVdop, kPdop, kInView0, kSeriesCount = kInView0 + 6 };
struct Bucket {
    std::array<float, kSeriesCount> min, max;
    std::array<uint32_t, kQualities> quality{};
    uint32_t noFix = 0;
    bool any = false;
    Bucket();
    void Merge(const Bucket &other);
};

struct TrackPoint {
    double latitude, longitude;
    Quality quality;
    bool segmentStart;
};

struct SkySample {
    uint8_t elevation; // degrees
    uint16_t azimuth;  // degrees
    uint8_t cn0;       // dB-Hz; 0 not tracked
};

struct Satellite {
    Sky system;
    uint16_t id;
    std::vector<SkySample> path; // thinned as it grows
    uint32_t stride = 1, seen = 0;
    uint64_t cn0Sum = 0;
    uint32_t cn0Count = 0;
    uint8_t cn0Max = 0;
};

struct Settings {
    double splitGapSeconds = 10; // a longer gap between fixes is a gap
    bool checksumsVerified = false;
};

// The summary's figures.
// Why epochs or lines are not in the track.
enum class LeftOut { Undated, NoFix, NotSentence, BadChecksum };

// The report's English words for a reason, after its count.
std::string_view LeftOutWords(LeftOut why);

struct Summary {
    uint64_t lines = 0, sentences = 0, points = 0, segments = 0, noFixEpochs = 0;
    uint64_t undated = 0;           // epochs without a date, left out
    int64_t startMs = 0, endMs = 0; // ms since 1970 of the first and last point; 0 none
    double durationSeconds = 0;     // from the first point to the last
    double distanceMetres = 0;      // geodesic on WGS84 along each segment
    double speedMaxMs = -1;         // the largest speed the receiver reported (m/s); -1 none
    double speedMeanMovingMs = -1;  // distance over time while moving; -1 never moved
    double altitudeMin = 0, altitudeMax = 0;
    bool altitudeKnown = false;
    std::array<uint64_t, kQualities> quality{}; // points per quality class
    double timeToFirstFixSeconds = -1;          // from the first timed epoch to the first fix; -1 no fix
    uint64_t gaps = 0;
    double gapSeconds = 0;
    uint64_t checksumsFailed = 0, withoutChecksum = 0, notSentences = 0, otherKinds = 0;
    bool checksumsVerified = false;
    std::vector<std::pair<std::string, uint64_t>> sentenceKinds; // "GPGGA" -> count, most first
    std::vector<std::string> talkers;
    // What was left out of the track, and why: a value each face words in its own language.
    std::vector<std::pair<uint64_t, LeftOut>> leftOut;
    // Accuracy of the stationary stretches, metres; cep50 < 0 without one.
    double cep50 = -1, cep95 = -1, drms2 = -1;
    uint64_t stationaryFixes = 0, stationaryStretches = 0;
    double sigmaLatitude = -1, sigmaLongitude = -1, sigmaAltitude = -1; // mean GST sigmas; -1 none
};

class LogReport {
  public:
    static constexpr size_t kBuckets = 720;
    static constexpr size_t kTrackPoints = 4096;
    static constexpr size_t kSkyPath = 48;
    static constexpr size_t kSatellites = 160;
    static constexpr size_t kEventsKept = 100;
    static constexpr size_t kResiduals = 1 << 16;
    static constexpr size_t kKindsKept = 48;

    explicit LogReport(Settings settings = {});

    // Fed by the run, in the log's order.
    // Every line of the log, its line end removed.
    void Line(std::string_view line, uint64_t lineNumber);
    // Each point of the track as the track documents get it.
    void Point(const track::Epoch &epoch, bool newSegment);
    // An epoch without a fix (the receiver said so, or no position or date).
    void NoFix(const track::Epoch &epoch);
    // Epochs left out because the log gives no date (before Finish).
    void Undated(uint64_t epochs) { summary_.undated = epochs; }
    // The end of the log.
    void Finish();

    // Read by the summary and the drawings.
    const Settings &Options() const { return settings_; }
    const std::vector<Bucket> &Buckets() const { return buckets_; }
    int64_t BucketOriginMs() const { return origin_; }
    int64_t BucketMs() const { return bucketMs_; }
    const std::vector<TrackPoint> &Track() const { return track_; }
    bool HasLastPoint() const { return points_ > 0; }
    const TrackPoint &LastPoint() const { return last_; }
    double MinLatitude() const { return minLat_; }
    double MaxLatitude() const { return maxLat_; }
    double MinLongitude() const { return minLon_; }
    double MaxLongitude() const { return maxLon_; }
    const std::vector<Satellite> &Satellites() const { return satellites_; }
    const std::vector<Event> &Events() const { return events_; }
    uint64_t EventCount(EventKind kind) const { return eventCounts_[static_cast<size_t>(kind)]; }
    // East and north of each stationary fix from its stretch's mean, metres (a sample when many).
    const std::vector<std::array<float, 2>> &Residuals() const { return residuals_; }
    const Summary &Figures() const { return summary_; }

  private:
    void AddEvent(const Event &event);
    void AddToBucket(int64_t atMs, const track::Epoch *epoch, Quality quality, double altitude, double speed);
    void AddTrackPoint(const TrackPoint &point);
    void Stationary(const track::Epoch &epoch, int64_t atMs);
    void CloseStretch();
    void Gsv(std::string_view body, std::string_view talker);
    void Kind(std::string_view name);

    Settings settings_;
    Summary summary_;
    // Series over time.
    std::vector<Bucket> buckets_;
    int64_t origin_ = 0, bucketMs_ = 1000;
    bool bucketsStarted_ = false;
    // Ground track.
    std::vector<TrackPoint> track_;
    uint64_t trackStride_ = 1, trackSeen_ = 0;
    bool pendingSegmentStart_ = false;
    TrackPoint last_{};
    double minLat_ = 90, maxLat_ = -90, minLon_ = 180, maxLon_ = -180;
    // The run of points.
    uint64_t points_ = 0;
    int64_t lastAtMs_ = 0, firstEpochMs_ = 0;
    bool anyEpoch_ = false, inNoFix_ = false;
    int64_t noFixEvent_ = -1; // the open no-fix stretch's entry in events_; -1 not kept
    double movingMetres_ = 0, movingSeconds_ = 0;
    double sigmaSum_[3] = {}, sigmaCount_[3] = {};
    // Sky.
    std::vector<Satellite> satellites_;
    std::vector<int16_t> satelliteIndex_; // by system and id, into satellites_; -1 none
    // Events.
    std::vector<Event> events_;
    std::array<uint64_t, kEventKinds> eventCounts_{};
    // Sentences.
    std::vector<std::pair<uint64_t, uint64_t>> kinds_; // the name's five characters as a number
    uint64_t otherNames_ = 0;
    size_t nextKind_ = 0;
    // Stationary stretches: the current one's fixes from its first, metres.
    std::vector<std::array<double, 2>> stretch_;
    uint64_t stretchStride_ = 1, stretchSeen_ = 0;
    GeographicLib::LocalCartesian stretchFrame_; // at the stretch's first fix
    double stretchSumE_ = 0, stretchSumN_ = 0, stretchSumLat_ = 0;
    uint64_t stretchCount_ = 0;
    int64_t stretchStartMs_ = 0, stretchEndMs_ = 0;
    std::vector<std::array<float, 2>> residuals_;
    uint64_t residualStride_ = 1, residualSeen_ = 0;
    bool finished_ = false;
};

// The summary of a reduced log.
Summary Summarise(const LogReport &report);

} // namespace report
