#include <gtest/gtest.h>

#include <array>

#include "nmea/decoders.h"
#include "nmea_test_support.h"

namespace nmea {
namespace {

using nmea_test::DecodeCase;
using nmea_test::Load;
using nmea_test::RunDecodeCases;

using Prns = std::array<uint8_t, 12>;

using nmea_test::kGsaFix;
constexpr const char *kGsaOdd = "$GPGSA,M,2,50,120,49,01,,,,,,,,,7.0,-1.0,0.9*27";

TEST(ParseGSA, Table) {
    const std::vector<DecodeCase<NMEA_GSA_Object>> cases = {
        {"realistic 3D fix",
         {},
         kGsaFix,
         1,
         [](const NMEA_GSA_Object &r) {
             EXPECT_EQ(r.Message.Mode, "A");
             EXPECT_EQ(r.Message.FixType, 3);
             EXPECT_EQ(r.Message.Prn, (Prns{4, 5, 9, 12, 0, 0, 0, 0, 0, 0, 0, 0}));
             EXPECT_EQ(r.Message.Pdop, 25000);
             EXPECT_EQ(r.Message.Hdop, 13000);
             EXPECT_EQ(r.Message.Vdop, 21000);
             EXPECT_EQ(r.Checksum, 0x3F);
         }},
        {"PRN bounds, mode M, dilutions saturate",
         {kGsaFix},
         kGsaOdd,
         1,
         [](const NMEA_GSA_Object &r) {
             EXPECT_EQ(r.Message.Mode, "M");
             EXPECT_EQ(r.Message.FixType, 2);
             EXPECT_EQ(r.Message.Prn, (Prns{0, 0, 49, 1, 0, 0, 0, 0, 0, 0, 0, 0}));
             EXPECT_EQ(r.Message.Pdop, 65535); // 7.0
             EXPECT_EQ(r.Message.Hdop, 0);     // -1.0
             EXPECT_EQ(r.Message.Vdop, 9000);
         }},
        {"mode V keeps the previous mode",
         {kGsaOdd},
         "$GPGSA,V,3,04,05,09,12,,,,,,,,,2.5,1.3,2.1*28",
         1,
         [](const NMEA_GSA_Object &r) {
             EXPECT_EQ(r.Message.Mode, "M");
             EXPECT_EQ(r.Message.FixType, 3);
         }},
        {"empty mode field empties the mode",
         {},
         "$GPGSA,,3,04,05,09,12,,,,,,,,,2.5,1.3,2.1*7E",
         1,
         [](const NMEA_GSA_Object &r) { EXPECT_EQ(r.Message.Mode, ""); }},
        {"a system id after the VDOP is left alone: the checksum is read there",
         {},
         "$GPGSA,A,3,04,05,09,12,,,,,,,,,2.5,1.3,2.1,1*22",
         1,
         [](const NMEA_GSA_Object &r) {
             EXPECT_EQ(r.Message.Vdop, 21000);
             EXPECT_EQ(r.Checksum, 0x01);
         }},
        {"sentence cut after two PRNs",
         {kGsaOdd},
         "$GPGSA,A,3,04,05*31",
         0,
         [](const NMEA_GSA_Object &r) {
             EXPECT_EQ(r.Message.Mode, "A");
             EXPECT_EQ(r.Message.Prn, (Prns{4, 5, 49, 1, 0, 0, 0, 0, 0, 0, 0, 0}));
             EXPECT_EQ(r.Message.Pdop, 65535);
         }},
    };
    RunDecodeCases(cases, ParseGSA, &NMEA_Manager::GsaRecord);
}

constexpr const char *kVtgOther = "$GPVTG,100.0,T,200.0,M,001.0,N,002.0,K*4E";

TEST(ParseVTG, Table) {
    const auto usual = [](const NMEA_VTG_Object &r) {
        EXPECT_EQ(r.Message.CourseTrue, 547);
        EXPECT_EQ(r.Message.CourseMagnetic, 345);
        EXPECT_EQ(r.Message.SpeedKnots, 55);
        EXPECT_EQ(r.Message.SpeedKmh, 102);
    };
    const std::vector<DecodeCase<NMEA_VTG_Object>> cases = {
        {"realistic",
         {},
         "$GPVTG,054.7,T,034.5,M,005.5,N,010.25,K*7C\n",
         1,
         [&](const NMEA_VTG_Object &r) {
             usual(r);
             EXPECT_EQ(r.Checksum, 0x7C);
         }},
        {"with mode indicator", {}, "$GPVTG,054.7,T,034.5,M,005.5,N,010.25,K,A*11\n", 1, usual},
        {"pairs routed by letter, not position", {}, "$GPVTG,034.5,M,054.7,T,010.25,K,005.5,N*7C", 1, usual},
        {"empty magnetic letter ignores its pair",
         {kVtgOther},
         "$GPVTG,054.7,T,034.5,,005.5,N,010.25,K*31",
         1,
         [](const NMEA_VTG_Object &r) {
             EXPECT_EQ(r.Message.CourseTrue, 547);
             EXPECT_EQ(r.Message.CourseMagnetic, 2000);
             EXPECT_EQ(r.Message.SpeedKnots, 55);
         }},
        {"last unit letter missing",
         {kVtgOther},
         "$GPVTG,054.7,T,034.5,M,005.5,N,010.25*1B",
         1,
         [](const NMEA_VTG_Object &r) {
             EXPECT_EQ(r.Message.SpeedKnots, 55);
             EXPECT_EQ(r.Message.SpeedKmh, 20);
         }},
        {"same letter twice, second wins",
         {kVtgOther},
         "$GPVTG,054.7,T,034.5,T,,,,*56",
         1,
         [](const NMEA_VTG_Object &r) {
             EXPECT_EQ(r.Message.CourseTrue, 345);
             EXPECT_EQ(r.Message.CourseMagnetic, 2000);
             EXPECT_EQ(r.Message.SpeedKnots, 10);
         }},
        {"last speed missing",
         {kVtgOther},
         "$GPVTG,054.7,T,034.5,M,005.5,N*2F",
         0,
         [](const NMEA_VTG_Object &r) {
             EXPECT_EQ(r.Message.SpeedKnots, 55);
             EXPECT_EQ(r.Message.SpeedKmh, 20);
         }},
    };
    RunDecodeCases(cases, ParseVTG, &NMEA_Manager::VtgRecord);
}

// GSV sets are assembled across calls, so each row is a sequence of messages.
constexpr const char *kGsvSingle = "$GPGSV,1,1,02,07,79,048,42,02,51,062,43*7D\n";
constexpr const char *kGsv3of1 = "$GPGSV,3,1,11,03,03,111,00,04,15,270,00,06,01,010,00,13,06,292,00*74\n";
constexpr const char *kGsv3of2 = "$GPGSV,3,2,11,14,25,170,00,16,57,208,39,18,67,296,40,19,40,246,00*74\n";
constexpr const char *kGsv3of3 = "$GPGSV,3,3,11,22,42,067,42,24,14,311,43,27,05,244,00*4D\n";
constexpr const char *kGsv2of1 = "$GPGSV,2,1,07,01,40,083,46,02,17,308,41,12,07,344,39,14,22,228,45*7A\n";
constexpr const char *kGsv2of2 = "$GPGSV,2,2,07,17,35,120,40,19,10,045,33,24,05,355,20*43\n";

struct Sat {
    int prn, elevation, azimuth, snr;
};

void ExpectSat(const NMEA_GSV_Object &r, size_t slot, Sat s) {
    SCOPED_TRACE("slot " + std::to_string(slot));
    const GSV_SATELLITE &got = r.Message.Satellites[slot];
    EXPECT_EQ(got.Prn, s.prn);
    EXPECT_EQ(got.Elevation, s.elevation);
    EXPECT_EQ(got.Azimuth, s.azimuth);
    EXPECT_EQ(got.Snr, s.snr);
}

void ExpectEmptyFrom(const NMEA_GSV_Object &r, size_t first) {
    for (size_t i = first; i < 12; ++i) ExpectSat(r, i, {0, 0, 0, 0});
}

struct GsvCase {
    const char *name;
    std::vector<std::string_view> lines;
    std::vector<uint8_t> results;
    std::function<void(const NMEA_GSV_Object &)> check;
};

TEST(ParseGSV, Sequences) {
    const GsvCase cases[] = {
        {"single message completes at once",
         {kGsvSingle},
         {1},
         [](const NMEA_GSV_Object &r) {
             EXPECT_EQ(r.Message.SatellitesInView, 2);
             ExpectSat(r, 0, {7, 79, 48, 42});
             ExpectSat(r, 1, {2, 51, 62, 43});
             ExpectEmptyFrom(r, 2);
             EXPECT_EQ(r.Parts[0].Received, 1);
             EXPECT_EQ(r.Parts[0].TotalParts, 1);
             EXPECT_EQ(r.Parts[0].PartNumber, 1);
             EXPECT_EQ(r.Parts[0].SatellitesInView, 2);
             EXPECT_EQ(r.Parts[0].Checksum, 0x7D);
         }},
        {"three messages in order",
         {kGsv3of1, kGsv3of2, kGsv3of3},
         {0, 0, 1},
         [](const NMEA_GSV_Object &r) {
             EXPECT_EQ(r.Message.SatellitesInView, 11);
             ExpectSat(r, 0, {3, 3, 111, 0});
             ExpectSat(r, 5, {16, 57, 208, 39});
             ExpectSat(r, 10, {27, 5, 244, 0});
             ExpectEmptyFrom(r, 11);
             EXPECT_EQ(r.Parts[2].Received, 1);
             EXPECT_EQ(r.Parts[2].Checksum, 0x4D);
         }},
        {"two messages, seven satellites",
         {kGsv2of1, kGsv2of2},
         {0, 1},
         [](const NMEA_GSV_Object &r) {
             ExpectSat(r, 3, {14, 22, 228, 45});
             ExpectSat(r, 6, {24, 5, 355, 20});
             ExpectEmptyFrom(r, 7);
         }},
        {"last message with two satellites stops at the star",
         {"$GPGSV,2,1,06,01,40,083,46,02,17,308,41,12,07,344,39,14,22,228,45*7B",
          "$GPGSV,2,2,06,17,35,120,40,19,10,045,33*70"},
         {0, 1},
         [](const NMEA_GSV_Object &r) {
             ExpectSat(r, 5, {19, 10, 45, 33});
             ExpectEmptyFrom(r, 6);
             EXPECT_EQ(r.Parts[1].Checksum, 0x70);
         }},
        {"message 2 missing",
         {kGsv3of1, kGsv3of3},
         {0, 0},
         [](const NMEA_GSV_Object &r) {
             EXPECT_EQ(r.Parts[2].Received, 0);
             ExpectEmptyFrom(r, 4);
         }},
        {"message 2 without message 1",
         {kGsv3of2},
         {0},
         [](const NMEA_GSV_Object &r) {
             EXPECT_EQ(r.Parts[1].Received, 0);
             ExpectEmptyFrom(r, 0);
         }},
        {"four-message set rejected, previous set kept",
         {kGsvSingle, "$GPGSV,4,1,14,01,40,083,46,02,17,308,41,12,07,344,39,14,22,228,45*7E"},
         {1, 0},
         [](const NMEA_GSV_Object &r) {
             EXPECT_EQ(r.Message.SatellitesInView, 2);
             ExpectSat(r, 0, {7, 79, 48, 42});
         }},
        {"elevation 90, azimuth 359 and SNR 70 kept, alone and together",
         {"$GPGSV,2,1,07,01,90,083,46,02,17,359,41,12,07,344,70,14,90,359,70*76",
          "$GPGSV,2,2,07,17,35,000,40,19,00,045,00,24,05,355,20*41"},
         {0, 1},
         [](const NMEA_GSV_Object &r) {
             ExpectSat(r, 0, {1, 90, 83, 46});
             ExpectSat(r, 1, {2, 17, 359, 41});
             ExpectSat(r, 2, {12, 7, 344, 70});
             ExpectSat(r, 3, {14, 90, 359, 70});
             ExpectSat(r, 4, {17, 35, 0, 40});
             ExpectSat(r, 5, {19, 0, 45, 0});
             EXPECT_EQ(r.Parts[1].Received, 1);
         }},
        {"elevation 91 rejects the message and the rest of the set",
         {"$GPGSV,2,1,07,01,91,083,46,02,17,308,41,12,07,344,39,14,22,228,45*76", kGsv2of2},
         {0, 0},
         [](const NMEA_GSV_Object &r) {
             ExpectSat(r, 0, {1, 91, 83, 46});
             ExpectEmptyFrom(r, 1);
             EXPECT_EQ(r.Parts[0].Received, 0);
         }},
        {"azimuth 360 rejected",
         {"$GPGSV,2,1,07,01,40,360,46,02,17,308,41,12,07,344,39,14,22,228,45*74", kGsv2of2},
         {0, 0},
         [](const NMEA_GSV_Object &r) {
             ExpectSat(r, 0, {1, 40, 360, 46});
         }},
        {"SNR 71 rejected",
         {"$GPGSV,2,1,07,01,40,083,71,02,17,308,41,12,07,344,39,14,22,228,45*7E", kGsv2of2},
         {0, 0},
         [](const NMEA_GSV_Object &r) {
             ExpectSat(r, 0, {1, 40, 83, 71});
         }},
        {"message 2 of another total rejected",
         {kGsv3of1, "$GPGSV,2,2,11,14,25,170,00,16,57,208,39,18,67,296,40,19,40,246,00*75"},
         {0, 0},
         [](const NMEA_GSV_Object &r) {
             EXPECT_EQ(r.Parts[1].Received, 0);
             ExpectEmptyFrom(r, 4);
         }},
        {"changed number in view rejected",
         {kGsv2of1, "$GPGSV,2,2,08,17,35,120,40,19,10,045,33,24,05,355,20*4C"},
         {0, 0},
         [](const NMEA_GSV_Object &r) {
             EXPECT_EQ(r.Message.SatellitesInView, 8);
             EXPECT_EQ(r.Parts[1].Received, 0);
             ExpectEmptyFrom(r, 4);
         }},
        {"message 1 clears the previous set",
         {kGsv3of1, kGsv3of2, kGsv3of3, kGsvSingle},
         {0, 0, 1, 1},
         [](const NMEA_GSV_Object &r) {
             EXPECT_EQ(r.Message.SatellitesInView, 2);
             ExpectEmptyFrom(r, 2);
             EXPECT_EQ(r.Parts[1].Received, 0);
             EXPECT_EQ(r.Parts[2].Received, 0);
         }},
        {"part left by an earlier set admits a lone later message",
         {kGsv2of1, kGsv2of2, kGsv2of2},
         {0, 1, 1},
         [](const NMEA_GSV_Object &r) {
             ExpectSat(r, 6, {24, 5, 355, 20});
         }},
        {"elevation and azimuth keep their low bits, signed",
         {"$GPGSV,1,1,01,07,200,40000,42*7F"},
         {1},
         [](const NMEA_GSV_Object &r) {
             ExpectSat(r, 0, {7, -56, -25536, 42});
         }},
        {"message cut inside a satellite",
         {"$GPGSV,1,1,02,07,79,048*62"},
         {0},
         [](const NMEA_GSV_Object &r) {
             ExpectSat(r, 0, {7, 79, 48, 0});
             EXPECT_EQ(r.Parts[0].Received, 0);
         }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        SentenceContext ctx;
        std::vector<uint8_t> results;
        for (std::string_view line : c.lines) results.push_back(ParseGSV(Load(ctx, line)));
        EXPECT_EQ(results, c.results);
        c.check(ctx.Manager.GsvRecord);
    }
}

} // namespace
} // namespace nmea
