#include "support/logs.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "support/sentences.h"

namespace sentrova_test {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kEarthRadius = 6371000.0; // metres
constexpr double kKnotsPerMetrePerSecond = 3600.0 / 1852.0;

// splitmix64: tiny, and its sequence does not depend on the standard library.
class Random {
  public:
    explicit Random(uint64_t seed) : state_(seed) {}
    uint64_t Next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // [0, 1)
    double Unit() { return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0); }
    double Range(double low, double high) { return low + (high - low) * Unit(); }
    int Int(int low, int high) { return low + static_cast<int>(Next() % static_cast<uint64_t>(high - low + 1)); }
    bool Chance(double p) { return Unit() < p; }

  private:
    uint64_t state_;
};

// Days since 1970-01-01 of a civil date and back (proleptic Gregorian).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int &year, int &month, int &day) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(static_cast<int64_t>(yoe) + era * 400 + (month <= 2));
}

// One sentence under construction; numbers are written from integers so that
// the text never depends on printf's rounding or the locale.
class Sentence {
  public:
    void Start(std::string_view name) {
        text_.clear();
        text_ += '$';
        text_ += name;
    }
    Sentence &Comma() {
        text_ += ',';
        return *this;
    }
    Sentence &Text(std::string_view s) {
        text_ += s;
        return *this;
    }
    // value >= 0 with at least `width` digits.
    Sentence &Int(int64_t value, int width = 1) {
        char digits[24];
        int n = 0;
        auto v = static_cast<uint64_t>(value < 0 ? -value : value);
        do {
            digits[n++] = static_cast<char>('0' + v % 10);
            v /= 10;
        } while (v != 0);
        if (value < 0) text_ += '-';
        for (int i = n; i < width; ++i) text_ += '0';
        while (n > 0) text_ += digits[--n];
        return *this;
    }
    // value / 10^decimals, rounded half away from zero, integer part padded to `width`.
    Sentence &Fixed(double value, int decimals, int width = 1) {
        double scale = 1;
        for (int i = 0; i < decimals; ++i) scale *= 10;
        const auto scaled = static_cast<int64_t>(std::llround(value * scale));
        return FixedFromScaled(scaled, decimals, width);
    }
    Sentence &FixedFromScaled(int64_t scaled, int decimals, int width = 1) {
        int64_t scale = 1;
        for (int i = 0; i < decimals; ++i) scale *= 10;
        if (scaled < 0) {
            text_ += '-';
            scaled = -scaled;
        }
        Int(scaled / scale, width);
        if (decimals > 0) {
            text_ += '.';
            Int(scaled % scale, decimals);
        }
        return *this;
    }
    // Appends "*hh" and CR LF to `out`.
    void Finish(std::string &out) { out += Nmea(std::string_view(text_).substr(1), "\r\n"); }

  private:
    std::string text_;
};

struct Satellite {
    int prn = 0;
    double elevation = 0; // degrees, 0..90
    double azimuth = 0;   // degrees, 0..360
    double elevationRate = 0;
    double azimuthRate = 0;
    double snrOffset = 0;
};

class Receiver {
  public:
    Receiver(uint64_t seed, int64_t startSeconds) : random_(seed), clock_(startSeconds) {
        // The seed picks the quarter of the globe, so that logs carry all four hemisphere letters.
        struct Home {
            double latitude, longitude, altitude;
        };
        static constexpr Home kHomes[] = {
            {47.3769, 8.5417, 408}, {-34.6037, -58.3816, 25}, {47.6062, -122.3321, 56}, {-33.8688, 151.2093, 39}};
        const Home &home = kHomes[seed % 4];
        latitude_ = home.latitude + random_.Range(-0.05, 0.05);
        longitude_ = home.longitude + random_.Range(-0.05, 0.05);
        altitude_ = home.altitude + random_.Range(-20, 20);
        course_ = random_.Range(0, 360);
        for (Satellite &sat : sats_) Launch(sat, true);
        inView_ = random_.Int(9, 12);
    }

