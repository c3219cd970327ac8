// The report through the window's two steps (read once, then write) against
// the batch converter's one, and its bounds on a long log.
#include <gtest/gtest.h>

#include "conversion/report_file.h"
#include "conversion_test_support.h"
#include "report/html.h"
#include "support/logs.h"
#include "support/real_logs.h"

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
