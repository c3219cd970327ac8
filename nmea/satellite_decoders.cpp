// clang-format off: the decoders read as tables, one line per field.
#include "convert.h"
#include "decoders.h"
#include "field_walker.h"

namespace nmea {

void ClearSatellites(NMEA_GSV_Object &record) {
    record.Message.SatellitesInView = 0;
    record.Message.Satellites.fill(_GSV_SATELLITE{});
    record.Parts.fill(_GSV_PART_STATUS{});
}

uint8_t ParseGSA(SentenceContext &ctx) {
    NMEA_GSA_Object &rec = ctx.Manager.GsaRecord;
    _NMEA_MESSAGE_GSA &m = rec.Message;
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

// One message of a set of up to three; the set is assembled across calls and
// only the message that completes it returns 1.
uint8_t ParseGSV(SentenceContext &ctx) {
    NMEA_GSV_Object &rec = ctx.Manager.GsvRecord;
    _NMEA_MESSAGE_GSV &m = rec.Message;
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
    _GSV_PART_STATUS &part = rec.Parts[k];
    part.TotalParts = static_cast<uint8_t>(total);
    part.PartNumber = static_cast<uint8_t>(number);
    if (!f.Int([&](int32_t v) { m.SatellitesInView = part.SatellitesInView = static_cast<uint8_t>(v); })) return 0;
    if (k > 0 && rec.Parts[k - 1].SatellitesInView != part.SatellitesInView) return 0;
    for (int j = 0; j < 4; ++j) {
        _GSV_SATELLITE &sat = m.Satellites[4 * k + j];
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

// Values are routed by their unit letters, not by their positions; a pair
// whose letter is empty is ignored.
uint8_t ParseVTG(SentenceContext &ctx) {
    NMEA_VTG_Object &rec = ctx.Manager.VtgRecord;
    _NMEA_MESSAGE_VTG &m = rec.Message;
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

uint8_t ParseRPT(SentenceContext &ctx) {
    NMEA_RPT_Object &rec = ctx.Manager.RptRecord;
    _NMEA_MESSAGE_RPT &m = rec.Message;
    FieldWalker f(ctx);
    const bool ok =
        f.Real([&](double v) { m.Latitude = ConvertDegrees(v); }) &&
        f.Text(Hemisphere(m.Latitude, 'S')) &&
        f.Real([&](double v) { m.Longitude = ConvertDegrees(v); }) &&
        f.Text(Hemisphere(m.Longitude, 'W')) &&
        f.Real([&](double v) { m.Altitude = ScaleToI32(v, 100000); }) &&
        f.Real([&](double v) { m.Speed = ScaleToU16(v, 10); }) &&
        f.Real([&](double v) { m.Course = ScaleToU16(v, 10); }) &&
        f.Int([&](int32_t v) { m.Date = ConvertDate(v); }) &&
        f.Real([&](double v) { m.UtcTime = ConvertTime(v); }) &&
        f.Int([&](int32_t v) { m.FixMode = static_cast<uint8_t>(v); }) &&
        f.Hex(rec.Checksum);
    return ok ? 1 : 0;
}

} // namespace nmea
