// The texts a placemark shows of the current fix.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace nmea {

struct DataDisplay {
    std::string FixMode = "NON Fix";
    std::string HDOP = "0.00";
    std::string VDOP = "0.00";
    std::string PDOP = "0.00";
    std::string Date;
    std::string UtcTime;
    std::string Latitude = "0.00";
    std::string Longitude = "0.00";
    std::string Speed = "0.000 m/s";
    std::string Course = "0.00";
    std::string Altitude = "0.00";
    uint8_t PositionValid = 0;
    std::array<std::string, 12> SatPrn;
    std::array<std::string, 12> SatSnr;
    std::array<std::string, 12> SatElevation;
    std::array<std::string, 12> SatAzimuth;
    // How often each satellites row (PRN, SNR, elevation, azimuth) had a text
    // rewritten: a writer may reuse what it made of a row while its count stays.
    std::array<uint32_t, 4> SatRowRewrites{};
};

} // namespace nmea
