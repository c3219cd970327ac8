// The document must not depend on the process's locale: under a decimal-comma
// locale, printf-style formatting would write "48,117300".
#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <locale.h>
#include <optional>
#include <string>

#include "cli/cli_support.h"
#include "conversion/byte_io.h"
#include "conversion/run.h"

namespace {

constexpr const char *kCommaLocale = "de_DE.UTF-8";

bool HaveCommaLocale() {
    const locale_t probe = ::newlocale(LC_ALL_MASK, kCommaLocale, static_cast<locale_t>(nullptr));
    if (probe == static_cast<locale_t>(nullptr)) return false;
    ::freelocale(probe);
    return true;
}

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

// Every number the document shows, with fractions, signs and all hemispheres.
std::string LocaleLog() {
    using clitest::Nmea;
    std::string log = clitest::DriveLog(20);
    log += Nmea("GPGGA,002153.000,3342.6618,S,11751.3858,W,1,10,1.27,-27.5,M,-34.2,M,,0000", "\r\n");
    log += Nmea("GPGSA,A,2,04,05,,09,12,,,24,,,,,12.55,1.27,9.99", "\r\n");
    log += Nmea("GPRMC,002153.000,A,3342.6618,S,11751.3858,W,7.25,359.95,311226,,", "\r\n");
    log += Nmea("GPRMC,002154.000,A,3342.6620,S,11751.3860,W,0.05,0.05,311226,,", "\r\n");
    return log;
}

std::string ConvertInProcess(const std::string &log) {
    conversion::MemorySource source(log);
    conversion::MemorySink sink;
    conversion::OutputBuffer out(sink);
    const conversion::ConversionOutcome outcome = conversion::ConvertStream(source, out, {});
    EXPECT_EQ(outcome.kind, conversion::OutcomeKind::Done);
    return sink.bytes;
}

TEST(CliLocale, BatchConverterWritesTheSameBytesUnderADecimalCommaLocale) {
    if (!HaveCommaLocale()) GTEST_SKIP() << kCommaLocale << " is not generated (locale -a)";
    clitest::TempDir dir;
    const std::string log = dir / "drive.nmea";
    clitest::WriteFile(log, LocaleLog());

    auto convert = [&](const char *locale, const std::string &kml) {
        const ScopedEnv env("LC_ALL", locale);
        const clitest::ProcessResult run = clitest::RunConvert({"-q", "-o", kml, log});
        EXPECT_TRUE(run.exited && run.status == 0) << locale << ": " << run.err;
        return clitest::ReadFile(kml);
    };
    const std::string plain = convert("C", dir / "c.kml");
    const std::string comma = convert(kCommaLocale, dir / "de.kml");
    EXPECT_NE(plain.find("<coordinates>-117.85643"), std::string::npos);
    EXPECT_EQ(comma, plain);
}

TEST(CliLocale, EngineWritesTheSameBytesAfterTheProgramAdoptsADecimalCommaLocale) {
    if (!HaveCommaLocale()) GTEST_SKIP() << kCommaLocale << " is not generated (locale -a)";
    const std::string log = LocaleLog();
    const std::string plain = ConvertInProcess(log);

    // What the window's toolkit does on start-up.
    ASSERT_NE(std::setlocale(LC_ALL, kCommaLocale), nullptr);
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 1.5);
    const std::string comma = ConvertInProcess(log);
    std::setlocale(LC_ALL, "C");

    ASSERT_STREQ(probe, "1,5") << "the locale does not reach the C library; the comparison would prove nothing";
    EXPECT_NE(plain.find("Lat       = S 33.711030"), std::string::npos);
    EXPECT_EQ(comma, plain);
}

} // namespace
