#include "support/real_logs.h"

#include <algorithm>
#include <system_error>

namespace sentrova_test {

std::filesystem::path RealLogFolder() { return SENTROVA_REAL_LOGS; }

std::vector<std::filesystem::path> RealLogs() {
    std::vector<std::filesystem::path> logs;
    std::error_code error;
    for (const auto &entry : std::filesystem::directory_iterator(RealLogFolder(), error)) {
        const std::string name = entry.path().filename().string();
        // The folder's own notes and census sit among the logs.
        if (entry.is_regular_file() && name != "MANIFEST.md" && !name.starts_with("census"))
            logs.push_back(entry.path());
    }
    std::sort(logs.begin(), logs.end());
    return logs;
}

} // namespace sentrova_test
