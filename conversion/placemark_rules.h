// What a closing cycle's display texts allow its placemark to claim: a
// position only when the log gave one, a time stamp only on a real calendar
// date, and the date of the day the fix belongs to.
#pragma once

#include <string_view>

namespace nmea {
struct DataDisplay;
}

namespace conversion {

// False when both the latitude and the longitude texts read zero ("N 0.000000",
// "S -0.000000", the initial "0.00"): the cycle brought no position.
bool HasPosition(const nmea::DataDisplay &display);

// The date a placemark stands on.
struct PlacemarkDate {
    bool calendar = true; // the Date text is a real date: the TimeStamp is written
    bool nextDay = false; // the fix lies after midnight of the Date text's day
    int year = 0;         // the date after the move, when nextDay
    int month = 0;
    int day = 0;
};

// From the Date text ("DATE: yy/mm/dd"), the placemark's UtcTime text and the
// UtcTime text that came with the Date text (empty when none did). A clock
// more than twelve hours before the date's clock means the next day: the date
// arrives in a sentence that may follow the cycle's first one across midnight.
PlacemarkDate DateOfPlacemark(std::string_view date, std::string_view utcTime, std::string_view clockWithDate);

} // namespace conversion
