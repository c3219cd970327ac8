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
// "2026-12-08T17:45:03.250Z".
void PutIsoTime(OutputBuffer &out, const track::Epoch &epoch);
// RFC 4180: a field with a comma, quote, CR or LF is quoted, its quotes doubled.
void PutCsvField(OutputBuffer &out, std::string_view text);
// The GPX <fix> value of an epoch, empty when the log does not say.
std::string_view GpxFix(const track::Epoch &epoch);

} // namespace conversion
