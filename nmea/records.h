// One record per decoded sentence type, holding the values of the last
// sentence of that type in the fixed-point units the decoders produce.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "packed_time.h"

namespace nmea {

struct LOG_MESSAGE_GGA_SPC {
    uint8_t FixQuality = 1;
    uint8_t SatellitesUsed = 0;
    uint16_t Hdop = 0;    // x 10000
    int32_t Altitude = 0; // metres x 100000
    std::string AltitudeUnit = "M";
    int32_t GeoidSeparation = 0; // metres x 100000
    std::string GeoidUnit = "M";
    int32_t DgpsAge = 0;
    int32_t DgpsStation = 0;
};

struct NMEA_MESSAGE_GGA {
    PackedTime UtcTime = 0;
    double Latitude = 0;  // degrees x 100000, negative south
    double Longitude = 0; // degrees x 100000, negative west
    LOG_MESSAGE_GGA_SPC Spc;
};

struct NMEA_MESSAGE_GLL {
    double Latitude = 0;
    double Longitude = 0;
    PackedTime UtcTime = 0;
    uint8_t Status = 0; // 1 valid ("A"), 0 invalid ("V")
};

struct NMEA_MESSAGE_GSA {
    std::string Mode = "A";
    uint8_t FixType = 1; // 1 none, 2 2D, 3 3D
    std::array<uint8_t, 12> Prn{};
    uint16_t Pdop = 0; // x 10000
    uint16_t Hdop = 0;
    uint16_t Vdop = 0;
};

struct GSV_SATELLITE {
    uint8_t Prn = 0;
    int8_t Elevation = 0;
    int16_t Azimuth = 0;
    uint8_t Snr = 0;
};

struct NMEA_MESSAGE_GSV {
    uint8_t SatellitesInView = 0;
    std::array<GSV_SATELLITE, 12> Satellites{}; // message m owns 4(m-1) .. 4(m-1)+3
};

struct GSV_PART_STATUS {
    uint8_t Received = 0;
    uint8_t TotalParts = 0;
    uint8_t PartNumber = 0;
    uint8_t SatellitesInView = 0;
    uint8_t Checksum = 0;
};

struct NMEA_MESSAGE_RMC {
    PackedTime UtcTime = 0;
    uint8_t Status = 0;
    double Latitude = 0;
    double Longitude = 0;
    uint16_t Speed = 0;  // tenths of a knot
    uint16_t Course = 0; // tenths of a degree
    PackedDate Date = 0;
    uint16_t MagneticVariation = 0; // tenths of a degree
    std::string VariationDirection = "W";
};

struct NMEA_MESSAGE_VTG {
    uint16_t CourseTrue = 0;
    uint16_t CourseMagnetic = 0;
    uint16_t SpeedKnots = 0; // tenths
    uint16_t SpeedKmh = 0;   // tenths
};

struct NMEA_MESSAGE_RPT {
    double Latitude = 0;
    double Longitude = 0;
    int32_t Altitude = 0; // metres x 100000
    uint16_t Speed = 0;   // tenths of a knot
    uint16_t Course = 0;
    PackedDate Date = 0;
    PackedTime UtcTime = 0;
    uint8_t FixMode = 1;
};

class NMEA_GGA_Object {
  public:
    NMEA_MESSAGE_GGA Message;
    uint8_t Checksum = 0;
};

class NMEA_GLL_Object {
  public:
    NMEA_MESSAGE_GLL Message;
    uint8_t Checksum = 0;
};

class NMEA_GSA_Object {
  public:
    NMEA_MESSAGE_GSA Message;
    uint8_t Checksum = 0;
};

class NMEA_GSV_Object {
  public:
    NMEA_MESSAGE_GSV Message;
    std::array<GSV_PART_STATUS, 3> Parts{};
};

class NMEA_RMC_Object {
  public:
    NMEA_MESSAGE_RMC Message;
    uint8_t Checksum = 0;
};

class NMEA_VTG_Object {
  public:
    NMEA_MESSAGE_VTG Message;
    uint8_t Checksum = 0;
};

class NMEA_RPT_Object {
  public:
    NMEA_MESSAGE_RPT Message;
    uint8_t Checksum = 0;
};

} // namespace nmea
