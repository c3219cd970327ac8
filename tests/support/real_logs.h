// The real receiver logs beside the project, when they are there.
#pragma once

#include <filesystem>
#include <vector>

namespace sentrova_test {

// The folder the build names (../shared/testdata/nmea-real).
std::filesystem::path RealLogFolder();
// Its logs, sorted by name; none when the folder is absent, so that a caller skips.
std::vector<std::filesystem::path> RealLogs();

} // namespace sentrova_test
