// The documents made of fix epochs: GPX 1.1, a KML 2.2 gx:Track and CSV.
// Each writes its points as they come, in constant memory.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "byte_io.h"
#include "conversion_options.h"
#include "track/epoch.h"

namespace conversion {

class TrackWriter {
  public:
    virtual ~TrackWriter() = default;
    virtual void Begin(OutputBuffer &out) = 0;
    // A valid epoch; newSegment for the first point and after a break.
    virtual void Point(OutputBuffer &out, const track::Epoch &epoch, bool newSegment) = 0;
    // What is still open after the last point; false when a temporary column
    // could not be read back.
    virtual bool Finish(OutputBuffer &out) = 0;
    // The document's closing lines.
    virtual void Footer(OutputBuffer &out) = 0;
    virtual int Error() const { return 0; }
    // Error() as the message shows it: where it happened, and why.
    virtual std::string ErrorText() const { return std::strerror(Error()); }
    // For the report, which looks at more than the points: every line of the
    // log when WantsLines (asked once, so that the other formats pay nothing),
    // and each epoch that is no point.
    virtual bool WantsLines() const { return false; }
    // Whether the points reach the document only when their track closes
    // (held in columns until then): most of such a document is written at
    // the end, where a thread that writes it beside the copying pays.
    virtual bool HoldsPoints() const { return false; }
    virtual void Line(std::string_view /*line*/, uint64_t /*lineNumber*/) {}
    virtual void NoFix(const track::Epoch & /*epoch*/) {}
    // At the end, when the log never gave a date: the epochs left out for it.
    virtual void Undated(uint64_t /*epochs*/) {}
};

// One per format, each in its own file.
std::unique_ptr<TrackWriter> MakeGpxWriter(std::string_view name);
std::unique_ptr<TrackWriter> MakeCsvWriter();
std::unique_ptr<TrackWriter> MakeReportWriter(const ConversionOptions &options, std::string_view name);
std::unique_ptr<TrackWriter> MakeKmlTrackWriter(const TrackDocumentOptions &options, std::string_view name,
                                                std::string_view colour);

// name: the document's and track's name (the log's file name); colour: the
// KML track's line colour when not styled by quality.
std::unique_ptr<TrackWriter> MakeTrackWriter(const ConversionOptions &options, std::string_view name,
                                             std::string_view colour);

} // namespace conversion
