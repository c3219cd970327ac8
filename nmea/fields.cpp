#include "fields.h"

#include "field_scan.h"

#include <cstring>
#include <limits>

namespace nmea {
namespace {

using scan::HexDigit;

} // namespace

Cursor ReadIntField(Cursor cursor, std::string_view sentence, int32_t &value) {
    return scan::Int(cursor, sentence, value);
}

Cursor ReadRealField(Cursor cursor, std::string_view sentence, double &value) {
    return scan::Real(cursor, sentence, value);
}

Cursor ReadTextView(Cursor cursor, std::string_view sentence, std::string_view &value) {
    return scan::TextView(cursor, sentence, value);
}

Cursor ReadTextField(Cursor cursor, std::string_view s, std::string &value) {
    std::string_view view;
    cursor = ReadTextView(cursor, s, view);
    value.assign(view);
    return cursor;
}

Cursor ReadHexField(Cursor cursor, std::string_view s, uint8_t &value) { return scan::Hex(cursor, s, value); }

uint32_t HexToInt(const char *chars, uint32_t count) {
    uint32_t value = 0;
    for (uint32_t i = 0; i < count; ++i) {
        const int d = HexDigit(chars[i]);
        if (d < 0) break;
        value = value * 16 + static_cast<uint32_t>(d);
    }
    return value;
}

std::string &TextFromChars(std::string &out, const char *chars) {
    out.assign(chars, std::strlen(chars));
    return out;
}

// Hour, minute and second are combined unmasked, as stored logs expect; the
// arithmetic is unsigned so that out-of-range parts wrap instead of overflowing.
void PackTime(PackedTime &packed, int hour, int minute, int second) {
    packed = (static_cast<uint32_t>(hour) << 24) | (static_cast<uint32_t>(minute) << 16) |
             (static_cast<uint32_t>(second) * 1000u);
}

void UnpackTime(PackedTime packed, int &hour, int &minute, float &seconds) {
    hour = static_cast<int>(packed >> 24);
    minute = static_cast<int>((packed >> 16) & 0xFF);
    seconds = static_cast<float>((packed & 0xFFFF) * 0.001);
}

void PackDate(PackedDate &packed, int year, int month, int day) {
    packed = (static_cast<uint32_t>(year) << 16) | (static_cast<uint32_t>(month) << 8) |
             static_cast<uint32_t>(day);
}

void UnpackDate(PackedDate packed, int &year, int &month, int &day) {
    year = static_cast<int>((packed >> 16) & 0xFF);
    month = static_cast<int>((packed >> 8) & 0xFF);
    day = static_cast<int>(packed & 0xFF);
}

} // namespace nmea
