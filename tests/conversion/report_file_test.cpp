// The report through the window's two steps (read once, then write) against
// the batch converter's one, and its bounds on a long log.
#include <gtest/gtest.h>

#include "conversion/report_file.h"
#include "conversion_test_support.h"
#include "report/html.h"
#include "support/logs.h"
#include "support/real_logs.h"
#include "support/sentences.h"

namespace {

using conversion::OutcomeKind;

conversion::ConversionRequest ReportRequest(const std::string &log, const std::string &target) {
    conversion::ConversionRequest request;
    request.sourcePath = log;
    request.targetPath = target;
    request.options.format = conversion::DocumentFormat::Report;
    request.replaceExisting = true;
    return request;
}

TEST(ReportFile, TheWindowsStepsWriteTheBatchConvertersBytes) {
    sentrova_test::ScratchDir dir;
    sentrova_test::WriteFile(dir / "drive.nmea", sentrova_test::DriveLog(300));
    sentrova_test::WriteFile(dir / "moving.nmea", sentrova_test::WithBadChecksum(sentrova_test::MovingLog(200), 40));
    std::vector<std::string> logs = {dir / "drive.nmea", dir / "moving.nmea"};
    for (const auto &real : sentrova_test::RealLogs()) {
        if (real.filename() == "gpsd-ublox-zed-f9p-nmea.log") logs.push_back(real.string());
    }
    for (const std::string &log : logs) {
        ASSERT_EQ(conversion::ConvertFile(ReportRequest(log, dir / "batch.html")).kind, OutcomeKind::Done);
        report::LogReport read;
        const conversion::ConversionOutcome analysed = conversion::AnalyseLog(ReportRequest(log, ""), read);
        ASSERT_EQ(analysed.kind, OutcomeKind::Done) << log;
        EXPECT_EQ(read.Figures().points, analysed.counts.placemarks);
        // A page that is there stays unless replacing is agreed to.
        sentrova_test::WriteFile(dir / "window.html", "old");
        EXPECT_EQ(conversion::WriteReport(read, log, dir / "window.html", false).kind, OutcomeKind::TargetExists);
        EXPECT_EQ(sentrova_test::ReadFile(dir / "window.html"), "old");
        EXPECT_EQ(conversion::WriteReport(read, log, dir / "window.html", true).kind, OutcomeKind::Done);
        EXPECT_EQ(sentrova_test::ReadFile(dir / "window.html"), sentrova_test::ReadFile(dir / "batch.html")) << log;
    }
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"batch.html", "drive.nmea", "moving.nmea", "window.html"}));
    report::LogReport none;
    EXPECT_EQ(conversion::AnalyseLog(ReportRequest(dir / "missing.nmea", ""), none).kind,
              OutcomeKind::SourceNotOpenable);
    EXPECT_EQ(conversion::WriteReport(none, "x.nmea", dir / "no-folder/x.html", true).kind,
              OutcomeKind::TargetNotOpenable);
    // A log without dates: its epochs are left out, and the summary says why.
    std::string undated;
    for (const std::string &line : sentrova_test::SplitCrLf(sentrova_test::DriveLog(30))) {
        if (line.find("RMC") == std::string::npos) undated += line + "\r\n";
    }
    sentrova_test::WriteFile(dir / "undated.nmea", undated);
    ASSERT_EQ(conversion::AnalyseLog(ReportRequest(dir / "undated.nmea", ""), none).kind, OutcomeKind::Done);
    EXPECT_EQ(none.Figures().leftOut,
              (std::vector<std::pair<uint64_t, report::LeftOut>>{{30, report::LeftOut::Undated}}));
}

// A GGA and an RMC at `second`, at 48 degrees 7 minutes north plus `north` minutes.
std::string Fix(int second, std::string_view quality = "1", int north = 0) {
    char time[32], lat[32];
    std::snprintf(time, sizeof time, "%02d%02d%02d.00", second / 3600, second / 60 % 60, second % 60);
    std::snprintf(lat, sizeof lat, "48%02d.0381", 7 + north);
    const std::string status = quality == "0" ? "V" : "A";
    return sentrova_test::Nmea("GPGGA," + std::string(time) + "," + lat + ",N,01131.0000,E," + std::string(quality) +
                               ",08,0.9,545.4,M,46.9,M,,") +
           "\r\n" +
           sentrova_test::Nmea("GPRMC," + std::string(time) + "," + status + "," + lat +
                               ",N,01131.0000,E,0.5,54.7,080626,,") +
           "\r\n";
}

