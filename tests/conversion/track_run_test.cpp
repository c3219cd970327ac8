// The run of the epoch documents over whole logs in memory: how lines reach
// the decoder, how segments form, and the writers' shared pieces.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "conversion/epoch_fields.h"
#include "conversion/stream_conversion.h"
#include "conversion_test_support.h"
#include "nmea/field_values.h"
#include "support/real_logs.h"
#include "support/text_search.h"

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

using sentrova_test::Count;

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
        {"a gap of exactly the split gap keeps the segment", Second(10) + Second(20), 2, 1, 4},
        {"a gap longer than the split gap breaks it", Second(10) + Second(20) + Second(31), 3, 2, 6},
        {"time going back breaks it", Second(20) + Second(10), 2, 2, 4},
        {"an epoch without a position is no break",
         Second(10) + Nmea("GPZDA,120010.50,08,06,2026,00,00") + "\n" + Second(11), 2, 1, 5},
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
    // The day before the first RMC's for the fix before midnight; the user's
    // date only for a log without one, rolled over at midnight.
    const std::string undated = Nmea("GPGGA,235959.00,4807.0381234,N,01131.0000001,E,1,08,0.9,545.4,M,46.9,M,,") +
                                "\n" + Nmea("GPGLL,4807.038,N,01131.000,E,000000.50,A") + "\n";
    ConversionOptions leap;
    leap.track.date = {2024, 2, 29};
    const struct {
        std::string log;
        ConversionOptions options;
        std::vector<std::string_view> times;
    } dated[] = {{undated + Second(1), {}, {",2026-06-07T23:59:59.000Z,", ",2026-06-08T00:00:00.500Z,"}},
                 {undated + Second(1), leap, {",2026-06-07T23:59:59.000Z,", ",2026-06-08T00:00:00.500Z,"}},
                 {undated, leap, {",2024-02-29T23:59:59.000Z,", ",2024-03-01T00:00:00.500Z,"}}};
    for (const auto &d : dated) {
        const TrackResult t = ConvertTrack(d.log, DocumentFormat::Csv, d.options);
        for (std::string_view time : d.times) EXPECT_NE(t.doc.find(time), std::string::npos) << t.doc;
        EXPECT_EQ(t.outcome.counts.dateOptionUnused, d.options.track.date.Known() && d.log != undated);
    }
}

std::vector<std::string> Split(std::string_view text, char at) {
    std::vector<std::string> parts(1);
    for (char c : text) {
        if (c == at) {
            parts.emplace_back();
        } else {
            parts.back().push_back(c);
        }
    }
    return parts;
}

// The CSV's rows as fields, and a column's index by its header name.
struct Csv {
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> header;
    size_t Column(std::string_view name) const {
        return static_cast<size_t>(std::find(header.begin(), header.end(), name) - header.begin());
    }
};
Csv ReadCsv(const std::string &doc) {
    Csv csv;
    for (const std::string &line : sentrova_test::SplitCrLf(doc)) {
        (csv.header.empty() ? csv.header : csv.rows.emplace_back()) = Split(line, ',');
    }
    return csv;
}

