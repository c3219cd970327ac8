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
        bool rewritten[4] = {all, all, all, all};
        for (size_t i = 0; i < 12; ++i) {
            const GSV_SATELLITE &now = satellites_.pending[i];
            const GSV_SATELLITE &was = satellites_.shown[i];
            const auto row = [&](size_t r, std::string &text, long value, long before) {
                if (!all && value == before) return;
                FormatSatelliteValue(text, value);
                rewritten[r] = true;
            };
            row(0, d.SatPrn[i], now.Prn, was.Prn);
            row(1, d.SatSnr[i], now.Snr, was.Snr);
            row(2, d.SatElevation[i], now.Elevation, was.Elevation);
            row(3, d.SatAzimuth[i], now.Azimuth, was.Azimuth);
        }
        for (size_t r = 0; r < 4; ++r) d.SatRowRewrites[r] += rewritten[r] ? 1 : 0;
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
