// Sentences with their checksums, for logs built in tests.
#pragma once

#include <string>
#include <string_view>

namespace sentrova_test {

// "$", the body, "*", the two hex digits the body needs, then `end` ("\r\n" for a log line).
std::string Nmea(std::string_view body, std::string_view end = {});

} // namespace sentrova_test