TEST(ReportFile, EventsNameTheirLines) {
    const std::string log = Fix(100) + Fix(101) + Fix(200) /* gap */ + Fix(150) /* back */ +
                            Fix(151, "1", 30) /* jump */ + Fix(152, "0") + Fix(153) +
                            "$GPGSV,1,1,01,05,40,083,46*00\r\n" + "\x01$\xff\xfeGGA,1,2*00\r\n" /* junk, no sentence */;
    sentrova_test::ScratchDir dir;
    sentrova_test::WriteFile(dir / "events.nmea", log);
    report::LogReport read;
    ASSERT_EQ(conversion::AnalyseLog(ReportRequest(dir / "events.nmea", ""), read).kind, OutcomeKind::Done);
    std::vector<std::pair<report::EventKind, uint64_t>> events;
    for (const report::Event &e : read.Events()) events.emplace_back(e.kind, e.line);
    using K = report::EventKind;
    EXPECT_EQ(events, (std::vector<std::pair<K, uint64_t>>{
                          {K::Gap, 5}, {K::TimeBack, 7}, {K::Jump, 9}, {K::NoFix, 11}, {K::BadSentence, 15}}));
    EXPECT_EQ(read.Figures().gaps, 1u);
    EXPECT_EQ(read.Figures().checksumsFailed, 1u);
    EXPECT_EQ(read.Figures().notSentences, 1u);
    EXPECT_TRUE(read.Satellites().empty()); // the bad sentence's satellite is not believed
}

TEST(ReportFile, ALongLogKeepsItsEndsInBoundedStores) {
    // Eleven hours at 1 Hz: every store has thinned several times.
    sentrova_test::SimulatedReceiver receiver(7, sentrova_test::UtcSeconds(2026, 6, 8, 6, 0, 0));
    std::string log;
    for (int s = 0; s < 40'000; ++s) receiver.EmitSecond(log);
    conversion::MemorySource source(log);
    conversion::MemorySink sink;
    conversion::ConversionOptions options;
    options.format = conversion::DocumentFormat::Gpx;
    conversion::ConversionOutcome gpx;
    {
        conversion::OutputBuffer out(sink);
        gpx = conversion::ConvertTrack(source, out, options, "long.nmea");
    }
    const size_t firstPoint = sink.bytes.find("<trkpt "), lastPoint = sink.bytes.rfind("<trkpt ");
    sentrova_test::ScratchDir dir;
    sentrova_test::WriteFile(dir / "long.nmea", log);
    report::LogReport read;
    ASSERT_EQ(conversion::AnalyseLog(ReportRequest(dir / "long.nmea", ""), read).kind, OutcomeKind::Done);
    EXPECT_EQ(read.Figures().points, gpx.counts.placemarks);
    EXPECT_LE(read.Track().size(), report::LogReport::kTrackPoints);
    EXPECT_GT(read.Track().size(), report::LogReport::kTrackPoints / 2);
    EXPECT_TRUE(read.Track().front().segmentStart);
    // The first and the last point of the GPX are the ground track's ends.
    const auto coordinates = [](const std::string &gpx, size_t at) { return gpx.substr(at, gpx.find('>', at) - at); };
    const auto attributes = [](const report::TrackPoint &p) {
        char text[96];
        std::snprintf(text, sizeof text, "<trkpt lat=\"%.9f\" lon=\"%.9f\"", p.latitude, p.longitude);
        return std::string(text);
    };
    EXPECT_EQ(attributes(read.Track().front()), coordinates(sink.bytes, firstPoint));
    EXPECT_EQ(attributes(read.LastPoint()), coordinates(sink.bytes, lastPoint));
    // The axis spans the log in its buckets.
    const int64_t span = static_cast<int64_t>(report::LogReport::kBuckets) * read.BucketMs();
    EXPECT_GE(span, 40'000'000);
    EXPECT_LT(span, 2 * 40'000'000);
    for (const report::Satellite &s : read.Satellites()) EXPECT_LE(s.path.size(), report::LogReport::kSkyPath);
    EXPECT_LT(report::Html(read, "long.nmea").size(), 2u << 20);
}

} // namespace
