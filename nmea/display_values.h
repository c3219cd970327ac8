// Which display texts each sentence kind rewrites, and from which values, in
// one place for the texts written at once and for those written on demand.
#pragma once

#include "sentence_kind.h"
#include "records.h"

namespace nmea {

template <typename Texts> void VisitDisplayValues(const TObject &record, SentenceKind kind, Texts &t) {
    switch (kind) {
    case SentenceKind::GPGGA: {
        const auto &m = static_cast<const NMEA_GGA_Object &>(record).Message;
        t.Hdop(m.Spc.Hdop);
        t.Altitude(m.Spc.Altitude);
        t.Time(m.UtcTime);
        t.Position(m.Latitude, m.Longitude);
        break;
    }
    case SentenceKind::GPGLL: {
        const auto &m = static_cast<const NMEA_GLL_Object &>(record).Message;
        t.Time(m.UtcTime);
        t.Position(m.Latitude, m.Longitude);
        t.PositionValid(m.Status);
        break;
    }
    case SentenceKind::GPGSA: {
        const auto &m = static_cast<const NMEA_GSA_Object &>(record).Message;
        t.FixMode(m.FixType);
        t.Pdop(m.Pdop);
        t.Vdop(m.Vdop);
        t.Hdop(m.Hdop);
        break;
    }
    case SentenceKind::GPGSV:
        t.Satellites(static_cast<const NMEA_GSV_Object &>(record));
        break;
    case SentenceKind::GPRMC: {
        const auto &m = static_cast<const NMEA_RMC_Object &>(record).Message;
        t.Speed(m.Speed);
        t.Course(m.Course);
        t.Date(m.Date);
        t.Time(m.UtcTime);
        t.Position(m.Latitude, m.Longitude);
        t.PositionValid(m.Status);
        break;
    }
    case SentenceKind::GPVTG: {
        const auto &m = static_cast<const NMEA_VTG_Object &>(record).Message;
        t.Speed(m.SpeedKnots);
        t.Course(m.CourseTrue);
        break;
    }
    case SentenceKind::GPRPT: {
        const auto &m = static_cast<const NMEA_RPT_Object &>(record).Message;
        t.FixMode(m.FixMode);
        t.Speed(m.Speed);
        t.Course(m.Course);
        t.Altitude(m.Altitude);
        t.Date(m.Date);
        t.Time(m.UtcTime);
        t.Position(m.Latitude, m.Longitude);
        break;
    }
    default:
        break;
    }
}

} // namespace nmea