    // Writes the sentences of the current second, then moves one second on.
    void EmitSecond(std::string &out) {
        const int64_t day = FloorDiv(clock_, 86400);
        const int64_t secondOfDay = clock_ - day * 86400;
        int year, month, dayOfMonth;
        CivilFromDays(day, year, month, dayOfMonth);
        const int hour = static_cast<int>(secondOfDay / 3600);
        const int minute = static_cast<int>(secondOfDay / 60 % 60);
        const int second = static_cast<int>(secondOfDay % 60);

        std::array<int, 12> snr{};
        std::array<int, 12> used{};
        int usedCount = 0;
        for (int i = 0; i < inView_; ++i) {
            const Satellite &sat = sats_[static_cast<size_t>(i)];
            const double s = 12 + sat.elevation * 0.45 + sat.snrOffset + random_.Range(-2, 2);
            snr[static_cast<size_t>(i)] =
                sat.elevation < 3 && sat.snrOffset < 0 ? 0 : std::clamp(static_cast<int>(s), 0, 70);
            if (snr[static_cast<size_t>(i)] >= 20) used[static_cast<size_t>(usedCount++)] = sat.prn;
        }
        const double hdop = hdop_ + 6.0 / std::max(usedCount, 4);
        const double vdop = hdop * 1.4;
        const double pdop = std::sqrt(hdop * hdop + vdop * vdop);

        auto time = [&](Sentence &s) { s.Int(hour, 2).Int(minute, 2).Int(second, 2).Text(".00"); };
        auto position = [&](Sentence &s) {
            const auto lat = std::llround(std::fabs(latitude_) * 600000); // minutes x 10^4
            const auto lon = std::llround(std::fabs(longitude_) * 600000);
            s.Comma().Int(lat / 600000, 2).FixedFromScaled(lat % 600000, 4, 2);
            s.Comma().Text(latitude_ < 0 ? "S" : "N");
            s.Comma().Int(lon / 600000, 3).FixedFromScaled(lon % 600000, 4, 2);
            s.Comma().Text(longitude_ < 0 ? "W" : "E");
        };
        // Course in tenths, wrapped after rounding so that 359.96 becomes 000.0.
        const int64_t courseTenths = (std::llround(course_ * 10) % 3600 + 3600) % 3600;
        const double knots = speed_ * kKnotsPerMetrePerSecond;

        Sentence &s = sentence_;
        s.Start("GPGGA");
        s.Comma();
        time(s);
        position(s);
        s.Comma().Int(1).Comma().Int(usedCount, 2).Comma().Fixed(hdop, 2);
        s.Comma().Fixed(altitude_, 1).Comma().Text("M").Comma().Fixed(geoidSeparation_, 1).Comma().Text("M");
        s.Comma().Comma();
        s.Finish(out);

        s.Start("GPGSA");
        s.Comma().Text("A").Comma().Int(usedCount >= 4 ? 3 : 2);
        for (size_t i = 0; i < 12; ++i) {
            s.Comma();
            if (static_cast<int>(i) < usedCount) s.Int(used[i], 2);
        }
        s.Comma().Fixed(pdop, 2).Comma().Fixed(hdop, 2).Comma().Fixed(vdop, 2);
        s.Finish(out);

        for (int message = 1; message <= 3; ++message) {
            s.Start("GPGSV");
            s.Comma().Int(3).Comma().Int(message).Comma().Int(inView_, 2);
            for (int i = (message - 1) * 4; i < std::min(message * 4, inView_); ++i) {
                const Satellite &sat = sats_[static_cast<size_t>(i)];
                s.Comma().Int(sat.prn, 2);
                s.Comma().Int(std::clamp(static_cast<int>(sat.elevation), 0, 90), 2);
                s.Comma().Int(static_cast<int>(sat.azimuth) % 360, 3);
                s.Comma();
                if (snr[static_cast<size_t>(i)] > 0) s.Int(snr[static_cast<size_t>(i)], 2);
            }
            s.Finish(out);
        }

        s.Start("GPRMC");
        s.Comma();
        time(s);
        s.Comma().Text("A");
        position(s);
        s.Comma().Fixed(knots, 1, 3).Comma().FixedFromScaled(courseTenths, 1, 3);
        s.Comma().Int(dayOfMonth, 2).Int(month, 2).Int(year % 100, 2);
        s.Comma().Fixed(2.1, 1).Comma().Text("E").Comma().Text("A");
        s.Finish(out);

        s.Start("GPVTG");
        s.Comma().FixedFromScaled(courseTenths, 1, 3).Comma().Text("T");
        s.Comma().FixedFromScaled(((courseTenths - 21) % 3600 + 3600) % 3600, 1, 3).Comma().Text("M");
        s.Comma().Fixed(knots, 1, 3).Comma().Text("N");
        s.Comma().Fixed(speed_ * 3.6, 1, 3).Comma().Text("K").Comma().Text("A");
        s.Finish(out);

        Step();
    }

  private:
    static int64_t FloorDiv(int64_t a, int64_t b) { return a / b - (a % b != 0 && (a < 0) != (b < 0)); }

