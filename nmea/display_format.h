// The display texts, one quantity at a time, each as printf would write it
// in the C locale.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "data_display.h"
#include "packed_time.h"

namespace nmea {

void FormatUtcTime(DataDisplay &display, PackedTime time);
// The UtcTime text of `time` ("GMT: hh:mm:ss") into `out`, which holds at
// least kUtcTimeTextSize characters; returns its length.
inline constexpr size_t kUtcTimeTextSize = 32;
size_t PutUtcTimeText(char *out, PackedTime time);
void FormatDate(DataDisplay &display, PackedDate date);
void FormatAltitude(DataDisplay &display, int32_t altitude);
void FormatHdop(DataDisplay &display, uint16_t hdop);

void FormatLatitude(DataDisplay &display, double latitude);
void FormatLongitude(DataDisplay &display, double longitude);
void FormatSpeed(DataDisplay &display, uint16_t speed);
void FormatCourse(DataDisplay &display, uint16_t course);
void FormatPdop(DataDisplay &display, uint16_t pdop);
void FormatVdop(DataDisplay &display, uint16_t vdop);
void FormatFixMode(DataDisplay &display, uint8_t mode);
// One number of a satellite slot: its PRN, SNR, elevation or azimuth.
void FormatSatelliteValue(std::string &text, long value);

} // namespace nmea
