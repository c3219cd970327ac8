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

template <typename Self, typename NotedT, typename Each>
void DeferredDisplay::ForEachValue(Self &d, NotedT &n, Each each) {
    each(d.latitude_, n.latitude);
    each(d.longitude_, n.longitude);
    each(d.time_, n.time);
    each(d.date_, n.date);
    each(d.altitude_, n.altitude);
    each(d.speed_, n.speed);
    each(d.course_, n.course);
    each(d.hdop_, n.hdop);
    each(d.pdop_, n.pdop);
    each(d.vdop_, n.vdop);
    each(d.fixMode_, n.fixMode);
}

DeferredDisplay::Noted DeferredDisplay::NotedValues() const {
    Noted noted{};
    uint16_t bit = 1;
    ForEachValue(*this, noted, [&](const auto &value, auto &field) {
        field = value.pending;
        noted.ever |= value.EverNoted() ? bit : 0;
        bit = static_cast<uint16_t>(bit << 1);
    });
    noted.positionValid = positionValid_;
    return noted;
}

void DeferredDisplay::NoteAll(const Noted &from) {
    uint16_t bit = 1;
    ForEachValue(*this, from, [&](auto &value, const auto &field) {
        if (from.ever & bit) Note(value, field);
        bit = static_cast<uint16_t>(bit << 1);
    });
    PositionValid(from.positionValid);
}

} // namespace nmea
