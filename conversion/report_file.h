// The report of a log for the window: the log read once into a reduced
// report, and the report's page written beside it. sentrova-convert
// --format report writes the same page in one step, byte for byte.
#pragma once

#include <string>

#include "conversion_outcome.h"
#include "file_conversion.h"
#include "report/log_report.h"

namespace conversion {

// The report's settings that come from the conversion's options (gap, checksums).
report::Settings ReportSettings(const ConversionOptions &options);

// Reads request.sourcePath once through the epoch reading and reduces it into
// `into` (replaced, finished; empty when the outcome is not Done). Honours
// request.options (the same ones give the same report as the batch converter),
// request.cancel and request.bytesRead; never writes a file, so targetPath
// and replaceExisting are not looked at. The counts are those of a GPX run.
ConversionOutcome AnalyseLog(const ConversionRequest &request, report::LogReport &into);

// Writes the report page of `report` to `targetPath` the way every document
// is written: a temporary file beside it, renamed over it only when complete,
// an existing file replaced only with replaceExisting (else TargetExists).
// `logName` is the log's path as given to AnalyseLog (its file name titles the
// page): the same bytes as `sentrova-convert --format report LOG`.
ConversionOutcome WriteReport(const report::LogReport &report, const std::string &logName,
                              const std::string &targetPath, bool replaceExisting);

} // namespace conversion
