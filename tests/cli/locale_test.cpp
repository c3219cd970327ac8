// The converter adopts the user's locale for its messages; its documents must
// not follow it: under a decimal-comma locale, printf-style formatting would
// write "48,117300".
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "cli/cli_support.h"
#include "support/locales.h"

namespace {

using sentrova_test::kCommaLocale;

// Sets one environment variable for the scope, for the children started in it.
class ScopedEnv {
  public:
    ScopedEnv(const char *name, const char *value) : name_(name) {
        if (const char *old = std::getenv(name)) old_ = old;
        ::setenv(name, value, 1);
    }
    ~ScopedEnv() {
        if (old_) ::setenv(name_, old_->c_str(), 1);
        else ::unsetenv(name_);
    }

  private:
    const char *name_;
    std::optional<std::string> old_;
};

TEST(CliLocale, BatchConverterWritesTheSameBytesUnderADecimalCommaLocale) {
    if (!sentrova_test::HaveLocale(kCommaLocale)) GTEST_SKIP() << kCommaLocale << " is not generated (locale -a)";
    clitest::TempDir dir;
    const std::string log = dir / "drive.nmea";
    clitest::WriteFile(log, clitest::DriveLog(20));

    auto convert = [&](const char *locale, const std::string &kml) {
        const ScopedEnv env("LC_ALL", locale);
        const clitest::ProcessResult run = clitest::RunConvert({"-q", "-o", kml, log});
        EXPECT_TRUE(run.exited && run.status == 0) << locale << ": " << run.err;
        return clitest::ReadFile(kml);
    };
    const std::string plain = convert("C", dir / "c.kml");
    const std::string comma = convert(kCommaLocale, dir / "de.kml");
    EXPECT_NE(plain.find("<coordinates>11.5"), std::string::npos);
    EXPECT_EQ(comma, plain);
}

} // namespace