    void Launch(Satellite &sat, bool anywhere) {
        int prn;
        do {
            prn = random_.Int(1, 32);
        } while (
            std::any_of(sats_.begin(), sats_.end(), [&](const Satellite &s) { return &s != &sat && s.prn == prn; }));
        sat.prn = prn;
        sat.elevation = anywhere ? random_.Range(0, 88) : 0;
        sat.azimuth = random_.Range(0, 360);
        // Real satellites move a few degrees an hour; a little faster keeps long logs varied.
        sat.elevationRate = random_.Range(-0.01, 0.01);
        if (!anywhere) sat.elevationRate = std::fabs(sat.elevationRate);
        sat.azimuthRate = random_.Range(-0.008, 0.008);
        sat.snrOffset = random_.Range(-8, 8);
    }

    void Step() {
        ++clock_;

        // Speed follows a target that changes now and then; stops come too.
        if (holdSeconds_-- <= 0) {
            targetSpeed_ = random_.Chance(0.15) ? 0 : random_.Range(3, 33);
            holdSeconds_ = random_.Int(10, 240);
        }
        const double acceleration = std::clamp(targetSpeed_ - speed_, -3.0, 2.0);
        speed_ = std::max(0.0, speed_ + acceleration * random_.Range(0.3, 1.0));
        if (speed_ < 0.05 && targetSpeed_ == 0) speed_ = 0;

        // Course turns smoothly while moving; far from the equator it turns back.
        turnRate_ = std::clamp(turnRate_ + random_.Range(-0.6, 0.6), -6.0, 6.0);
        if (random_.Chance(0.005)) turnRate_ = random_.Range(-25, 25); // a corner
        if (speed_ > 0) {
            double turn = turnRate_;
            if (std::fabs(latitude_) > 70) {
                const double towardEquator = latitude_ > 0 ? 180 : 0;
                const double off = std::remainder(towardEquator - course_, 360.0);
                turn = std::clamp(off, -10.0, 10.0);
            }
            course_ = std::fmod(course_ + turn + 360, 360);
        }

        const double distance = speed_;
        const double heading = course_ * kPi / 180;
        latitude_ += distance * std::cos(heading) / kEarthRadius * 180 / kPi;
        longitude_ += distance * std::sin(heading) / (kEarthRadius * std::cos(latitude_ * kPi / 180)) * 180 / kPi;
        if (longitude_ >= 180) longitude_ -= 360;
        if (longitude_ < -180) longitude_ += 360;

        slope_ = std::clamp(slope_ + random_.Range(-0.004, 0.004), -0.08, 0.08);
        altitude_ += slope_ * distance + random_.Range(-0.3, 0.3);
        if (altitude_ > 2800 && slope_ > 0) slope_ = -slope_;
        if (altitude_ < -20 && slope_ < 0) slope_ = -slope_;
        geoidSeparation_ = std::clamp(geoidSeparation_ + random_.Range(-0.01, 0.01), -60.0, 60.0);
        hdop_ = std::clamp(hdop_ + random_.Range(-0.03, 0.03), 0.3, 3.0);

        for (Satellite &sat : sats_) {
            sat.elevation += sat.elevationRate;
            sat.azimuth = std::fmod(sat.azimuth + sat.azimuthRate + 360, 360);
            if (sat.elevation > 89.5) sat.elevationRate = -std::fabs(sat.elevationRate);
            if (sat.elevation < 0) Launch(sat, false);
        }
        if (random_.Chance(0.002)) inView_ = random_.Int(9, 12);
    }

    Random random_;
    int64_t clock_; // seconds since 1970-01-01, UTC
    double latitude_ = 0, longitude_ = 0, altitude_ = 0;
    double geoidSeparation_ = 47.5;
    double speed_ = 0, targetSpeed_ = 0, course_ = 0, turnRate_ = 0, slope_ = 0;
    double hdop_ = 0.6;
    int holdSeconds_ = 0;
    std::array<Satellite, 12> sats_{};
    int inView_ = 12;
    Sentence sentence_;
};

} // namespace

int64_t UtcSeconds(int year, int month, int day, int hour, int minute, int second) {
    return DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) * 86400 + hour * 3600 +
           minute * 60 + second;
}

class SimulatedReceiver::State : public Receiver {
  public:
    using Receiver::Receiver;
};

SimulatedReceiver::SimulatedReceiver(uint64_t seed, int64_t startSeconds)
    : state_(std::make_unique<State>(seed, startSeconds)) {}
SimulatedReceiver::~SimulatedReceiver() = default;
void SimulatedReceiver::EmitSecond(std::string &out) { state_->EmitSecond(out); }

} // namespace sentrova_test
