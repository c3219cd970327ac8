// The decoders read as tables, one line per field: kept out of clang-format
// (a bare marker: clang-format 14 ignores one followed by a reason).
// clang-format off
#include "decoders.h"
#include "field_conversions.h"
#include "field_walker.h"

namespace nmea {
namespace {

auto Status(uint8_t &status) {
    return [&status](std::string_view letter) {
        if (Letter(letter) == 'A') status = 1;
        if (Letter(letter) == 'V') status = 0;
    };
}

auto Unit(std::string &unit) {
    return [&unit](std::string_view letter) { unit.assign(1, letter.empty() ? 'M' : letter.front()); };
}

} // namespace

// $GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47
//  1 UTC time hhmmss.ss        2,3 latitude ddmm.mmmm, N/S
//  4,5 longitude dddmm.mmmm, E/W  6 fix quality  7 satellites used  8 HDOP
//  9,10 altitude, unit         11,12 geoid separation, unit
//  13 age of DGPS data         14 DGPS station
uint8_t ParseGGA(SentenceContext &ctx) {
    NMEA_GGA_Object &rec = ctx.Manager.GgaRecord;
    NMEA_MESSAGE_GGA &m = rec.Message;
    FieldWalker f(ctx);
    const bool ok =
        f.Real([&](double v) { m.UtcTime = ConvertTime(v); }) &&
        f.Real([&](double v) { m.Latitude = ConvertDegrees(v); }) &&
        f.Text([&](std::string_view v) {  // the only hemisphere letter that is checked
            if (Letter(v) == 'S') m.Latitude = -m.Latitude;
            return Letter(v) == 'S' || Letter(v) == 'N';
        }) &&
        f.Real([&](double v) { m.Longitude = ConvertDegrees(v); }) &&
        f.Text(Hemisphere(m.Longitude, 'W')) &&
        f.Int([&](int32_t v) { m.Spc.FixQuality = static_cast<uint8_t>(v); }) &&
        f.Int([&](int32_t v) { m.Spc.SatellitesUsed = static_cast<uint8_t>(v); }) &&
        f.Real([&](double v) { m.Spc.Hdop = ScaleToU16(v, 10000); }) &&
        f.Real([&](double v) { m.Spc.Altitude = ScaleToI32(v, 100000); }) &&
        f.Text(Unit(m.Spc.AltitudeUnit)) &&
        f.Real([&](double v) { m.Spc.GeoidSeparation = ScaleToI32(v, 100000); }) &&
        f.Text(Unit(m.Spc.GeoidUnit)) &&
        f.Int([&](int32_t v) { m.Spc.DgpsAge = v; }) &&
        f.Int([&](int32_t v) { m.Spc.DgpsStation = v; }) &&
        f.Hex(rec.Checksum);
    return ok ? 1 : 0;
}

// $GPGLL,4916.45,N,12311.12,W,225444,A*31
//  1,2 latitude ddmm.mmmm, N/S  3,4 longitude dddmm.mmmm, E/W
//  5 UTC time hhmmss.ss         6 status: A valid, V invalid
uint8_t ParseGLL(SentenceContext &ctx) {
    NMEA_GLL_Object &rec = ctx.Manager.GllRecord;
    NMEA_MESSAGE_GLL &m = rec.Message;
    FieldWalker f(ctx);
    const bool ok =
        f.Real([&](double v) { m.Latitude = ConvertDegrees(v); }) &&
        f.Text(Hemisphere(m.Latitude, 'S')) &&
        f.Real([&](double v) { m.Longitude = ConvertDegrees(v); }) &&
        f.Text(Hemisphere(m.Longitude, 'W')) &&
        f.Real([&](double v) { m.UtcTime = ConvertTime(v); }) &&
        f.Text(Status(m.Status)) &&
        f.Hex(rec.Checksum);
    return ok ? 1 : 0;
}

// $GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A
//  1 UTC time hhmmss.ss  2 status: A valid, V invalid
//  3,4 latitude ddmm.mmmm, N/S  5,6 longitude dddmm.mmmm, E/W
//  7 speed, knots  8 course, degrees true  9 date ddmmyy
//  10,11 magnetic variation, degrees, E/W
uint8_t ParseRMC(SentenceContext &ctx) {
    NMEA_RMC_Object &rec = ctx.Manager.RmcRecord;
    NMEA_MESSAGE_RMC &m = rec.Message;
    FieldWalker f(ctx);
    const bool ok =
        f.Real([&](double v) { m.UtcTime = ConvertTime(v); }) &&
        f.Text(Status(m.Status)) &&
        f.Real([&](double v) { m.Latitude = ConvertDegrees(v); }) &&
        f.Text(Hemisphere(m.Latitude, 'S')) &&
        f.Real([&](double v) { m.Longitude = ConvertDegrees(v); }) &&
        f.Text(Hemisphere(m.Longitude, 'W')) &&
        f.Real([&](double v) { m.Speed = ScaleToU16(v, 10); }) &&
        f.Real([&](double v) { m.Course = ScaleToU16(v, 10); }) &&
        f.Int([&](int32_t v) { m.Date = ConvertDate(v); }) &&
        f.Real([&](double v) { m.MagneticVariation = ScaleToU16(v, 10); }) &&
        f.Text([&](std::string_view v) { if (!v.empty()) m.VariationDirection.assign(1, v.front()); }) &&
        f.Hex(rec.Checksum);
    return ok ? 1 : 0;
}

// $GPRPT,4807.038,N,01131.000,E,545.4,022.4,084.4,230394,123519,3*6B
//  1,2 latitude ddmm.mmmm, N/S  3,4 longitude dddmm.mmmm, E/W
//  5 altitude, metres  6 speed, knots  7 course, degrees
//  8 date ddmmyy  9 UTC time hhmmss.ss  10 fix mode: 2 2D, 3 3D
uint8_t ParseRPT(SentenceContext &ctx) {
    NMEA_RPT_Object &rec = ctx.Manager.RptRecord;
    NMEA_MESSAGE_RPT &m = rec.Message;
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
