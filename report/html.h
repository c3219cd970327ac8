// The drawings and the document of a reduced log. Each is a pure function of
// the report: the same log and options give the same bytes.
#pragma once

#include <string>
#include <string_view>

#include "log_report.h"

namespace report {

// The ground track on a local projection in metres, coloured by fix quality,
// start and end marked, with a scale bar and a north arrow: a standalone SVG
// of widthPx x heightPx (presentation attributes only, so that Qt SVG draws it
// as a browser does). The report's ground-track section holds the same drawing.
std::string GroundTrackSvg(const LogReport &report, int widthPx, int heightPx);

// The report: one self-contained HTML5 page titled by `logName` (the log's
// file name), with its summary also as JSON in <script id="sentrova-summary">.
std::string Html(const LogReport &report, std::string_view logName);

} // namespace report
