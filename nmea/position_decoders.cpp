// The placemark records of the position sentences: each stores the fields of
// its kind's decoder (sentence_decoders.h) as the walk read them, in the
// records' units, up to the first field the walk could not read.
// The store steps read as tables, one line per field: kept out of clang-format
// (a bare marker: clang-format 14 ignores one followed by a reason).
// clang-format off
#include "decoders.h"
#include "field_conversions.h"
#include "field_walker.h"
#include "sentence_decoders.h"

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
    NMEA_MESSAGE_GGA &m = rec.Message;
    const Gga<Walked> v{Walked(ctx)};
    const bool ok = StoreFields(v, [&](auto f) {
        return
        f(v.time, [&](double x) { m.UtcTime = ConvertTime(x); }) &&
        f(v.latitude, [&](double x) { m.Latitude = ConvertDegrees(x); }) &&
        f(v.northSouth, [&](std::string_view x) {  // the only hemisphere letter that is checked
            if (Letter(x) == 'S') m.Latitude = -m.Latitude;
            return Letter(x) == 'S' || Letter(x) == 'N';
        }) &&
        f(v.longitude, [&](double x) { m.Longitude = ConvertDegrees(x); }) &&
        f(v.eastWest, Hemisphere(m.Longitude, 'W')) &&
        f(v.quality, [&](int32_t x) { m.Spc.FixQuality = static_cast<uint8_t>(x); }) &&
        f(v.satellitesUsed, [&](int32_t x) { m.Spc.SatellitesUsed = static_cast<uint8_t>(x); }) &&
        f(v.hdop, [&](double x) { m.Spc.Hdop = ScaleToU16(x, 10000); }) &&
        f(v.altitude, [&](double x) { m.Spc.Altitude = ScaleToI32(x, 100000); }) &&
        f(v.altitudeUnit, Unit(m.Spc.AltitudeUnit)) &&
        f(v.geoidSeparation, [&](double x) { m.Spc.GeoidSeparation = ScaleToI32(x, 100000); }) &&
        f(v.geoidUnit, Unit(m.Spc.GeoidUnit)) &&
        f(v.dgpsAge, [&](int32_t x) { m.Spc.DgpsAge = x; }) &&
        f(v.dgpsStation, [&](int32_t x) { m.Spc.DgpsStation = x; }) &&
        f(v.checksum, [&](uint8_t x) { rec.Checksum = x; });
    });
    return ok ? 1 : 0;
}

uint8_t ParseGLL(SentenceContext &ctx) {
    NMEA_GLL_Object &rec = ctx.Manager.GllRecord;
    NMEA_MESSAGE_GLL &m = rec.Message;
    const Gll<Walked> v{Walked(ctx)};
    const bool ok = StoreFields(v, [&](auto f) {
        return
        f(v.latitude, [&](double x) { m.Latitude = ConvertDegrees(x); }) &&
        f(v.northSouth, Hemisphere(m.Latitude, 'S')) &&
        f(v.longitude, [&](double x) { m.Longitude = ConvertDegrees(x); }) &&
        f(v.eastWest, Hemisphere(m.Longitude, 'W')) &&
        f(v.time, [&](double x) { m.UtcTime = ConvertTime(x); }) &&
        f(v.status, Status(m.Status)) &&
        f(v.checksum, [&](uint8_t x) { rec.Checksum = x; });
    });
    return ok ? 1 : 0;
}

uint8_t ParseRMC(SentenceContext &ctx) {
    NMEA_RMC_Object &rec = ctx.Manager.RmcRecord;
    NMEA_MESSAGE_RMC &m = rec.Message;
    const Rmc<Walked> v{Walked(ctx)};
    const bool ok = StoreFields(v, [&](auto f) {
        return
        f(v.time, [&](double x) { m.UtcTime = ConvertTime(x); }) &&
        f(v.status, Status(m.Status)) &&
        f(v.latitude, [&](double x) { m.Latitude = ConvertDegrees(x); }) &&
        f(v.northSouth, Hemisphere(m.Latitude, 'S')) &&
        f(v.longitude, [&](double x) { m.Longitude = ConvertDegrees(x); }) &&
        f(v.eastWest, Hemisphere(m.Longitude, 'W')) &&
        f(v.speed, [&](double x) { m.Speed = ScaleToU16(x, 10); }) &&
        f(v.course, [&](double x) { m.Course = ScaleToU16(x, 10); }) &&
        f(v.date, [&](int32_t x) { m.Date = ConvertDate(x); }) &&
        f(v.variation, [&](double x) { m.MagneticVariation = ScaleToU16(x, 10); }) &&
        f(v.variationDirection, [&](std::string_view x) { if (!x.empty()) m.VariationDirection.assign(1, x.front()); }) &&
        f(v.checksum, [&](uint8_t x) { rec.Checksum = x; });
    });
    return ok ? 1 : 0;
}

uint8_t ParseRPT(SentenceContext &ctx) {
    NMEA_RPT_Object &rec = ctx.Manager.RptRecord;
    NMEA_MESSAGE_RPT &m = rec.Message;
    const Rpt<Walked> v{Walked(ctx)};
    const bool ok = StoreFields(v, [&](auto f) {
        return
        f(v.latitude, [&](double x) { m.Latitude = ConvertDegrees(x); }) &&
        f(v.northSouth, Hemisphere(m.Latitude, 'S')) &&
        f(v.longitude, [&](double x) { m.Longitude = ConvertDegrees(x); }) &&
        f(v.eastWest, Hemisphere(m.Longitude, 'W')) &&
        f(v.altitude, [&](double x) { m.Altitude = ScaleToI32(x, 100000); }) &&
        f(v.speed, [&](double x) { m.Speed = ScaleToU16(x, 10); }) &&
        f(v.course, [&](double x) { m.Course = ScaleToU16(x, 10); }) &&
        f(v.date, [&](int32_t x) { m.Date = ConvertDate(x); }) &&
        f(v.time, [&](double x) { m.UtcTime = ConvertTime(x); }) &&
        f(v.fixMode, [&](int32_t x) { m.FixMode = static_cast<uint8_t>(x); }) &&
        f(v.checksum, [&](uint8_t x) { rec.Checksum = x; });
    });
    return ok ? 1 : 0;
}

} // namespace nmea
