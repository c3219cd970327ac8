// Searching the text of a document or a message, for the checks of tests.
#pragma once

#include <string>
#include <string_view>

namespace sentrova_test {

// How often `what` begins in `text`, overlaps counted.
inline size_t Count(const std::string &text, std::string_view what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

inline bool Contains(const std::string &text, const std::string &part) { return text.find(part) != std::string::npos; }

} // namespace sentrova_test
