// The KML document: a header with the one icon style, one placemark per
// completed fix cycle, a footer. Every line ends in CR LF.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "byte_io.h"
#include "nmea/data_display.h"
#include "placemark_rules.h"

namespace conversion {

// KML colours (alpha, blue, green, red) by the colour choice's index.
inline constexpr std::array<std::string_view, 5> IconColours = {
    "ff0000ff", // Red
    "ffff0000", // Blue
    "ff00ffff", // Yellow
    "ff0ff000", // Green
    "ff0055ff", // Orange
};

// Any index outside the table means Red.
std::string_view IconColour(int index);

// The satellites rows of the placemarks written from one display, each kept
// while the display's texts of that row stay: PRN, elevation and azimuth
// change seldom from one fix to the next, and a row is made of twelve texts.
class SatelliteRows {
  public:
    // Row 0 to 3: PRN, SNR, elevation, azimuth.
    std::string_view Of(const nmea::DataDisplay &display, size_t row);

  private:
    std::array<uint32_t, 4> madeAt_{};
    std::array<bool, 4> made_{};
    std::array<std::string, 4> rows_;
};

void WriteKmlHeader(OutputBuffer &out, std::string_view colour);
void WriteKmlFooter(OutputBuffer &out);
// Reads the display texts only: the caller's record stays as it was. The date
// shown is the Date text's unless `date` moves it; without a calendar date no
// TimeStamp is written. A non-empty altitude mode goes into the Point (batch
// converter option). With `rows`, the satellites rows are taken from there:
// the same texts, made again only when they changed.
void WritePlacemark(OutputBuffer &out, const nmea::DataDisplay &display, const PlacemarkDate &date = {},
                    std::string_view altitudeMode = {}, SatelliteRows *rows = nullptr);

// The Point's coordinates text: longitude, latitude, altitude.
void WriteCoordinates(OutputBuffer &out, const nmea::DataDisplay &display);

} // namespace conversion
