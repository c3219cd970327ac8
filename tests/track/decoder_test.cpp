// The epoch decoder on real receivers' sentences, one table row per case.
#include <gtest/gtest.h>

#include <functional>
#include <string_view>
#include <vector>

#include "track/decoder.h"
#include "nmea/field_values.h"

namespace {

using track::CivilDate;
using track::Epoch;
using track::EpochDecoder;
using track::System;

// Feeds the lines and collects every epoch the decoder closes, the last included.
std::vector<Epoch> Decode(const std::vector<std::string_view> &lines, track::DecoderOptions options = {}) {
    EpochDecoder decoder(options);
    std::vector<Epoch> epochs;
    uint64_t line = 0;
    for (std::string_view l : lines) {
        decoder.Feed(l, ++line);
        while (const Epoch *e = decoder.TakeClosed()) epochs.push_back(*e);
    }
    decoder.Finish();
    while (const Epoch *e = decoder.TakeClosed()) epochs.push_back(*e);
    return epochs;
}

int In(const Epoch &e, System s) { return e.inView[static_cast<size_t>(s)]; }

struct EpochCase {
    const char *name;
    std::vector<std::string_view> lines;
    size_t epochs;
    std::function<void(const std::vector<Epoch> &)> check;
};

const EpochCase kCases[] = {
    {"GP receiver, one second",
     {"$GPGGA,190426.000,5240.2311,N,01332.7202,E,1,09,1.2,53.6,M,44.3,M,,0000*6B",
      "$GPGSA,A,3,20,19,18,30,13,17,15,28,24,,,,1.9,1.2,1.5*31",
      "$GPGSV,3,1,12,13,67,158,23,15,63,273,31,28,55,066,27,24,28,271,28*7E",
      "$GPGSV,3,2,12,19,28,102,29,17,25,121,31,20,25,238,21,18,22,307,21*71",
      "$GPGSV,3,3,12,30,20,084,25,10,07,335,,11,05,046,,05,04,195,32*79",
      "$GPRMC,190426.000,A,5240.2311,N,01332.7202,E,0.00,248.26,221215,,,A*6D", "$GPVTG,248.26,T,,M,0.00,N,0.0,K,A*07"},
     1,
     [](const std::vector<Epoch> &v) {
         const Epoch &e = v[0];
         EXPECT_TRUE(e.Valid());
         EXPECT_EQ(e.timeMs, (19 * 3600 + 4 * 60 + 26) * 1000);
         EXPECT_EQ(e.date, (CivilDate{2015, 12, 22}));
         EXPECT_NEAR(e.latitude, 52 + 40.2311 / 60, 1e-12);
         EXPECT_NEAR(e.longitude, 13 + 32.7202 / 60, 1e-12);
         EXPECT_EQ(e.positionLine, 1u); // GGA's position, the better one
         EXPECT_EQ(e.altitude.Text(), "53.6");
         EXPECT_EQ(e.geoidSeparation.Text(), "44.3");
         EXPECT_EQ(e.quality, 1);
         EXPECT_EQ(e.satsUsed.Text(), "09");
         EXPECT_EQ(e.gsaUsed, 9);
         EXPECT_EQ(e.gsaMode, 3);
         EXPECT_EQ(e.pdop.Text(), "1.9");
         EXPECT_EQ(e.hdop.Text(), "1.2");
         EXPECT_EQ(e.vdop.Text(), "1.5");
         EXPECT_EQ(In(e, System::Gps), 12);
         EXPECT_EQ(e.TotalInView(), 12);
         EXPECT_EQ(e.speedKnots.Text(), "0.00");
         EXPECT_EQ(e.course.Text(), "248.26");
         EXPECT_FALSE(e.dgpsAge.Known());
     }},
    {"RTK precision: six decimals of a minute and a fraction of a second",
     {"$GNRMC,052345.77,A,4210.472433,N,02445.362882,E,0.0,,130422,3.2,E,A,V*7D",
      "$GNGGA,052345.77,4210.472433,N,02445.362882,E,1,12,0.7,171.9,M,36.9,M,,*71"},
     1,
     [](const std::vector<Epoch> &v) {
         EXPECT_EQ(v[0].timeMs % 1000, 770);
         EXPECT_NEAR(v[0].latitude, 42 + 10.472433 / 60, 1e-12);
         EXPECT_NEAR(v[0].longitude, 24 + 45.362882 / 60, 1e-12);
         EXPECT_EQ(v[0].date, (CivilDate{2022, 4, 13}));
     }},
    {"8 decimals of a minute, south and west",
     {"$GPGGA,120000.10,3351.12345678,S,15112.87654321,W,4,14,0.6,12.345,M,-20.1,M,1.2,0123*00"},
     1,
     [](const std::vector<Epoch> &v) {
         EXPECT_NEAR(v[0].latitude, -(33 + 51.12345678 / 60), 1e-12);
         EXPECT_NEAR(v[0].longitude, -(151 + 12.87654321 / 60), 1e-12);
         EXPECT_EQ(v[0].quality, 4);
         EXPECT_EQ(v[0].dgpsAge.Text(), "1.2");
         EXPECT_EQ(v[0].dgpsStation.Text(), "0123");
         EXPECT_EQ(v[0].geoidSeparation.Text(), "-20.1");
         EXPECT_FALSE(v[0].Valid()); // no date in the log
     }},
    {"GN's combined solution wins over GP and GA of the same second",
     {"$GPGGA,043539.00,4333.190206,N,00127.618380,E,1,05,1.3,250.8,M,50.0,M,,*62",
      "$GAGGA,043539.00,4333.190206,N,00127.618380,E,1,01,1.3,250.8,M,50.0,M,,*77",
      "$GNGNS,043539.00,4333.190300,N,00127.618380,E,AAAAN,14,1.3,250.8,50.0,,,V*62",
      "$GARMC,043539.00,A,4333.190206,N,00127.618380,E,0.0,,040925,1.7,W,A,V*6D"},
     1,
     [](const std::vector<Epoch> &v) {
         EXPECT_EQ(std::string_view(v[0].talker, 2), "GN");
         EXPECT_NEAR(v[0].latitude, 43 + 33.1903 / 60, 1e-12);
         EXPECT_EQ(v[0].satsUsed.Text(), "14");
         EXPECT_EQ(v[0].quality, 1); // only GGA says the quality
         EXPECT_EQ(v[0].date, (CivilDate{2025, 9, 4}));
     }},
    {"GSV set of four messages, fifteen satellites",
     {"$GPGSV,4,1,15,05,00,000,17,07,06,105,20,08,11,032,15,10,00,000,16*77",
      "$GPGSV,4,2,15,15,40,292,19,17,26,156,17,18,09,330,19,19,07,171,13*7E",
      "$GPGSV,4,3,15,30,45,105,21,01,04,081,,11,18,068,,13,64,241,*73",
      "$GPGSV,4,4,15,20,12,265,,24,05,285,,28,73,085,*42",
      "$GPGGA,110124,5505.330990,N,03858.587325,E,2,09,0.9,2177.0,M,14.0,M,,*7D"},
     1,
     [](const std::vector<Epoch> &v) {
         EXPECT_EQ(In(v[0], System::Gps), 15);
         EXPECT_EQ(v[0].quality, 2);
         EXPECT_EQ(v[0].timeMs, (11 * 3600 + 1 * 60 + 24) * 1000);
     }},
    {"GP, GL and GA satellites with NMEA 4.10 signal ids; GSA per constellation",
     {"$GPGSV,3,1,11,05,19,222,36,07,05,090,29,13,84,239,39,14,56,052,36,1*64",
      "$GPGSV,3,2,11,15,50,296,25,17,35,125,24,23,11,319,28,24,16,284,32,1*60",
      "$GPGSV,3,3,11,19,23,147,,20,03,201,,30,28,084,,1*58",
      "$GLGSV,2,1,08,79,61,298,38,69,63,275,32,68,39,185,38,78,43,037,,1*76",
      "$GLGSV,2,2,08,70,14,330,,88,15,082,,87,14,039,,81,00,000,,1*75",
      "$GAGSV,2,1,08,02,56,046,38,07,54,298,36,08,60,174,33,30,66,239,34,7*70",
      "$GAGSV,2,2,08,03,11,149,,11,01,046,,25,08,052,,27,11,233,,7*78",
      "$GNGSA,A,3,05,07,13,14,15,17,19,23,24,,,,1.0,0.7,0.7,1*38", "$GNGSA,A,3,68,69,78,79,,,,,,,,,1.0,0.7,0.7,2*33",
      "$GNGSA,A,3,02,07,08,30,,,,,,,,,1.0,0.7,0.7,3*3C",
      "$GNRMC,052345.77,A,4210.472433,N,02445.362882,E,0.0,,130422,3.2,E,A,V*7D",
      // The next second's GSA sets arrive before its time: they replace, not add.
      "$GNGSA,A,3,05,07,13,14,15,17,19,23,24,,,,1.0,0.7,0.7,1*38", "$GNGSA,A,3,68,69,78,79,,,,,,,,,1.0,0.7,0.7,2*33"},
     1,
     [](const std::vector<Epoch> &v) {
         EXPECT_EQ(In(v[0], System::Gps), 11);
         EXPECT_EQ(In(v[0], System::Glonass), 8);
         EXPECT_EQ(In(v[0], System::Galileo), 8);
         EXPECT_EQ(In(v[0], System::BeiDou), -1);
         EXPECT_EQ(v[0].TotalInView(), 27);
         EXPECT_EQ(v[0].gsaUsed, 17);
         EXPECT_EQ(v[0].hdop.Text(), "0.7");
     }},
    {"BeiDou and QZSS talkers",
     {"$GBGSV,2,1,07,04,01,262,,07,03,328,,27,78,059,44,28,29,115,34,1*79",
      "$GBGSV,2,2,07,30,37,312,36,32,45,196,44,33,20,043,27,1*4D", "$BDGSV,1,1,02,11,40,100,30,12,30,200,31*00",
      "$QZGSA,A,3,193,,,,,,,,,,,,1.7,1.0,1.4*2C", "$BDGSA,A,3,11,12,,,,,,,,,,,1.7,1.0,1.4*21",
      "$GLGGA,135654.997,5543.0328,N,03724.7197,E,1,04,02.3,165.6,M,14.6,M,,*71"},
     1,
     [](const std::vector<Epoch> &v) {
         EXPECT_EQ(In(v[0], System::BeiDou), 7); // GB and BD are one system: the larger set
         EXPECT_EQ(v[0].gsaUsed, 3);
         EXPECT_EQ(std::string_view(v[0].talker, 2), "GL");
         EXPECT_EQ(v[0].timeMs % 1000, 997);
     }},
    {"empty fields: a receiver without a fix",
     {"$GNGGA,181604.00,,,,,0,00,99.99,,,,,,*72", "$GNGSA,A,1,,,,,,,,,,,,,99.99,99.99,99.99*2E",
      "$GNGLL,,,,,181604.00,V,N*5E", "$GNVTG,,,,,,,,,N*2E", "$GNZDA,181604.00,12,09,2018,00,00*73"},
     1,
     [](const std::vector<Epoch> &v) {
         EXPECT_FALSE(v[0].hasPosition);
         EXPECT_FALSE(v[0].Valid());
         EXPECT_EQ(v[0].quality, 0);
         EXPECT_EQ(v[0].status, 'V');
         EXPECT_EQ(v[0].gsaUsed, 0);
         EXPECT_EQ(v[0].gsaMode, 1);
         EXPECT_EQ(v[0].date, (CivilDate{2018, 9, 12})); // ZDA's date without RMC
         EXPECT_FALSE(v[0].speedKnots.Known());
     }},
    {"broken lines leave nothing behind",
     {"$GPGGA,1904", "GPGGA,190426.000,5240.2311,N,01332.7202,E,1,09,1.2,53.6,M,44.3,M,,0000*6B",
      "$GPGGA,190426.000,52x0.2311,N,01332.7202,E,1,09,1.2,53.6,M,44.3,M,,0000*6B",
      "$GPGGA,190426.000,5240.2311,Q,01332.7202,E,1,09,1.2,53.6,M,44.3,M,,0000*6B",
      "$GPGGA,190426.000,5260.2311,N,01332.7202,E,1,09,1.2,53.6,M,44.3,M,,0000*6B",
      "$GPGGA,250000.000,5240.2311,N,01332.7202,E,1,09,1.2,53.6,M,44.3,M,,0000*6B",
      "$IIVTG,248.26,T,,M,9.00,N,0.0,K,A*07", "$GPGSV,3,4,12,13,67,158,23*7E", "$GLGSV,1,1,999999999*00",
      "$GAGSV,1,1,999999999*00"},
     1,
     [](const std::vector<Epoch> &v) {
         EXPECT_FALSE(v[0].hasPosition);
         EXPECT_EQ(v[0].timeMs, (19 * 3600 + 4 * 60 + 26) * 1000);
         EXPECT_FALSE(v[0].speedKnots.Known()); // an instrument's VTG is no GNSS fix
         EXPECT_EQ(v[0].TotalInView(), -1);     // message 4 of 3
     }},
    {"midnight: the date rolls over until the next RMC",
     {"$GPRMC,235959.50,A,4807.038,N,01131.000,E,022.4,084.4,311224,003.1,W*6A",
      "$GPGGA,000000.50,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47",
      "$GPGGA,000001.50,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47",
      "$GPRMC,000002.50,A,4807.038,N,01131.000,E,022.4,084.4,010125,003.1,W*6A"},
     4,
     [](const std::vector<Epoch> &v) {
         EXPECT_EQ(v[0].date, (CivilDate{2024, 12, 31}));
         EXPECT_EQ(v[1].date, (CivilDate{2025, 1, 1}));
         EXPECT_EQ(v[2].date, (CivilDate{2025, 1, 1}));
         EXPECT_EQ(v[3].date, (CivilDate{2025, 1, 1}));
     }},
    {"no calendar date is no date; 1980s years; a clock stepping back keeps its day",
     {"$GPRMC,120000,A,4807.038,N,01131.000,E,0.0,0.0,310189,,*00",
      "$GPRMC,120001,A,4807.038,N,01131.000,E,0.0,0.0,300224,,*00",
      "$GPGGA,115958,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47", "$GPZDA,115959,31,04,2024,00,00*00",
      "$GPZDA,120002,29,02,2024,00,00*00"},
     5,
     [](const std::vector<Epoch> &v) {
         EXPECT_EQ(v[0].date, (CivilDate{1989, 1, 31}));
         EXPECT_EQ(v[1].date, (CivilDate{1989, 1, 31})); // 30 February: carried
         EXPECT_EQ(v[2].date, (CivilDate{1989, 1, 31})); // back by 3 s: the same day
         EXPECT_EQ(v[3].date, (CivilDate{1989, 1, 31})); // 31 April
         EXPECT_EQ(v[4].date, (CivilDate{2024, 2, 29}));
     }},
    {"a log without dates gives none",
     {"$GPGGA,235959,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47"},
     1,
     [](const std::vector<Epoch> &v) { EXPECT_FALSE(v[0].date.Known()); }},
    {"week-rollover dates stay as sent; GST accuracy",
     {"$GPRMC,131519.00,A,4807.038,N,01131.000,E,0.0,0.0,070399,,*00", "$GPGST,131519.00,11,,,,0.70,0.49,1.1*53"},
     1,
     [](const std::vector<Epoch> &v) {
         EXPECT_EQ(v[0].date, (CivilDate{1999, 3, 7}));
         EXPECT_EQ(v[0].sdLatitude.Text(), "0.70");
         EXPECT_EQ(v[0].sdLongitude.Text(), "0.49");
         EXPECT_EQ(v[0].sdAltitude.Text(), "1.1");
     }},
    {"one epoch per UTC time: 10 Hz",
     {"$GNGGA,120000.00,4807.03812345,N,01131.00000001,E,4,20,0.5,500.1,M,47.0,M,0.8,0001*00",
      "$GNRMC,120000.00,A,4807.03812345,N,01131.00000001,E,1.0,90.0,080626,,,R*00",
      "$GNGGA,120000.10,4807.03812399,N,01131.00000101,E,5,20,0.5,500.1,M,47.0,M,0.9,0001*00",
      "$GNRMC,120000.10,A,4807.03812399,N,01131.00000101,E,1.0,90.0,080626,,,F*00",
      "$GNGGA,120000.20,4807.03812455,N,01131.00000201,E,5,20,0.5,500.1,M,47.0,M,1.0,0001*00"},
     3,
     [](const std::vector<Epoch> &v) {
         EXPECT_EQ(v[0].timeMs % 1000, 0);
         EXPECT_EQ(v[1].timeMs % 1000, 100);
         EXPECT_EQ(v[2].timeMs % 1000, 200);
         EXPECT_EQ(v[1].quality, 5);
         EXPECT_EQ(v[2].date, (CivilDate{2026, 6, 8})); // carried from the RMC before
         EXPECT_NEAR(v[1].latitude, 48 + 7.03812399 / 60, 1e-12);
     }},
};

TEST(EpochDecoder, RealSentencesOfEveryTalker) {
    for (const EpochCase &c : kCases) {
        SCOPED_TRACE(c.name);
        const std::vector<Epoch> epochs = Decode(c.lines);
        ASSERT_EQ(epochs.size(), c.epochs);
        c.check(epochs);
    }
}

TEST(EpochDecoder, ChecksumsWhenAsked) {
    struct Row {
        std::string_view line;
        bool verify;
        track::LineResult result;
    } rows[] = {
        {"$GPGGA,190426.000,5240.2311,N,01332.7202,E,1,09,1.2,53.6,M,44.3,M,,0000*6B", true,
         track::LineResult::Decoded},
        {"$GPGGA,190426.000,5240.2311,N,01332.7202,E,1,09,1.2,53.6,M,44.3,M,,0000*6C", true,
         track::LineResult::BadChecksum},
        {"$GPGGA,190426.000,5240.2311,N,01332.7202,E,1,09,1.2,53.6,M,44.3,M,,0000*6C", false,
         track::LineResult::Decoded},
        {"$GPGGA,190426.000,5240.2311,N,01332.7202,E,1,09,1.2,53.6,M,44.3,M,,0000*", true,
         track::LineResult::BadChecksum},
        {"$GPXTE,A,A,0.67,L,N*6F", true, track::LineResult::Ignored},
        {"$PGRME,15.0,M,45.0,M,25.0,M*1C", false, track::LineResult::Ignored},
    };
    for (const Row &r : rows) {
        EpochDecoder decoder({r.verify});
        EXPECT_EQ(decoder.Feed(r.line, 1), r.result) << r.line;
    }
}

TEST(EpochDecoder, FieldParsers) {
    struct Row {
        std::string_view field;
        bool ok;
        int32_t ms;
    } times[] = {{"000000", true, 0},
                 {"235959.999", true, 86'399'999},
                 {"120000.1234", true, 43'200'123},
                 {"120000.1235", true, 43'200'124},
                 {"120000.99951", true, 43'201'000},
                 {"235959.9996", true, 86'399'999},
                 {"235960", true, 86'399'999},
                 {"240000", false, 0},
                 {"1200", false, 0},
                 {"120000,5", false, 0},
                 {"12a000", false, 0}};
    for (const Row &r : times) {
        int32_t ms = -1;
        EXPECT_EQ(nmea::ParseTime(r.field, ms), r.ok) << r.field;
        if (r.ok) {
            EXPECT_EQ(ms, r.ms) << r.field;
        }
    }
    struct Angle {
        std::string_view field, hemisphere;
        bool latitude, ok;
        double degrees;
    } angles[] = {{"4807.0381234", "N", true, true, 48.117302057},
                  {"0000.0000", "S", true, true, -0.0},
                  {"9000.0000", "N", true, true, 90},
                  {"9000.0001", "N", true, false, 0},
                  {"18000.0", "W", false, true, -180},
                  {"01131.000", "E", false, true, 11.516666667},
                  {"1131.000", "E", false, false, 0},
                  {"4807.038", "", true, false, 0},
                  {"4807.038", "E", true, false, 0},
                  {"48O7.038", "N", true, false, 0},
                  {"4807.03812340000000001", "N", true, true, 48.117302057},
                  {"4807", "N", true, true, 48.116666667},
                  {"4807.", "S", true, true, -48.116666667},
                  {"4807.03a", "N", true, false, 0},
                  {"48.07038", "N", true, false, 0}};
    for (const Angle &a : angles) {
        double degrees = 0;
        const bool ok = a.latitude ? nmea::ParseLatitude(a.field, a.hemisphere, degrees)
                                   : nmea::ParseLongitude(a.field, a.hemisphere, degrees);
        EXPECT_EQ(ok, a.ok) << a.field;
        if (ok) {
            EXPECT_NEAR(degrees, a.degrees, 5e-10) << a.field;
        }
    }
    struct Num {
        std::string_view field;
        bool ok;
        std::string_view text;
        double value;
        long count;
    } numbers[] = {{"12.50", true, "12.50", 12.5, -1},
                   {"+3", true, "3", 3, 3},
                   {"-.5", true, "-.5", -0.5, -1},
                   {"08", true, "08", 8, 8},
                   {"", false, "", 0, -1},
                   {"1e5", false, "", 0, -1},
                   {"1.2.3", false, "", 0, -1},
                   {"-", false, "", 0, -1},
                   {"1234567890123456", false, "", 0, -1},
                   {"0.1", true, "0.1", 0.1, -1},
                   {"-0.0", true, "-0.0", -0.0, -1},
                   {"123456789.12345", true, "123456789.12345", 123456789.12345, -1}};
    for (const Num &n : numbers) {
        track::Number number;
        EXPECT_EQ(nmea::ParseNumber(n.field, number), n.ok) << n.field;
        EXPECT_EQ(number.Text(), n.text);
        EXPECT_EQ(number.Value(), n.value) << n.field;
        EXPECT_EQ(number.Count(), n.count) << n.field;
    }
    for (int64_t days : {-719468, -1, 0, 59, 11016, 20000, 2932896}) {
        EXPECT_EQ(track::DaysFromCivil(track::CivilFromDays(days)), days);
    }
    EXPECT_EQ(track::DaysFromCivil({2000, 3, 1}), 11017);
}

} // namespace
