// Shared helpers of the decoding tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "nmea/context.h"
#include "nmea/decoders.h"
#include "nmea/dispatch.h"

namespace nmea_test {

// The sentences of one fix, as the NMEA literature gives them.
inline constexpr const char *kGgaFix = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\n";
inline constexpr const char *kRmcFix = "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A\n";
inline constexpr const char *kGsaFix = "$GPGSA,A,3,04,05,09,12,,,,,,,,,2.5,1.3,2.1*3F\n";

// Hands one line to the dispatcher the way the conversion run does.
inline uint8_t Feed(nmea::SentenceContext &ctx, std::string_view line) {
    ctx.SetSentence(line);
    return nmea::ParseSentence(ctx);
}

// Loads a line for a decoder called directly.
inline nmea::SentenceContext &Load(nmea::SentenceContext &ctx, std::string_view line) {
    ctx.SetSentence(line);
    return ctx;
}

// One decoder row: the sentences in `before` set the record up, then `line`
// is decoded and its result and record checked.
template <typename Record> struct DecodeCase {
    const char *name;
    std::vector<std::string_view> before;
    std::string_view line;
    uint8_t result;
    std::function<void(const Record &)> check;
};

template <typename Record>
void RunDecodeCases(const std::vector<DecodeCase<Record>> &cases, uint8_t (*decode)(nmea::SentenceContext &),
                    Record nmea::NMEA_Manager::*member) {
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        nmea::SentenceContext ctx;
        for (std::string_view b : c.before) decode(Load(ctx, b));
        EXPECT_EQ(decode(Load(ctx, c.line)), c.result);
        c.check(ctx.Manager.*member);
    }
}

// The display as named texts, to tell which ones a sentence rewrote.
using Texts = std::map<std::string, std::string>;

inline Texts TextsOf(const nmea::DataDisplay &d) {
    Texts t = {
        {"FixMode", d.FixMode},   {"HDOP", d.HDOP},           {"VDOP", d.VDOP},
        {"PDOP", d.PDOP},         {"Date", d.Date},           {"UtcTime", d.UtcTime},
        {"Latitude", d.Latitude}, {"Longitude", d.Longitude}, {"Speed", d.Speed},
        {"Course", d.Course},     {"Altitude", d.Altitude},   {"PositionValid", std::to_string(d.PositionValid)}};
    for (size_t i = 0; i < 12; ++i) {
        t["SatPrn" + std::to_string(i)] = d.SatPrn[i];
        t["SatSnr" + std::to_string(i)] = d.SatSnr[i];
        t["SatElevation" + std::to_string(i)] = d.SatElevation[i];
        t["SatAzimuth" + std::to_string(i)] = d.SatAzimuth[i];
    }
    return t;
}

} // namespace nmea_test
