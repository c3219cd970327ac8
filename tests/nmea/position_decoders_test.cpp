#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "nmea/decoders.h"
#include "nmea_test_support.h"

namespace nmea {
namespace {

using nmea_test::DecodeCase;
using nmea_test::RunDecodeCases;

constexpr double kTol = 1e-3; // degrees x 100000

using nmea_test::kGgaFix;
constexpr const char *kGgaSouthWest = "$GPGGA,064036.289,4807.038,S,01131.000,W,2,04,3.2,-12.5,F,46.9,F,7,0120*77\n";

TEST(ParseGGA, Table) {
    const std::vector<DecodeCase<NMEA_GGA_Object>> cases = {
        {"realistic fix",
         {},
         kGgaFix,
         1,
         [](const NMEA_GGA_Object &r) {
             const auto &m = r.Message;
             EXPECT_EQ(m.UtcTime, PackTime(12, 35, 19));
             EXPECT_NEAR(m.Latitude, 4811730.0, kTol);
             EXPECT_NEAR(m.Longitude, 1151666.6667, kTol);
             EXPECT_EQ(m.Spc.FixQuality, 1);
             EXPECT_EQ(m.Spc.SatellitesUsed, 8);
             EXPECT_EQ(m.Spc.Hdop, 9000);
             EXPECT_EQ(m.Spc.Altitude, 54540000);
             EXPECT_EQ(m.Spc.AltitudeUnit, "M");
             EXPECT_EQ(m.Spc.GeoidSeparation, 4690000);
             EXPECT_EQ(m.Spc.GeoidUnit, "M");
             EXPECT_EQ(m.Spc.DgpsAge, 0);
             EXPECT_EQ(m.Spc.DgpsStation, 0);
             EXPECT_EQ(r.Checksum, 0x47);
         }},
        {"south, west, negative altitude, differential data",
         {},
         kGgaSouthWest,
         1,
         [](const NMEA_GGA_Object &r) {
             const auto &m = r.Message;
             EXPECT_EQ(m.UtcTime, PackTime(6, 40, 36));
             EXPECT_NEAR(m.Latitude, -4811730.0, kTol);
             EXPECT_NEAR(m.Longitude, -1151666.6667, kTol);
             EXPECT_EQ(m.Spc.FixQuality, 2);
             EXPECT_EQ(m.Spc.SatellitesUsed, 4);
             EXPECT_EQ(m.Spc.Hdop, 32000);
             EXPECT_EQ(m.Spc.Altitude, -1250000);
             EXPECT_EQ(m.Spc.AltitudeUnit, "F");
             EXPECT_EQ(m.Spc.GeoidUnit, "F");
             EXPECT_EQ(m.Spc.DgpsAge, 7);
             EXPECT_EQ(m.Spc.DgpsStation, 120);
         }},
        {"empty unit fields give M",
         {kGgaSouthWest},
         "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,,46.9,,,*47",
         1,
         [](const NMEA_GGA_Object &r) {
             EXPECT_EQ(r.Message.Spc.AltitudeUnit, "M");
             EXPECT_EQ(r.Message.Spc.GeoidUnit, "M");
             EXPECT_EQ(r.Message.Spc.DgpsAge, 0);
         }},
        {"no fix fails at the hemisphere",
         {kGgaSouthWest},
         "$GPGGA,123519,,,,,0,00,,,M,,M,,*6B",
         0,
         [](const NMEA_GGA_Object &r) {
             EXPECT_EQ(r.Message.UtcTime, PackTime(12, 35, 19));
             EXPECT_EQ(r.Message.Latitude, 0.0);
             EXPECT_NEAR(r.Message.Longitude, -1151666.6667, kTol); // not reached
             EXPECT_EQ(r.Message.Spc.FixQuality, 2);
         }},
        {"bad hemisphere keeps the latitude positive",
         {kGgaSouthWest},
         "$GPGGA,123519,4807.038,X,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*51",
         0,
         [](const NMEA_GGA_Object &r) {
             EXPECT_EQ(r.Message.UtcTime, PackTime(12, 35, 19));
             EXPECT_NEAR(r.Message.Latitude, 4811730.0, kTol);
             EXPECT_NEAR(r.Message.Longitude, -1151666.6667, kTol);
         }},
        {"lower-case hemisphere is rejected",
         {},
         "$GPGGA,123519,4807.038,s,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*7A",
         0,
         [](const NMEA_GGA_Object &r) { EXPECT_NEAR(r.Message.Latitude, 4811730.0, kTol); }},
        {"east/west letter is not checked",
         {},
         "$GPGGA,123519,4807.038,N,01131.000,Q,1,08,0.9,545.4,M,46.9,M,,*53",
         1,
         [](const NMEA_GGA_Object &r) { EXPECT_NEAR(r.Message.Longitude, 1151666.6667, kTol); }},
        {"differential fields missing",
         {kGgaSouthWest},
         "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M*47",
         0,
         [](const NMEA_GGA_Object &r) {
             EXPECT_EQ(r.Message.Spc.GeoidSeparation, 4690000);
             EXPECT_EQ(r.Message.Spc.GeoidUnit, "M");
             EXPECT_EQ(r.Message.Spc.DgpsAge, 7);
         }},
        {"out-of-range values saturate",
         {},
         "$GPGGA,235959,0000.000,S,00000.000,W,1,12,7.0,30000,M,-30000,M,,*55",
         1,
         [](const NMEA_GGA_Object &r) {
             EXPECT_EQ(r.Message.Spc.Hdop, 65535);
             EXPECT_EQ(r.Message.Spc.Altitude, std::numeric_limits<int32_t>::max());
             EXPECT_EQ(r.Message.Spc.GeoidSeparation, std::numeric_limits<int32_t>::min());
             EXPECT_EQ(r.Message.Latitude, 0.0);
             EXPECT_TRUE(std::signbit(r.Message.Latitude));
         }},
        {"low 8 bits of the counts",
         {},
         "$GPGGA,123519,4807.038,N,01131.000,E,257,300,0.9,545.4,M,46.9,M,,*7D",
         1,
         [](const NMEA_GGA_Object &r) {
             EXPECT_EQ(r.Message.Spc.FixQuality, 1);
             EXPECT_EQ(r.Message.Spc.SatellitesUsed, 44);
         }},
    };
    RunDecodeCases(cases, ParseGGA, &NMEA_Manager::GgaRecord);
}

constexpr const char *kGllValid = "$GPGLL,4916.45,N,12311.12,W,225444,A*31\n";

TEST(ParseGLL, Table) {
    const std::vector<DecodeCase<NMEA_GLL_Object>> cases = {
        {"realistic valid position",
         {},
         kGllValid,
         1,
         [](const NMEA_GLL_Object &r) {
             EXPECT_NEAR(r.Message.Latitude, 4927416.6667, kTol);
             EXPECT_NEAR(r.Message.Longitude, -12318533.3333, kTol);
             EXPECT_EQ(r.Message.UtcTime, PackTime(22, 54, 44));
             EXPECT_EQ(r.Message.Status, 1);
             EXPECT_EQ(r.Checksum, 0x31);
         }},
        {"status V",
         {kGllValid},
         "$GPGLL,4916.45,N,12311.12,W,225444,V*26",
         1,
         [](const NMEA_GLL_Object &r) { EXPECT_EQ(r.Message.Status, 0); }},
        {"unknown letters accepted, status kept",
         {kGllValid},
         "$GPGLL,4916.45,X,12311.12,W,225444,X*3E",
         1,
         [](const NMEA_GLL_Object &r) {
             EXPECT_NEAR(r.Message.Latitude, 4927416.6667, kTol);
             EXPECT_EQ(r.Message.Status, 1);
         }},
        {"status field missing",
         {kGllValid},
         "$GPGLL,4916.45,S,12311.12,E,225444*53",
         1,
         [](const NMEA_GLL_Object &r) {
             EXPECT_NEAR(r.Message.Latitude, -4927416.6667, kTol);
             EXPECT_NEAR(r.Message.Longitude, 12318533.3333, kTol);
             EXPECT_EQ(r.Message.Status, 1);
         }},
        {"a mode field after the status is left alone: the checksum is read there",
         {},
         "$GPGLL,4916.45,N,12311.12,W,225444,A,D*59",
         1,
         [](const NMEA_GLL_Object &r) {
             EXPECT_EQ(r.Message.Status, 1);
             EXPECT_EQ(r.Checksum, 0x0D);
         }},
        {"time field missing",
         {kGllValid},
         "$GPGLL,5000.00,S,00100.00,E*72",
         0,
         [](const NMEA_GLL_Object &r) {
             EXPECT_NEAR(r.Message.Latitude, -5000000.0, kTol);
             EXPECT_NEAR(r.Message.Longitude, 100000.0, kTol);
             EXPECT_EQ(r.Message.UtcTime, PackTime(22, 54, 44));
         }},
    };
    RunDecodeCases(cases, ParseGLL, &NMEA_Manager::GllRecord);
}

using nmea_test::kRmcFix;
constexpr const char *kRmcOdd = "$GPRMC,225444,Q,4916.45,N,12311.12,W,-5.0,-1.0,050394,-3.1,E*5D";

TEST(ParseRMC, Table) {
    const std::vector<DecodeCase<NMEA_RMC_Object>> cases = {
        {"realistic fix",
         {},
         kRmcFix,
         1,
         [](const NMEA_RMC_Object &r) {
             const auto &m = r.Message;
             EXPECT_EQ(m.UtcTime, PackTime(12, 35, 19));
             EXPECT_EQ(m.Status, 1);
             EXPECT_NEAR(m.Latitude, 4811730.0, kTol);
             EXPECT_NEAR(m.Longitude, 1151666.6667, kTol);
             EXPECT_EQ(m.Speed, 224);
             EXPECT_EQ(m.Course, 844);
             EXPECT_EQ(m.Date, PackDate(94, 3, 23));
             EXPECT_EQ(m.MagneticVariation, 31);
             EXPECT_EQ(m.VariationDirection, "W");
             EXPECT_EQ(r.Checksum, 0x6A);
         }},
        {"negative speed, course and variation store 0; odd status kept",
         {kRmcFix},
         kRmcOdd,
         1,
         [](const NMEA_RMC_Object &r) {
             EXPECT_EQ(r.Message.Status, 1);
             EXPECT_EQ(r.Message.Speed, 0);
             EXPECT_EQ(r.Message.Course, 0);
             EXPECT_EQ(r.Message.MagneticVariation, 0);
             EXPECT_EQ(r.Message.VariationDirection, "E");
             EXPECT_EQ(r.Message.Date, PackDate(94, 3, 5));
         }},
        {"empty direction keeps the previous one",
         {kRmcOdd},
         "$GPRMC,225444.56,A,4960.5,S,12311.12,W,012.5,084.4,050394,003.1,*2A",
         1,
         [](const NMEA_RMC_Object &r) {
             EXPECT_EQ(r.Message.UtcTime, PackTime(22, 54, 44));
             EXPECT_NEAR(r.Message.Latitude, -5000833.3333, kTol);
             EXPECT_EQ(r.Message.Speed, 125);
             EXPECT_EQ(r.Message.Date, PackDate(94, 3, 5));
             EXPECT_EQ(r.Message.MagneticVariation, 31);
             EXPECT_EQ(r.Message.VariationDirection, "E");
         }},
        {"empty fields",
         {kRmcFix, kRmcOdd},
         "$GPRMC,225444,V,4916.45,N,12311.12,W,,,,,*11",
         1,
         [](const NMEA_RMC_Object &r) {
             EXPECT_EQ(r.Message.Status, 0);
             EXPECT_EQ(r.Message.Speed, 0);
             EXPECT_EQ(r.Message.Date, 0u);
             EXPECT_EQ(r.Message.VariationDirection, "E");
         }},
        {"variation field missing",
         {kRmcFix},
         "$GPRMC,225444,A,4916.45,N,12311.12,W,012.5,084.4,050394*03",
         0,
         [](const NMEA_RMC_Object &r) {
             EXPECT_EQ(r.Message.Speed, 125);
             EXPECT_EQ(r.Message.Date, PackDate(94, 3, 5));
             EXPECT_EQ(r.Message.MagneticVariation, 31);
         }},
    };
    RunDecodeCases(cases, ParseRMC, &NMEA_Manager::RmcRecord);
}

constexpr const char *kRptFix = "$GPRPT,4807.038,N,01131.000,E,545.4,012.5,084.4,230394,123519,3*69\n";
constexpr const char *kRptHigh = "$GPRPT,4807.038,S,01131.000,W,30000,-1.0,084.4,230394,123519,2*50";

TEST(ParseRPT, Table) {
    const std::vector<DecodeCase<NMEA_RPT_Object>> cases = {
        {"realistic report",
         {},
         kRptFix,
         1,
         [](const NMEA_RPT_Object &r) {
             const auto &m = r.Message;
             EXPECT_NEAR(m.Latitude, 4811730.0, 1e-3);
             EXPECT_NEAR(m.Longitude, 1151666.6667, 1e-3);
             EXPECT_EQ(m.Altitude, 54540000);
             EXPECT_EQ(m.Speed, 125);
             EXPECT_EQ(m.Course, 844);
             EXPECT_EQ(m.Date, PackDate(94, 3, 23));
             EXPECT_EQ(m.UtcTime, PackTime(12, 35, 19));
             EXPECT_EQ(m.FixMode, 3);
             EXPECT_EQ(r.Checksum, 0x69);
         }},
        {"south west, altitude clamps, negative speed",
         {},
         kRptHigh,
         1,
         [](const NMEA_RPT_Object &r) {
             EXPECT_NEAR(r.Message.Latitude, -4811730.0, 1e-3);
             EXPECT_NEAR(r.Message.Longitude, -1151666.6667, 1e-3);
             EXPECT_EQ(r.Message.Altitude, std::numeric_limits<int32_t>::max());
             EXPECT_EQ(r.Message.Speed, 0);
             EXPECT_EQ(r.Message.FixMode, 2);
         }},
        {"all ten fields empty",
         {kRptFix},
         "$GPRPT,,,,,,,,,,*41",
         1,
         [](const NMEA_RPT_Object &r) {
             const auto &m = r.Message;
             EXPECT_EQ(m.Latitude, 0.0);
             EXPECT_EQ(m.Longitude, 0.0);
             EXPECT_EQ(m.Altitude, 0);
             EXPECT_EQ(m.Speed, 0);
             EXPECT_EQ(m.Course, 0);
             EXPECT_EQ(m.Date, 0u);
             EXPECT_EQ(m.UtcTime, 0u);
             EXPECT_EQ(m.FixMode, 0);
         }},
        {"fix mode missing",
         {kRptHigh},
         "$GPRPT,4807.038,N,01131.000,E,545.4,012.5,084.4,230394,123519*76",
         0,
         [](const NMEA_RPT_Object &r) {
             EXPECT_EQ(r.Message.UtcTime, PackTime(12, 35, 19));
             EXPECT_EQ(r.Message.Altitude, 54540000);
             EXPECT_EQ(r.Message.FixMode, 2);
         }},
    };
    RunDecodeCases(cases, ParseRPT, &NMEA_Manager::RptRecord);
}

} // namespace
} // namespace nmea
