// The report's sections after the summary and the ground track, each written
// into the page only when the log has its data.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "log_report.h"

namespace report {

// The ids of the sections the log's report holds, in their order.
std::vector<std::string_view> SectionsOf(const LogReport &report);

bool HasSeries(const LogReport &report);
void OverTimeSection(std::string &out, const LogReport &report);
void SkySection(std::string &out, const LogReport &report);
void AccuracySection(std::string &out, const LogReport &report);
void EventsSection(std::string &out, const LogReport &report);

} // namespace report
