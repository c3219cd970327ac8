// The placemark records of the satellite and motion sentences, from the
// fields of their kinds' decoders (sentence_decoders.h) as the walk read them.
// The store steps read as tables, one line per field: kept out of clang-format
// (a bare marker: clang-format 14 ignores one followed by a reason).
// clang-format off
#include "decoders.h"
#include "field_conversions.h"
#include "field_walker.h"
#include "sentence_decoders.h"

namespace nmea {

void ClearSatellites(NMEA_GSV_Object &record) {
    record.Message.SatellitesInView = 0;
    record.Message.Satellites.fill(GSV_SATELLITE{});
    record.Parts.fill(GSV_PART_STATUS{});
}

uint8_t ParseGSA(SentenceContext &ctx) {
    NMEA_GSA_Object &rec = ctx.Manager.GsaRecord;
    NMEA_MESSAGE_GSA &m = rec.Message;
    const Gsa<Walked> v{Walked(ctx)};
    const bool ok = StoreFields(v, [&](auto f) {
        bool read =
            f(v.mode, [&](std::string_view x) { if (x.empty()) m.Mode.clear(); else if (x.front() != 'V') m.Mode.assign(1, x.front()); }) &&
            f(v.fixType, [&](int32_t x) { m.FixType = static_cast<uint8_t>(x); });
        for (size_t i = 0; i < m.Prn.size(); ++i) {
            read = read && f(v.prn[i], [&](int32_t x) { m.Prn[i] = (x >= 1 && x <= 49) ? static_cast<uint8_t>(x) : 0; });
        }
        return read &&
            f(v.pdop, [&](double x) { m.Pdop = ScaleToU16(x, 10000); }) &&
            f(v.hdop, [&](double x) { m.Hdop = ScaleToU16(x, 10000); }) &&
            f(v.vdop, [&](double x) { m.Vdop = ScaleToU16(x, 10000); }) &&
            f(v.checksum, [&](uint8_t x) { rec.Checksum = x; });
    });
    return ok ? 1 : 0;
}

// One message of a set of up to three; the set is assembled across calls and
// only the message that completes it returns 1.
uint8_t ParseGSV(SentenceContext &ctx) {
    NMEA_GSV_Object &rec = ctx.Manager.GsvRecord;
    NMEA_MESSAGE_GSV &m = rec.Message;
    const Gsv<Walked> v{Walked(ctx)};
    return StoreFields(v, [&](auto f) -> uint8_t {
        auto keep = [](int32_t &to) { return [&to](int32_t x) { to = x; }; };
        int32_t total = 0;
        int32_t number = 0;
        if (!f(v.messages, keep(total)) || !f(v.number, keep(number))) return 0;
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
        if (!f(v.inView, [&](int32_t x) { m.SatellitesInView = part.SatellitesInView = static_cast<uint8_t>(x); })) return 0;
        if (k > 0 && rec.Parts[k - 1].SatellitesInView != part.SatellitesInView) return 0;
        for (int j = 0; j < 4; ++j) {
            const auto &read = v.satellites[static_cast<size_t>(j)];
            GSV_SATELLITE &sat = m.Satellites[static_cast<size_t>(4 * k + j)];
            const bool ok =
                f(read.prn, [&](int32_t x) { sat.Prn = static_cast<uint8_t>(x); }) &&
                f(read.elevation, [&](int32_t x) { sat.Elevation = static_cast<int8_t>(x); }) &&
                f(read.azimuth, [&](int32_t x) { sat.Azimuth = static_cast<int16_t>(x); }) &&
                f(read.snr, [&](int32_t x) { sat.Snr = static_cast<uint8_t>(x); });
            if (!ok || sat.Elevation > 90 || sat.Azimuth >= 360 || sat.Snr > 70) return 0;
            if (j + 1 == v.listed) break; // the data fields end here
        }
        if (!f(v.checksum, [&](uint8_t x) { part.Checksum = x; })) return 0;
        part.Received = 1;
        return number == total ? 1 : 0;
    });
}

// Values are routed by their unit letters, not by their positions; a pair
// whose letter is empty is ignored.
uint8_t ParseVTG(SentenceContext &ctx) {
    NMEA_VTG_Object &rec = ctx.Manager.VtgRecord;
    NMEA_MESSAGE_VTG &m = rec.Message;
    const Vtg<Walked> v{Walked(ctx)};
    double value = 0;
    auto keep = [&](double x) { value = x; };
    auto route = [&](char letter, uint16_t &onLetter, uint16_t &otherwise) {
        return [&, letter](std::string_view x) {
            if (!x.empty()) (Letter(x) == letter ? onLetter : otherwise) = ScaleToU16(value, 10);
        };
    };
    const bool ok = StoreFields(v, [&](auto f) {
        return
        f(v.courseTrue, keep) && f(v.trueLetter, route('T', m.CourseTrue, m.CourseMagnetic)) &&
        f(v.courseMagnetic, keep) && f(v.magneticLetter, route('T', m.CourseTrue, m.CourseMagnetic)) &&
        f(v.speedKnots, keep) && f(v.knotsLetter, route('N', m.SpeedKnots, m.SpeedKmh)) &&
        f(v.speedKmh, keep) && f(v.kmhLetter, route('N', m.SpeedKnots, m.SpeedKmh)) &&
        f(v.checksum, [&](uint8_t x) { rec.Checksum = x; });
    });
    return ok ? 1 : 0;
}

} // namespace nmea
