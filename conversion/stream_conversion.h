// One log read from a byte source into one document in an output buffer.
// Neither function prints, asks or exits: the outcome is a value for the
// caller to show. Both write into `out` and flush it; the caller decides what
// becomes of the bytes on failure.
#pragma once

#include <atomic>
#include <memory>
#include <string_view>

#include "byte_io.h"
#include "conversion_options.h"
#include "conversion_outcome.h"

namespace conversion {

class CycleHook;
class TrackWriter;

// The KML document of fix cycles: header, placemarks, footer.
ConversionOutcome ConvertStream(ByteSource &in, OutputBuffer &out, const ConversionOptions &options,
                                const std::atomic<bool> *cancel = nullptr, CycleHook *hook = nullptr);

// The documents made of fix epochs (GPX, KML track, CSV); `name` names the track.
ConversionOutcome ConvertTrack(ByteSource &in, OutputBuffer &out, const ConversionOptions &options,
                               std::string_view name, const std::atomic<bool> *cancel = nullptr);
// The same run into a writer of the caller's.
ConversionOutcome ConvertTrack(ByteSource &in, OutputBuffer &out, const ConversionOptions &options,
                               std::unique_ptr<TrackWriter> writer, const std::atomic<bool> *cancel = nullptr);

} // namespace conversion
