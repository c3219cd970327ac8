// Every real receiver log through the batch converter, checksums off and on:
// the document is well-formed, has its frame and whole placemarks, agrees
// with the converter's own count, and a second run gives the same bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/cli_support.h"

namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kHeader = {
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>",
    "<kml xmlns=\"http://earth.google.com/kml/2.1\">",
    "<Document>",
    "<Style id=\"Point\"><IconStyle><color>ff0000ff</color><scale>.3</scale></IconStyle></Style>",
};
const std::vector<std::string> kFooter = {"</Document>", "</kml>"};

// The lines of a placemark by their start and end.
struct LineForm {
    std::string_view start;
    std::string_view end;
};
const LineForm kPlacemark[] = {
    {"\t<Placemark>", "\t<Placemark>"},
    {"    \t\t<description><![CDATA[<pre>GMT", "</pre>]]></description>"},
    {"         \t<TimeStamp><when>20", "Z</when></TimeStamp>"},
    {"\t\t<styleUrl>#Point</styleUrl>", "\t\t<styleUrl>#Point</styleUrl>"},
    {"\t\t<Point><coordinates>", "</coordinates></Point>"},
    {"\t</Placemark>", "\t</Placemark>"},
};
constexpr size_t kPlacemarkLines = std::size(kPlacemark);
constexpr size_t kTimeStampLine = 2;

std::vector<std::string> CrLfLines(const std::string &doc) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = doc.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(doc.substr(start, end - start));
    EXPECT_EQ(start, doc.size()) << "the document does not end with CR LF";
    return lines;
}

// Placemarks in a document that must hold header, whole placemarks and footer.
size_t CheckStructure(const std::string &doc) {
    const std::vector<std::string> lines = CrLfLines(doc);
    const size_t frame = kHeader.size() + kFooter.size();
    if (lines.size() < frame) {
        ADD_FAILURE() << lines.size() << " lines do not make a frame";
        return 0;
    }
    EXPECT_TRUE(std::equal(kHeader.begin(), kHeader.end(), lines.begin()));
    EXPECT_TRUE(std::equal(kFooter.begin(), kFooter.end(), lines.end() - 2));
    const size_t end = lines.size() - kFooter.size();
    size_t placemarks = 0;
    for (size_t i = kHeader.size(); i < end; ++placemarks) {
        for (size_t f = 0; f < kPlacemarkLines; ++f) {
            const LineForm &form = kPlacemark[f];
            // A placemark without a calendar date has no TimeStamp line.
            if (f == kTimeStampLine && i < end && !lines[i].starts_with(form.start)) continue;
            if (i >= end || !lines[i].starts_with(form.start) || !lines[i].ends_with(form.end) ||
                lines[i].find('\n') != std::string::npos) {
                ADD_FAILURE() << "line " << i + 1 << " is out of form: " << (i < end ? lines[i] : "(none)");
                return 0;
            }
            ++i;
        }
    }
    return placemarks;
}

// "N placemarks" from the converter's line about the log.
long ReportedPlacemarks(const std::string &err) {
    const size_t at = err.find(" placemarks");
    if (at == std::string::npos) return -1;
    const size_t start = err.rfind(' ', at - 1) + 1;
    return std::stol(err.substr(start, at - start));
}

struct RealLogRun {
    std::string name;
    bool checksums;
};

class CliRealLog : public testing::TestWithParam<RealLogRun> {};

TEST_P(CliRealLog, ConvertsIntoAWellFormedRepeatableDocument) {
    const RealLogRun &p = GetParam();
    if (p.name.empty()) GTEST_SKIP() << "no real logs at " << sentrova_test::RealLogFolder();
    const std::string log = sentrova_test::RealLogFolder() / p.name;
    clitest::TempDir dir;

    auto convert = [&](const std::string &kml) {
        std::vector<std::string> args = {"-o", kml, log};
        if (p.checksums) args.insert(args.begin(), "-k");
        return clitest::RunConvert(args);
    };
    const clitest::ProcessResult first = convert(dir / "first.kml");
    ASSERT_TRUE(first.exited) << "ended by signal " << first.signal << "\n" << first.err;
    const clitest::ProcessResult second = convert(dir / "second.kml");
    ASSERT_TRUE(second.exited) << "ended by signal " << second.signal << "\n" << second.err;
    EXPECT_EQ(second.status, first.status);
    std::string firstErr = first.err;
    if (const size_t at = firstErr.find("first.kml"); at != std::string::npos) firstErr.replace(at, 9, "second.kml");
    EXPECT_EQ(second.err, firstErr);
    EXPECT_TRUE(clitest::TemporaryFiles(dir.Path()).empty());

    if (first.status != 0) {
        // Only a checksum may fail a log, and only when checksums are verified.
        EXPECT_TRUE(p.checksums) << first.err;
        EXPECT_NE(first.err.find("NMEA format error"), std::string::npos) << first.err;
        EXPECT_FALSE(clitest::Exists(dir / "first.kml"));
        return;
    }
    const std::string doc = clitest::ReadFile(dir / "first.kml");
    EXPECT_EQ(clitest::ReadFile(dir / "second.kml"), doc) << "a rerun gave other bytes";
    EXPECT_EQ(static_cast<long>(CheckStructure(doc)), ReportedPlacemarks(first.err)) << first.err;
    EXPECT_EQ(clitest::XmlProblems(dir / "first.kml"), "");
}

std::vector<RealLogRun> Runs() {
    std::vector<RealLogRun> runs;
    for (const fs::path &log : sentrova_test::RealLogs()) {
        const std::string name = log.filename().string();
        runs.push_back({name, false});
        runs.push_back({name, true});
    }
    if (runs.empty()) runs.push_back({"", false}); // one row that skips
    return runs;
}

void PrintTo(const RealLogRun &run, std::ostream *os) { *os << run.name << (run.checksums ? " -k" : ""); }

INSTANTIATE_TEST_SUITE_P(, CliRealLog, testing::ValuesIn(Runs()), [](const testing::TestParamInfo<RealLogRun> &info) {
    std::string name = info.param.name.empty() ? "NoLogs" : info.param.name;
    std::replace_if(name.begin(), name.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
    return name + (info.param.checksums ? "_Checked" : "_Plain");
});

} // namespace
