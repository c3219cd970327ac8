// clang-format off: the decoders read as tables, one line per field.
#include "convert.h"
#include "decoders.h"
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

uint8_t ParseGGA(SentenceContext &ctx) {
    NMEA_GGA_Object &rec = ctx.Manager.GgaRecord;
    _NMEA_MESSAGE_GGA &m = rec.Message;
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

uint8_t ParseGLL(SentenceContext &ctx) {
    NMEA_GLL_Object &rec = ctx.Manager.GllRecord;
    _NMEA_MESSAGE_GLL &m = rec.Message;
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

uint8_t ParseRMC(SentenceContext &ctx) {
    NMEA_RMC_Object &rec = ctx.Manager.RmcRecord;
    _NMEA_MESSAGE_RMC &m = rec.Message;
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

} // namespace nmea
