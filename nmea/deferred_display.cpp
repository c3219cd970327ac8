#include "deferred_display.h"

#include "display.h"
#include "display_values.h"

namespace nmea {

struct NotedTexts {
    DeferredDisplay &v;
    DataDisplay &d;
    void Time(PackedTime x) { v.time_.Set(x); }
    void Date(PackedDate x) { v.date_.Set(x); }
    void Position(double lat, double lon) {
        v.latitude_.Set(lat);
        v.longitude_.Set(lon);
    }
    void Speed(uint16_t x) { v.speed_.Set(x); }
    void Course(uint16_t x) { v.course_.Set(x); }
    void Altitude(int32_t x) { v.altitude_.Set(x); }
    void Hdop(uint16_t x) { v.hdop_.Set(x); }
    void Pdop(uint16_t x) { v.pdop_.Set(x); }
    void Vdop(uint16_t x) { v.vdop_.Set(x); }
    // The text depends only on whether the mode is 2, 3 or anything else.
    void FixMode(uint8_t x) { v.fixMode_.Set(x == 2 || x == 3 ? x : 0); }
    void Satellites(const NMEA_GSV_Object &gsv) {
        v.satellites_.pending = gsv.Message.Satellites;
        v.satellites_.noted = true;
    }
    void PositionValid(uint8_t x) { d.PositionValid = x; }
};

void DeferredDisplay::Note(DataDisplay &display, const TObject &record, SentenceKind kind) {
    NotedTexts texts{*this, display};
    VisitDisplayValues(record, kind, texts);
}

void DeferredDisplay::Refresh(DataDisplay &d) {
    if (time_.Take()) FormatUtcTime(d, time_.shown);
    if (date_.Take()) FormatDate(d, date_.shown);
    if (latitude_.Take()) FormatLatitude(d, latitude_.shown);
    if (longitude_.Take()) FormatLongitude(d, longitude_.shown);
    if (speed_.Take()) FormatSpeed(d, speed_.shown);
    if (course_.Take()) FormatCourse(d, course_.shown);
    if (altitude_.Take()) FormatAltitude(d, altitude_.shown);
    if (hdop_.Take()) FormatHdop(d, hdop_.shown);
    if (pdop_.Take()) FormatPdop(d, pdop_.shown);
    if (vdop_.Take()) FormatVdop(d, vdop_.shown);
    if (fixMode_.Take()) FormatFixMode(d, fixMode_.shown);
    if (satellites_.noted) {
        const bool all = !satellites_.everShown;
        for (size_t i = 0; i < 12; ++i) {
            const _GSV_SATELLITE &now = satellites_.pending[i];
            const _GSV_SATELLITE &was = satellites_.shown[i];
            if (all || now.Prn != was.Prn) FormatSatelliteValue(d.SatPrn[i], now.Prn);
            if (all || now.Snr != was.Snr) FormatSatelliteValue(d.SatSnr[i], now.Snr);
            if (all || now.Elevation != was.Elevation) FormatSatelliteValue(d.SatElevation[i], now.Elevation);
            if (all || now.Azimuth != was.Azimuth) FormatSatelliteValue(d.SatAzimuth[i], now.Azimuth);
        }
        satellites_.shown = satellites_.pending;
        satellites_.noted = false;
        satellites_.everShown = true;
    }
}

} // namespace nmea
