// Display texts: every successful decode rewrites the texts its sentence
// type carries, so the display always shows the newest value of each quantity.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "context.h"
#include "manager.h"

namespace nmea {

void UpdateDataDisplay(NMEA_Manager &manager, const TObject &record, SentenceKind kind);

void FormatUtcTime(DataDisplay &display, PackedTime time);
// The UtcTime text of `time` ("GMT: hh:mm:ss") into `out`, which holds at
// least kUtcTimeTextSize characters; returns its length.
inline constexpr size_t kUtcTimeTextSize = 32;
size_t PutUtcTimeText(char *out, PackedTime time);
void FormatDate(DataDisplay &display, PackedDate date);
void FormatSpeedCourse(DataDisplay &display, uint16_t speed, uint16_t course);
void FormatAltitude(DataDisplay &display, int32_t altitude);
void FormatHdop(DataDisplay &display, uint16_t hdop);
void FormatGsa(DataDisplay &display, const NMEA_GSA_Object &gsa);
void FormatRptMode(DataDisplay &display, const NMEA_RPT_Object &rpt);
void FormatPosition(DataDisplay &display, double latitude, double longitude);
void FormatSatellites(DataDisplay &display, const NMEA_GSV_Object &gsv);

// Single texts: the steps above are made of these.
void FormatLatitude(DataDisplay &display, double latitude);
void FormatLongitude(DataDisplay &display, double longitude);
void FormatSpeed(DataDisplay &display, uint16_t speed);
void FormatCourse(DataDisplay &display, uint16_t course);
void FormatPdop(DataDisplay &display, uint16_t pdop);
void FormatVdop(DataDisplay &display, uint16_t vdop);
void FormatFixMode(DataDisplay &display, uint8_t mode);
void FormatSatellite(DataDisplay &display, size_t slot, const _GSV_SATELLITE &satellite);
// One number of a satellite slot: its PRN, SNR, elevation or azimuth.
void FormatSatelliteValue(std::string &text, long value);

} // namespace nmea
