// Field readers: walk one sentence left to right with an integer cursor.
// A reader returns the cursor behind the value it read, or -1 when it met the
// "*" that ends the data fields before finding its value.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace nmea {

using Cursor = int32_t;
using PackedTime = uint32_t; // hour << 24 | minute << 16 | second * 1000
using PackedDate = uint32_t; // year << 16 | month << 8 | day

Cursor ReadIntField(Cursor cursor, std::string_view sentence, int32_t &value);
Cursor ReadRealField(Cursor cursor, std::string_view sentence, double &value);
Cursor ReadTextField(Cursor cursor, std::string_view sentence, std::string &value);
Cursor ReadHexField(Cursor cursor, std::string_view sentence, uint8_t &value);

// ReadTextField without the copy: the view points into the sentence.
Cursor ReadTextView(Cursor cursor, std::string_view sentence, std::string_view &value);

uint32_t HexToInt(const char *chars, uint32_t count);
std::string &TextFromChars(std::string &out, const char *chars);

void PackTime(PackedTime &packed, int hour, int minute, int second);
void UnpackTime(PackedTime packed, int &hour, int &minute, float &seconds);
void PackDate(PackedDate &packed, int year, int month, int day);
void UnpackDate(PackedDate packed, int &year, int &month, int &day);

} // namespace nmea
