#include <gtest/gtest.h>

#include <array>
#include <string>

#include "nmea/manager.h"
#include "nmea_test_support.h"

namespace nmea {
namespace {

TEST(Records, DefaultsBeforeAnySentence) {
    const NMEA_Manager m;
    const auto &gga = m.GgaRecord.Message;
    EXPECT_EQ(gga.UtcTime, 0u);
    EXPECT_EQ(gga.Latitude, 0.0);
    EXPECT_EQ(gga.Longitude, 0.0);
    EXPECT_EQ(gga.Spc.FixQuality, 1);
    EXPECT_EQ(gga.Spc.SatellitesUsed, 0);
    EXPECT_EQ(gga.Spc.Hdop, 0);
    EXPECT_EQ(gga.Spc.Altitude, 0);
    EXPECT_EQ(gga.Spc.AltitudeUnit, "M");
    EXPECT_EQ(gga.Spc.GeoidSeparation, 0);
    EXPECT_EQ(gga.Spc.GeoidUnit, "M");
    EXPECT_EQ(gga.Spc.DgpsAge, 0);
    EXPECT_EQ(gga.Spc.DgpsStation, 0);
    EXPECT_EQ(m.GgaRecord.Checksum, 0);

    const auto &gll = m.GllRecord.Message;
    EXPECT_EQ(gll.Latitude, 0.0);
    EXPECT_EQ(gll.UtcTime, 0u);
    EXPECT_EQ(gll.Status, 0);

    const auto &gsa = m.GsaRecord.Message;
    EXPECT_EQ(gsa.Mode, "A");
    EXPECT_EQ(gsa.FixType, 1);
    EXPECT_EQ(gsa.Prn, (std::array<uint8_t, 12>{}));
    EXPECT_EQ(gsa.Pdop + gsa.Hdop + gsa.Vdop, 0);

    const auto &gsv = m.GsvRecord;
    EXPECT_EQ(gsv.Message.SatellitesInView, 0);
    for (const auto &s : gsv.Message.Satellites) {
        EXPECT_EQ(s.Prn + s.Elevation + s.Azimuth + s.Snr, 0);
    }
    for (const auto &p : gsv.Parts) {
        EXPECT_EQ(p.Received + p.TotalParts + p.PartNumber + p.SatellitesInView + p.Checksum, 0);
    }

    const auto &rmc = m.RmcRecord.Message;
    EXPECT_EQ(rmc.Status, 0);
    EXPECT_EQ(rmc.Speed + rmc.Course + rmc.MagneticVariation, 0);
    EXPECT_EQ(rmc.Date, 0u);
    EXPECT_EQ(rmc.VariationDirection, "W");

    const auto &vtg = m.VtgRecord.Message;
    EXPECT_EQ(vtg.CourseTrue + vtg.CourseMagnetic + vtg.SpeedKnots + vtg.SpeedKmh, 0);

    const auto &rpt = m.RptRecord.Message;
    EXPECT_EQ(rpt.FixMode, 1);
    EXPECT_EQ(rpt.Altitude, 0);
    EXPECT_EQ(rpt.Date, 0u);
    EXPECT_EQ(rpt.UtcTime, 0u);
}

TEST(DataDisplay, InitialTexts) {
    const NMEA_Manager m;
    const DataDisplay &d = m.Display();
    struct Case {
        const char *name;
        const std::string &text;
        const char *expected;
    };
    const Case cases[] = {
        {"FixMode", d.FixMode, "NON Fix"},
        {"HDOP", d.HDOP, "0.00"},
        {"VDOP", d.VDOP, "0.00"},
        {"PDOP", d.PDOP, "0.00"},
        {"Date", d.Date, ""},
        {"UtcTime", d.UtcTime, ""},
        {"Latitude", d.Latitude, "0.00"},
        {"Longitude", d.Longitude, "0.00"},
        {"Speed", d.Speed, "0.000 m/s"},
        {"Course", d.Course, "0.00"},
        {"Altitude", d.Altitude, "0.00"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.text, c.expected);
    }
    EXPECT_EQ(d.PositionValid, 0);
    for (size_t i = 0; i < 12; ++i) {
        EXPECT_EQ(d.SatPrn[i] + d.SatSnr[i] + d.SatElevation[i] + d.SatAzimuth[i], "");
    }
}

TEST(DataDisplay, CopySharesNothing) {
    SentenceContext ctx;
    nmea_test::Feed(ctx, "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A\n");
    DataDisplay copy = ctx.Manager.Display();
    copy.Latitude = "changed";
    copy.SatPrn[0] = "99";
    copy.PositionValid = 0;
    EXPECT_EQ(ctx.Manager.Display().Latitude, "N 48.117300");
    EXPECT_EQ(ctx.Manager.Display().SatPrn[0], "");
    EXPECT_EQ(ctx.Manager.Display().PositionValid, 1);

    // and the holder's later sentences leave the copy alone
    nmea_test::Feed(ctx, "$GPGLL,4916.45,N,12311.12,W,225444,V*26\n");
    EXPECT_EQ(copy.Latitude, "changed");
    EXPECT_EQ(copy.UtcTime, "GMT: 12:35:19");
}

} // namespace
} // namespace nmea
