// Logs made up for tests and benchmarks. The same arguments always give the
// same bytes: expectations and benchmark figures depend on them.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

namespace sentrova_test {

// A drive of a 1 Hz receiver: GGA, GSA, two GSV, RMC and VTG each second,
// correct checksums, CR LF. `seed` moves the start time and the track, so that
// logs made with different seeds give different documents.
std::string DriveLog(int seconds, int seed = 0);

// `seconds` seconds of a moving receiver: GGA, GSA, three GSV, RMC and VTG, with
// values (and so text widths) that change from second to second.
std::string MovingLog(int seconds);

// The log with the checksum of the sentence on line `badLine` (from 1) broken.
std::string WithBadChecksum(std::string log, int badLine);

// The log's GP sentences of these kinds ("GGA", ...; all when none is named)
// from `talker` instead, with their checksums made right.
std::string Retalked(std::string_view log, std::string_view talker, std::initializer_list<std::string_view> kinds = {});

// Seconds since 1970-01-01 UTC of a civil date and time (proleptic Gregorian).
int64_t UtcSeconds(int year, int month, int day, int hour, int minute, int second);

// A 1 Hz receiver on a long, varied track: GGA, GSA, three GSV, RMC and VTG each
// second, its satellites rising and setting, stops and corners, all four
// hemispheres by seed. The same seed and start give the same bytes.
class SimulatedReceiver {
  public:
    SimulatedReceiver(uint64_t seed, int64_t startSeconds);
    ~SimulatedReceiver();
    SimulatedReceiver(const SimulatedReceiver &) = delete;
    SimulatedReceiver &operator=(const SimulatedReceiver &) = delete;

    // Appends the sentences of the current second, then moves one second on.
    void EmitSecond(std::string &out);

  private:
    class State;
    std::unique_ptr<State> state_;
};

} // namespace sentrova_test
