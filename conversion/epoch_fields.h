// The fields of a fix epoch as the epoch documents write them.
#pragma once

#include <string_view>

#include "byte_io.h"
#include "track/epoch.h"

namespace conversion {

// Nine decimals: a tenth of a millimetre, finer than any receiver's minutes.
void PutDegrees(OutputBuffer &out, double degrees);
void PutInt(OutputBuffer &out, long value);
// An integer count as written (GGA's "08"), or false when it is not one.
bool WholeCount(const track::Number &n, long &value);
// GGA's count of satellites used, else the count GSA listed; -1 when neither says.
long SatsUsed(const track::Epoch &epoch);
// Room for any text below.
inline constexpr size_t kFieldTextSize = 336;
// A number as the log wrote it, in the plain form every reader takes: no
// leading zeros ("054.7" -> "54.7", "08" -> "8"), a zero before a bare point,
// no trailing point; the digits after the point are kept.
std::string_view PlainNumber(const track::Number &n, char (&text)[kFieldTextSize]);
void PutNumber(OutputBuffer &out, const track::Number &n);
// Speed over ground in metres per second from the log's knots; empty when
// the log gives none or a negative one.
std::string_view SpeedMps(const track::Number &knots, char (&text)[kFieldTextSize]);
// A course in [0, 360) degrees, the log's digits when already in range;
// empty when the log gives none.
std::string_view CourseDegrees(const track::Number &course, char (&text)[kFieldTextSize]);
// "2026-12-08T17:45:03.250Z".
void PutIsoTime(OutputBuffer &out, const track::Epoch &epoch);
// RFC 4180: a field with a comma, quote, CR or LF is quoted, its quotes doubled.
void PutCsvField(OutputBuffer &out, std::string_view text);
// The GPX <fix> value of an epoch, empty when the log does not say.
std::string_view GpxFix(const track::Epoch &epoch);

} // namespace conversion
