// The run of the epoch documents over whole logs in memory: how lines reach
// the decoder, how segments form, and the writers' shared pieces.
#include <gtest/gtest.h>

#include "conversion/epoch_fields.h"
#include "conversion/stream_conversion.h"
#include "conversion_test_support.h"
#include "track/field_parsers.h"

namespace {

using conversion::ConversionOptions;
using conversion::DocumentFormat;
using sentrova_test::Nmea;

struct TrackResult {
    conversion::ConversionOutcome outcome;
    std::string doc;
};

TrackResult ConvertTrack(std::string_view log, DocumentFormat format, ConversionOptions options = {}) {
    options.format = format;
    conversion::MemorySource source(log);
    conversion::MemorySink sink;
    TrackResult result;
    {
        conversion::OutputBuffer out(sink, 4096);
        result.outcome = conversion::ConvertTrack(source, out, options, "log & <more>.nmea");
    }
    result.doc = std::move(sink.bytes);
    return result;
}

// A fix each second from `second` on, with RMC's date.
std::string Second(int second, std::string_view quality = "1") {
    char time[16];
    std::snprintf(time, sizeof time, "%02d%02d%02d.00", second / 3600 % 24, second / 60 % 60, second % 60);
    return Nmea(std::string("GPGGA,") + time + ",4807.0381234,N,01131.0000001,E," + std::string(quality) +
                ",08,0.9,545.4,M,46.9,M,,") +
           "\r\n" + Nmea(std::string("GPRMC,") + time + ",A,4807.0381234,N,01131.0000001,E,0.5,54.7,080626,,") + "\r\n";
}

size_t Count(const std::string &text, std::string_view what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

TEST(TrackRun, LinesReachTheDecoderWhole) {
    std::string big;
    for (int s = 0; big.size() < 3 * (1u << 20); ++s) big += Second(36000 + s); // lines across block ends
    struct Row {
        const char *name;
        std::string log;
        uint64_t points, segments, lines;
    } rows[] = {
        {"a Ctrl-Z in binary messages does not end the log", Second(10) + "\x1a\x01\x02\n" + Second(11), 2, 1, 5},
        {"the last line without line feed", Second(10) + Second(11).substr(0, Second(11).size() - 2), 2, 1, 4},
        {"an overlong line is no sentence", Second(10) + std::string(5000, 'x') + "\n" + Second(11), 2, 1, 5},
        {"lone fix quality 0 breaks the segment", Second(10) + Second(11, "0") + Second(12), 2, 2, 6},
        {"fixes before the first date get it",
         Nmea("GPGGA,235959.00,4807.0381234,N,01131.0000001,E,1,08,0.9,545.4,M,46.9,M,,") + "\n" +
             Nmea("GPGLL,4807.038,N,01131.000,E,000000.50,A") + "\n" + Second(1),
         3, 1, 4},
        {"several megabytes", big, big.size() / Second(36000).size(), 1, 2 * (big.size() / Second(36000).size())},
    };
    for (const Row &r : rows) {
        const TrackResult t = ConvertTrack(r.log, DocumentFormat::Csv);
        EXPECT_EQ(t.outcome.kind, conversion::OutcomeKind::Done) << r.name;
        EXPECT_EQ(t.outcome.counts.placemarks, r.points) << r.name;
        EXPECT_EQ(t.outcome.counts.segments, r.segments) << r.name;
        EXPECT_EQ(t.outcome.counts.lines, r.lines) << r.name;
        EXPECT_EQ(Count(t.doc, "\r\n"), r.points + 1) << r.name;
        // Every row as wide as the header.
        const size_t width = Count(t.doc.substr(0, t.doc.find('\n')), ",");
        for (size_t at = 0; at < t.doc.size(); at = t.doc.find('\n', at) + 1)
            ASSERT_EQ(Count(t.doc.substr(at, t.doc.find('\n', at) - at), ","), width) << r.name << " at " << at;
    }
    // The day before the first RMC's for the fix before midnight.
    const TrackResult early = ConvertTrack(rows[4].log, DocumentFormat::Csv);
    EXPECT_NE(early.doc.find(",2026-06-07T23:59:59.000Z,"), std::string::npos) << early.doc;
    EXPECT_NE(early.doc.find(",2026-06-08T00:00:00.500Z,"), std::string::npos) << early.doc;
}

TEST(TrackRun, EveryFormatFramesItsSegments) {
    const std::string log = Second(100) + Second(101) + Second(200) + Second(201, "5") + Second(202);
    struct Row {
        DocumentFormat format;
        bool styled;
        std::vector<std::pair<std::string_view, size_t>> counts;
    } rows[] = {
        {DocumentFormat::Gpx,
         false,
         {{"<trkseg>", 2}, {"</trkseg>", 2}, {"<trkpt ", 5}, {"<name>log &amp; &lt;more&gt;.nmea</name>", 1}}},
        {DocumentFormat::KmlTrack,
         false,
         {{"<gx:Track>", 2}, {"<when>", 5}, {"<gx:coord>", 5}, {"<gx:value>", 25}, {"#track", 2}}},
        // The RTK float second is a stretch of its own.
        {DocumentFormat::KmlTrack,
         true,
         {{"<gx:Track>", 4}, {"<when>", 5}, {"#rtkFloat</styleUrl>", 1}, {"#gps</styleUrl>", 3}}},
        {DocumentFormat::Csv, false, {{"\r\n1,", 2}, {"\r\n2,", 3}}},
    };
    for (const Row &r : rows) {
        ConversionOptions options;
        options.track.styleQuality = r.styled;
        const TrackResult t = ConvertTrack(log, r.format, options);
        for (const auto &[what, n] : r.counts) EXPECT_EQ(Count(t.doc, what), n) << what << "\n" << t.doc;
    }
}

TEST(TrackRun, CsvFieldsAndGpxFix) {
    struct Quote {
        std::string_view text, field;
    } quotes[] = {
        {"GP", "GP"}, {"a,b", "\"a,b\""}, {"say \"hi\"", "\"say \"\"hi\"\"\""}, {"a\r\nb", "\"a\r\nb\""}, {"", ""}};
    for (const Quote &q : quotes) {
        conversion::MemorySink sink;
        {
            conversion::OutputBuffer out(sink);
            conversion::PutCsvField(out, q.text);
            out.Flush();
        }
        EXPECT_EQ(sink.bytes, q.field);
    }
    // The log's numbers as every reader takes them; empty: left out.
    struct Text {
        std::string_view field, plain, mps, course;
    } texts[] = {{"054.7", "54.7", "28.140", "54.7"},
                 {"08", "8", "4.116", "8"},
                 {"000", "0", "0.000", "0"},
                 {".5", "0.5", "0.257", "0.5"},
                 {"-.5", "-0.5", "", "359.5"},
                 {"5.", "5", "2.572", "5"},
                 {"360.0", "360.0", "185.200", "0.0"},
                 {"-0.04", "-0.04", "", "359.96"},
                 {"194.38", "194.38", "99.998", "194.38"},
                 {"720.5", "720.5", "370.657", "0.5"},
                 {"", "", "", ""}};
    for (const Text &t : texts) {
        track::Number n;
        if (!t.field.empty()) {
            ASSERT_TRUE(track::ParseNumber(t.field, n)) << t.field;
        }
        char text[conversion::kFieldTextSize];
        EXPECT_EQ(conversion::PlainNumber(n, text), t.plain) << t.field;
        EXPECT_EQ(conversion::SpeedMps(n, text), t.mps) << t.field;
        EXPECT_EQ(conversion::CourseDegrees(n, text), t.course) << t.field;
    }
    struct Fix {
        int quality, gsaMode;
        std::string_view fix;
    } fixes[] = {{1, 3, "3d"},   {1, 2, "2d"},   {1, 0, ""}, {2, 3, "dgps"}, {3, 3, "pps"},
                 {4, 3, "dgps"}, {5, 0, "dgps"}, {6, 3, ""}, {8, 3, ""},     {-1, 3, "3d"}};
    for (const Fix &f : fixes) {
        track::Epoch e;
        e.quality = f.quality;
        e.gsaMode = f.gsaMode;
        EXPECT_EQ(conversion::GpxFix(e), f.fix) << f.quality << " " << f.gsaMode;
    }
}

} // namespace
