// The document must not depend on the process's locale: under a decimal-comma
// locale, printf-style formatting would write "48,117300".
#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <string>

#include "conversion_test_support.h"
#include "support/locales.h"
#include "support/logs.h"

namespace {

using namespace sentrova_test;

// Every number the document shows, with fractions, signs and all hemispheres.
std::string LocaleLog() {
    std::string log = DriveLog(20);
    log += Nmea("GPGGA,002153.000,3342.6618,S,11751.3858,W,1,10,1.27,-27.5,M,-34.2,M,,0000", "\r\n");
    log += Nmea("GPGSA,A,2,04,05,,09,12,,,24,,,,,12.55,1.27,9.99", "\r\n");
    log += Nmea("GPRMC,002153.000,A,3342.6618,S,11751.3858,W,7.25,359.95,311226,,", "\r\n");
    log += Nmea("GPRMC,002154.000,A,3342.6620,S,11751.3860,W,0.05,0.05,311226,,", "\r\n");
    return log;
}

TEST(Locale, EngineWritesTheSameBytesAfterTheProgramAdoptsADecimalCommaLocale) {
    if (!HaveLocale(kCommaLocale)) GTEST_SKIP() << kCommaLocale << " is not generated (locale -a)";
    const std::string log = LocaleLog();
    const StreamResult plain = Convert(log);
    ASSERT_EQ(plain.outcome.kind, conversion::OutcomeKind::Done);

    // What the window's toolkit does on start-up.
    ASSERT_NE(std::setlocale(LC_ALL, kCommaLocale), nullptr);
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 1.5);
    const std::string comma = Convert(log).kml;
    std::setlocale(LC_ALL, "C");

    ASSERT_STREQ(probe, "1,5") << "the locale does not reach the C library; the comparison would prove nothing";
    EXPECT_NE(plain.kml.find("Lat       = S 33.711030"), std::string::npos);
    EXPECT_NE(plain.kml.find("<coordinates>-117.85643"), std::string::npos);
    EXPECT_EQ(comma, plain.kml);
}

} // namespace
