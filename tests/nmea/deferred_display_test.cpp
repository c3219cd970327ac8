// Texts are formatted when read, and only those whose value changed: read now
// and then, they must equal texts read after every line, whatever the order of
// sentences, failed decodes and repeated values.
#include <gtest/gtest.h>

#include <fstream>

#include "nmea_test_support.h"
#include "support/real_logs.h"

namespace {

using nmea::DataDisplay;
using nmea::SentenceContext;

// Feeds both contexts, reads the first one's texts after every line and the
// second one's after the first line and every `every`-th after it, and compares.
void FeedBoth(const std::vector<std::string> &lines, size_t every) {
    SentenceContext eager;
    SentenceContext deferred;
    for (size_t i = 0; i < lines.size(); ++i) {
        nmea_test::Feed(eager, lines[i]);
        nmea_test::Feed(deferred, lines[i]);
        const DataDisplay &now = eager.Manager.Display();
        // What the run reads per line, without formatting texts.
        ASSERT_EQ(now.PositionValid, deferred.Manager.PositionValid()) << lines[i];
        ASSERT_EQ(!now.Date.empty(), deferred.Manager.DateKnown()) << lines[i];
        if (i % every == 0 || i + 1 == lines.size()) {
            SCOPED_TRACE("after line " + std::to_string(i + 1) + ": " + lines[i]);
            EXPECT_EQ(nmea_test::TextsOf(now), nmea_test::TextsOf(deferred.Manager.Display()));
            if (::testing::Test::HasFailure()) return;
        }
    }
}

TEST(DeferredDisplay, ReadNowAndThenMatchesReadEveryLine) {
    struct Case {
        const char *name;
        std::vector<std::string> lines;
    };
    const std::vector<Case> cases = {
        {"a value changes and changes back before the refresh",
         {"$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47",
          "$GPGGA,123520,4807.038,N,01131.000,E,1,08,1.5,600.0,M,46.9,M,,*4F",
          "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47"}},
        {"a failed decode leaves the texts of the last good one",
         {"$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A",
          "$GPRMC,235959,V,1111.111,S,02222.222,W,099.9,100.0*00"}},
        {"negative zero latitude differs from zero",
         {"$GPGLL,0000.000,N,00000.000,E,120000,A*00", "$GPGLL,0000.000,S,00000.000,W,120000,A*00",
          "$GPGLL,0000.000,N,00000.000,E,120000,A*00"}},
        {"fix modes other than 2 and 3 read alike",
         {"$GPGSA,A,3,04,05,,,,,,,,,,,2.5,1.3,2.1*00", "$GPGSA,A,7,04,05,,,,,,,,,,,2.5,1.3,2.1*00",
          "$GPRPT,4807.038,N,01131.000,E,10.5,1.0,2.0,230394,123519,2*00",
          "$GPGSA,A,1,04,05,,,,,,,,,,,2.5,1.3,2.1*00"}},
        {"hdop from GGA and GSA, speed from RMC and VTG",
         {"$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47",
          "$GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1*39",
          "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A",
          "$GPVTG,054.7,T,034.4,M,005.5,N,010.2,K*48"}},
        {"a new satellite set clears the slots the old one filled",
         {"$GPGSV,2,1,08,01,40,083,46,02,17,308,41,12,07,344,39,14,22,228,45*75",
          "$GPGSV,2,2,08,15,10,100,20,16,-5,359,,17,0,0,0,18,90,-10,70*00",
          "$GPGSV,1,1,02,01,40,083,47,02,17,308,41*00"}},
        {"only one satellite's SNR changes, then changes back",
         {"$GPGSV,1,1,02,01,40,083,46,02,17,308,41*00", "$GPGSV,1,1,02,01,40,083,47,02,17,308,41*00",
          "$GPGSV,1,1,02,01,40,083,46,02,17,308,41*00", "$GPGSV,1,1,02,01,40,083,46,02,17,308,41*00"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        for (size_t every : {size_t{2}, size_t{3}, c.lines.size()}) FeedBoth(c.lines, every);
    }
}

TEST(DeferredDisplay, ReadNowAndThenMatchesReadEveryLineOnRealLogs) {
    const auto logs = sentrova_test::RealLogs();
    if (logs.empty()) GTEST_SKIP() << "no real logs at " << sentrova_test::RealLogFolder();
    for (const auto &log : logs) {
        std::ifstream in(log, std::ios::binary);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line.find('*') != std::string::npos) lines.push_back(line.substr(0, 99));
        }
        SCOPED_TRACE(log.filename().string());
        FeedBoth(lines, 7);
    }
}

} // namespace
