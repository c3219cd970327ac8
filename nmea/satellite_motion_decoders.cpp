// The decoders read as tables, one line per field: kept out of clang-format
// (a bare marker: clang-format 14 ignores one followed by a reason).
// clang-format off
#include "decoders.h"
#include "field_conversions.h"
#include "field_walker.h"

namespace nmea {

void ClearSatellites(NMEA_GSV_Object &record) {
    record.Message.SatellitesInView = 0;
    record.Message.Satellites.fill(GSV_SATELLITE{});
    record.Parts.fill(GSV_PART_STATUS{});
}

// $GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1*39
//  1 mode: A automatic, M manual  2 fix type: 1 none, 2 2D, 3 3D
//  3-14 PRNs of the satellites used  15 PDOP  16 HDOP  17 VDOP
uint8_t ParseGSA(SentenceContext &ctx) {
    NMEA_GSA_Object &rec = ctx.Manager.GsaRecord;
    NMEA_MESSAGE_GSA &m = rec.Message;
    FieldWalker f(ctx);
    auto prn = [](uint8_t &slot) {
        return [&slot](int32_t v) { slot = (v >= 1 && v <= 49) ? static_cast<uint8_t>(v) : 0; };
    };
    bool ok =
        f.Text(Ignore()) &&  // the sentence name
        f.Text([&](std::string_view v) { if (v.empty()) m.Mode.clear(); else if (v.front() != 'V') m.Mode.assign(1, v.front()); }) &&
        f.Int([&](int32_t v) { m.FixType = static_cast<uint8_t>(v); });
    for (uint8_t &slot : m.Prn) ok = ok && f.Int(prn(slot));
    ok = ok &&
        f.Real([&](double v) { m.Pdop = ScaleToU16(v, 10000); }) &&
        f.Real([&](double v) { m.Hdop = ScaleToU16(v, 10000); }) &&
        f.Real([&](double v) { m.Vdop = ScaleToU16(v, 10000); }) &&
        f.Hex(rec.Checksum);
    return ok ? 1 : 0;
}

// $GPGSV,2,1,08,01,40,083,46,02,17,308,41,12,07,344,39,14,22,228,45*75
//  1 messages in the set  2 this message's number  3 satellites in view
//  4-7 PRN, elevation (degrees, 90 max), azimuth (degrees true, 0-359), SNR
//      (dB, 0-70); up to three more satellites in 8-11, 12-15, 16-19
// One message of a set of up to three; the set is assembled across calls and
// only the message that completes it returns 1.
uint8_t ParseGSV(SentenceContext &ctx) {
    NMEA_GSV_Object &rec = ctx.Manager.GsvRecord;
    NMEA_MESSAGE_GSV &m = rec.Message;
    FieldWalker f(ctx);
    int32_t total = 0;
    int32_t number = 0;
    if (!f.Int([&](int32_t v) { total = v; }) || !f.Int([&](int32_t v) { number = v; })) return 0;
    if (static_cast<uint32_t>(total) > 3 || number < 1 || number > 3) return 0;
    const int k = number - 1;
    if (k == 0) {
        ClearSatellites(rec);
    } else if (rec.Parts[k - 1].Received != 1 || rec.Parts[k - 1].TotalParts != total) {
        return 0;
    }
    GSV_PART_STATUS &part = rec.Parts[k];
    part.TotalParts = static_cast<uint8_t>(total);
    part.PartNumber = static_cast<uint8_t>(number);
    if (!f.Int([&](int32_t v) { m.SatellitesInView = part.SatellitesInView = static_cast<uint8_t>(v); })) return 0;
    if (k > 0 && rec.Parts[k - 1].SatellitesInView != part.SatellitesInView) return 0;
    for (int j = 0; j < 4; ++j) {
        GSV_SATELLITE &sat = m.Satellites[4 * k + j];
        const bool ok =
            f.Int([&](int32_t v) { sat.Prn = static_cast<uint8_t>(v); }) &&
            f.Int([&](int32_t v) { sat.Elevation = static_cast<int8_t>(v); }) &&
            f.Int([&](int32_t v) { sat.Azimuth = static_cast<int16_t>(v); }) &&
            f.Int([&](int32_t v) { sat.Snr = static_cast<uint8_t>(v); });
        if (!ok || sat.Elevation > 90 || sat.Azimuth >= 360 || sat.Snr > 70) return 0;
        const Cursor at = f.Position();
        if (at < ctx.SentenceLength && ctx.LineBuffer[at] == '*') break;
    }
    if (!f.Hex(part.Checksum)) return 0;
    part.Received = 1;
    return number == total ? 1 : 0;
}

// $GPVTG,054.7,T,034.4,M,005.5,N,010.2,K*48
//  1,2 course, T (true)  3,4 course, M (magnetic)
//  5,6 speed, N (knots)  7,8 speed, K (km/h)
// Values are routed by their unit letters, not by their positions; a pair
// whose letter is empty is ignored.
uint8_t ParseVTG(SentenceContext &ctx) {
    NMEA_VTG_Object &rec = ctx.Manager.VtgRecord;
    NMEA_MESSAGE_VTG &m = rec.Message;
    FieldWalker f(ctx);
    double value = 0;
    auto keep = [&](double v) { value = v; };
    auto route = [&](char letter, uint16_t &onLetter, uint16_t &otherwise) {
        return [&, letter](std::string_view v) {
            if (!v.empty()) (Letter(v) == letter ? onLetter : otherwise) = ScaleToU16(value, 10);
        };
    };
    const bool ok =
        f.Real(keep) && f.Text(route('T', m.CourseTrue, m.CourseMagnetic)) &&
        f.Real(keep) && f.Text(route('T', m.CourseTrue, m.CourseMagnetic)) &&
        f.Real(keep) && f.Text(route('N', m.SpeedKnots, m.SpeedKmh)) &&
        f.Real(keep) && f.Text(route('N', m.SpeedKnots, m.SpeedKmh)) &&
        f.Hex(rec.Checksum);
    return ok ? 1 : 0;
}

} // namespace nmea