// Real receivers' logs: points and segments as the receiver meant them.
TEST(TrackRun, RealLogsAsTheReceiverMeantThem) {
    if (sentrova_test::RealLogs().empty()) GTEST_SKIP() << "no real logs at " << sentrova_test::RealLogFolder();
    const track::CivilDate may{2024, 5, 1};
    struct Row {
        const char *log;
        track::CivilDate date;
        bool verify;
        long points, segments; // -1: not checked
        std::function<void(const Csv &, const std::vector<std::string> &log, const conversion::ConversionCounts &)>
            check;
    } rows[] = {
        {"gpsd-eXplorist110.log", {}, false, 0, 0, nullptr}, // never a fix
        {"gpsbabel-track-nmea.nmea", {}, false, 154, 1, nullptr},
        {"nmeaparser-TrimbleR2SampleData.txt", {}, false, 34, 1, nullptr},
        {"gpsbabel-nmea_utf16_dos.txt", {}, false, 154, 1, nullptr},
        {"gpsd-hp58534a.log",
         {},
         false,
         -1,
         -1,
         [](const Csv &csv, const auto &, const auto &counts) {
             EXPECT_GT(csv.rows.size(), 0u);
             EXPECT_GT(counts.withoutChecksum, 0u);
         }},
        {"gpsd-hp58534a.log", {}, true, 0, 0, nullptr},
        {"gpsd-neo-m8n.log", may, false, -1, 1,
         [](const Csv &csv, const auto &, const auto &counts) {
             for (const auto &row : csv.rows) EXPECT_TRUE(row[csv.Column("time")].starts_with("2015-03-18T"));
             EXPECT_TRUE(counts.dateOptionUnused);
         }},
        {"signalk-plaka.log", may, false, -1, -1,
         [](const Csv &csv, const auto &, const auto &) {
             // A segment of one point has a gap of more than 10 s beside it.
             const size_t segment = csv.Column("segment"), time = csv.Column("time");
             const auto seconds = [&](size_t i) {
                 const std::string &t = csv.rows[i][time];
                 return std::stoi(t.substr(11, 2)) * 3600 + std::stoi(t.substr(14, 2)) * 60 +
                        std::stod(t.substr(17, 6));
             };
             for (size_t i = 0; i < csv.rows.size(); ++i) {
                 const bool alone = (i == 0 || csv.rows[i - 1][segment] != csv.rows[i][segment]) &&
                                    (i + 1 == csv.rows.size() || csv.rows[i + 1][segment] != csv.rows[i][segment]);
                 if (!alone) continue;
                 const bool gapBefore = i == 0 || std::abs(seconds(i) - seconds(i - 1)) > 10;
                 const bool gapAfter = i + 1 == csv.rows.size() || std::abs(seconds(i + 1) - seconds(i)) > 10;
                 EXPECT_TRUE(gapBefore || gapAfter) << csv.rows[i][time];
             }
         }},
        {"aerorust-nmea1.log",
         {},
         false,
         -1,
         -1,
         [](const Csv &csv, const auto &log, const auto &) {
             // GSA sent before its RMC and GGA: each point's dilution is its own GGA's.
             size_t compared = 0;
             for (const auto &row : csv.rows) {
                 const std::string &gga = log[std::stoul(row[csv.Column("line")]) - 1];
                 const std::string &hdop = row[csv.Column("hdop")];
                 if (gga.find("GGA,") != 3 || hdop.empty()) continue;
                 EXPECT_EQ(std::stod(Split(gga, ',')[8]), std::stod(hdop)) << gga;
                 ++compared;
             }
             EXPECT_GT(compared, 900u);
         }},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.log);
        const std::string bytes = sentrova_test::ReadFile(sentrova_test::RealLogFolder() / r.log);
        ConversionOptions options;
        options.track.date = r.date;
        options.verifyChecksums = r.verify;
        options.badChecksum = conversion::BadChecksumPolicy::Skip;
        const TrackResult t = ConvertTrack(bytes, DocumentFormat::Csv, options);
        ASSERT_EQ(t.outcome.kind, conversion::OutcomeKind::Done);
        const Csv csv = ReadCsv(t.doc);
        EXPECT_EQ(csv.rows.size(), t.outcome.counts.placemarks);
        if (r.points >= 0) {
            EXPECT_EQ(t.outcome.counts.placemarks, static_cast<uint64_t>(r.points));
        }
        if (r.segments >= 0) {
            EXPECT_EQ(t.outcome.counts.segments, static_cast<uint64_t>(r.segments));
        }
        if (r.check) r.check(csv, Split(bytes, '\n'), t.outcome.counts);
    }
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
        {DocumentFormat::Report,
         false,
         {{"\"points\":5,\"segments\":2,", 1},
          {"\"gaps\":1,", 1},
          {"<section id=\"ground-track\">", 1},
          {"<title>log &amp; &lt;more&gt;.nmea - log report</title>", 1},
          {"RTK float 20.0 %, GPS 80.0 %", 1}}},
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
                 {"-0.0", "-0.0", "0.000", "-0.0"},
                 {"", "", "", ""}};
    for (const Text &t : texts) {
        track::Number n;
        if (!t.field.empty()) {
            ASSERT_TRUE(nmea::ParseNumber(t.field, n)) << t.field;
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
