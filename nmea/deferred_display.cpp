#include "deferred_display.h"

#include "display_format.h"

namespace nmea {

void DeferredDisplay::Refresh(DataDisplay &d) {
    due_ = false;
    d.PositionValid = positionValid_;
    if (time_.IsDue()) FormatUtcTime(d, time_.shown);
    if (date_.IsDue()) FormatDate(d, date_.shown);
    if (latitude_.IsDue()) FormatLatitude(d, latitude_.shown);
    if (longitude_.IsDue()) FormatLongitude(d, longitude_.shown);
    if (speed_.IsDue()) FormatSpeed(d, speed_.shown);
    if (course_.IsDue()) FormatCourse(d, course_.shown);
    if (altitude_.IsDue()) FormatAltitude(d, altitude_.shown);
    if (hdop_.IsDue()) FormatHdop(d, hdop_.shown);
    if (pdop_.IsDue()) FormatPdop(d, pdop_.shown);
    if (vdop_.IsDue()) FormatVdop(d, vdop_.shown);
    if (fixMode_.IsDue()) FormatFixMode(d, fixMode_.shown);
    if (satellites_.noted) {
        const bool all = !satellites_.everShown;
        for (size_t i = 0; i < 12; ++i) {
            const GSV_SATELLITE &now = satellites_.pending[i];
            const GSV_SATELLITE &was = satellites_.shown[i];
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

void DeferredDisplay::NoteAll(const DeferredDisplay &from) {
    const auto take = [this](auto &mine, const auto &theirs) {
        if (theirs.EverNoted()) Note(mine, theirs.pending);
    };
    take(time_, from.time_);
    take(date_, from.date_);
    take(latitude_, from.latitude_);
    take(longitude_, from.longitude_);
    take(speed_, from.speed_);
    take(course_, from.course_);
    take(altitude_, from.altitude_);
    take(hdop_, from.hdop_);
    take(pdop_, from.pdop_);
    take(vdop_, from.vdop_);
    take(fixMode_, from.fixMode_);
    if (from.satellites_.noted || from.satellites_.everShown) Satellites(from.satellites_.pending);
    PositionValid(from.positionValid_);
}

} // namespace nmea
