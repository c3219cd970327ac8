// Locales of the machine running the tests.
#pragma once

namespace sentrova_test {

// The locale that writes "1,5" for 1.5, where numbers must still get a point.
inline constexpr const char *kCommaLocale = "de_DE.UTF-8";

// The locale is generated here (locale -a), so that a test can switch to it.
bool HaveLocale(const char *name);

} // namespace sentrova_test
