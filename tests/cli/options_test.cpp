// Arguments: what is accepted, what is a usage error, and what --help says.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "cli/cli_support.h"
#include "conversion/kml_writer.h"

namespace clitest {
namespace {

TEST(CliOptions, HelpNamesEveryOptionAndExitsZero) {
    const ProcessResult r = RunConvert({"--help"});
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.status, 0);
    for (const char *option : {"-c", "--color", "-k", "--checksum", "-o", "--output", "-f", "--force", "-j", "--jobs",
                               "-q", "--quiet", "-h", "--help", "--version", "LOG"}) {
        EXPECT_NE(r.out.find(option), std::string::npos) << option;
    }
    for (const char *colour : {"red", "blue", "yellow", "green", "orange"})
        EXPECT_NE(r.out.find(colour), std::string::npos) << colour;
    // Which talker --any-talker reads when a receiver sends a type from several.
    EXPECT_NE(r.out.find("one talker per sentence"), std::string::npos);
    EXPECT_NE(r.out.find("or GN from its first sentence on"), std::string::npos);
}

// "sentrova-convert MAJOR.MINOR.PATCH" and a line feed.
bool IsVersionLine(std::string_view out) {
    constexpr std::string_view kName = "sentrova-convert ";
    if (out.substr(0, kName.size()) != kName || out.empty() || out.back() != '\n') return false;
    out = out.substr(kName.size(), out.size() - kName.size() - 1);
    for (int part = 0; part < 3; ++part) {
        size_t digits = 0;
        while (digits < out.size() && out[digits] >= '0' && out[digits] <= '9') ++digits;
        if (digits == 0) return false;
        out.remove_prefix(digits);
        if (part < 2) {
            if (out.empty() || out.front() != '.') return false;
            out.remove_prefix(1);
        }
    }
    return out.empty();
}

TEST(CliOptions, VersionPrintsProgramAndVersion) {
    const ProcessResult r = RunConvert({"--version"});
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(IsVersionLine(r.out)) << r.out;
}

// The option names of --help's first column: "  -c,--color COLOUR  ..." gives -c and --color.
std::vector<std::string> HelpOptions(const std::string &help) {
    std::vector<std::string> options;
    size_t start = 0;
    while (start < help.size()) {
        size_t end = help.find('\n', start);
        if (end == std::string::npos) end = help.size();
        const std::string_view line(help.data() + start, end - start);
        start = end + 1;
        const size_t first = line.find_first_not_of(' ');
        if (first == std::string_view::npos || line[first] != '-') continue;
        std::string_view column = line.substr(first, line.find(' ', first) - first);
        while (!column.empty()) {
            const size_t comma = column.find(',');
            options.emplace_back(column.substr(0, comma));
            column.remove_prefix(comma == std::string_view::npos ? column.size() : comma + 1);
        }
    }
    return options;
}

// The page as text: troff's escaped hyphens plain, its font changes gone.
std::string ManPageText(const std::string &path) {
    const std::string source = ReadFile(path);
    std::string text;
    for (size_t i = 0; i < source.size(); ++i) {
        if (source[i] == '\\' && i + 1 < source.size() && source[i + 1] == '-') {
            text += '-';
            ++i;
        } else if (source[i] == '\\' && i + 2 < source.size() && source[i + 1] == 'f') {
            i += 2;
        } else {
            text += source[i];
        }
    }
    return text;
}

// "-c" as a word of its own, not the start of "-color" nor a part of "--color".
bool NamesOption(const std::string &text, const std::string &option) {
    const auto partOfName = [](char c) {
        return c == '-' || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    };
    for (size_t at = text.find(option); at != std::string::npos; at = text.find(option, at + 1)) {
        const size_t after = at + option.size();
        if ((at == 0 || !partOfName(text[at - 1])) && (after == text.size() || !partOfName(text[after]))) return true;
    }
    return false;
}

TEST(CliOptions, ManPageDescribesEveryOptionOfTheHelp) {
    const ProcessResult r = RunConvert({"--help"});
    ASSERT_TRUE(r.exited);
    const std::vector<std::string> options = HelpOptions(r.out);
    ASSERT_GE(options.size(), 10u) << "the option column of --help was not found:\n" << r.out;
    const std::string page = std::string(SENTROVA_MAN_PAGES) + "/sentrova-convert.1";
    const std::string text = ManPageText(page);
    for (const std::string &option : options)
        EXPECT_TRUE(NamesOption(text, option))
            << "option " << option << " of sentrova-convert --help is not in its manual page: add it to "
            << "man/sentrova-convert.1.in (checked: " << page << ")";
}

struct UsageCase {
    const char *name;
    std::vector<std::string> args; // "LOG" stands for an existing log
};
void PrintTo(const UsageCase &c, std::ostream *os) { *os << c.name; }

class CliUsageError : public testing::TestWithParam<UsageCase> {};

TEST_P(CliUsageError, ExitsTwoWithAMessageAndConvertsNothing) {
    TempDir dir;
    const std::string log = dir / "drive.nmea";
    WriteFile(log, DriveLog(5));
    std::vector<std::string> args = GetParam().args;
    for (std::string &a : args)
        if (a == "LOG") a = log;
    const ProcessResult r = RunConvert(args, DriveLog(3));
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.status, 2);
    EXPECT_FALSE(r.err.empty());
    EXPECT_TRUE(r.out.empty()) << r.out;
    EXPECT_FALSE(Exists(dir / "drive.kml"));
    EXPECT_FALSE(Exists(dir / "out.kml"));
}

INSTANTIATE_TEST_SUITE_P(
    , CliUsageError,
    testing::Values(UsageCase{"NoLog", {}}, UsageCase{"NoLogButOptions", {"-c", "green", "-k"}},
                    UsageCase{"UnknownOption", {"--bogus", "LOG"}}, UsageCase{"UnknownShortOption", {"-x", "LOG"}},
                    UsageCase{"OutputWithTwoLogs", {"-o", "/tmp/out.kml", "LOG", "LOG"}},
                    UsageCase{"EmptyOutputWithTwoLogs", {"-o", "", "LOG", "LOG"}},
                    UsageCase{"StdinWithoutOutput", {"-"}}, UsageCase{"StdinAmongLogsWithoutOutput", {"LOG", "-"}},
                    UsageCase{"BadColour", {"-c", "purple", "LOG"}}, UsageCase{"ColourByNumber", {"-c", "3", "LOG"}},
                    UsageCase{"EmptyColour", {"-c", "", "LOG"}}, UsageCase{"JobsZero", {"-j", "0", "LOG"}},
                    UsageCase{"JobsNegative", {"-j", "-1", "LOG"}}, UsageCase{"JobsNotANumber", {"-j", "many", "LOG"}},
                    UsageCase{"ColourWithoutValue", {"LOG", "-c"}}, UsageCase{"EveryZero", {"--every", "0", "LOG"}}),
    [](const testing::TestParamInfo<UsageCase> &info) { return std::string(info.param.name); });

struct ColourCase {
    const char *spelling;
    int index; // into IconColours
};
void PrintTo(const ColourCase &c, std::ostream *os) { *os << c.spelling; }

class CliColour : public testing::TestWithParam<ColourCase> {};

TEST_P(CliColour, NameInAnyCaseSelectsTheStyleColour) {
    TempDir dir;
    const std::string log = dir / "drive.nmea";
    WriteFile(log, DriveLog(4));
    const ProcessResult r = RunConvert({"-c", GetParam().spelling, "-o", "-", log});
    ASSERT_TRUE(r.exited);
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string style = "<Style id=\"Point\"><IconStyle><color>" +
                              std::string(conversion::IconColours[static_cast<size_t>(GetParam().index)]) +
                              "</color><scale>.3</scale></IconStyle></Style>\r\n";
    EXPECT_NE(r.out.find(style), std::string::npos) << r.out.substr(0, 300);
}

INSTANTIATE_TEST_SUITE_P(, CliColour,
                         testing::Values(ColourCase{"red", 0}, ColourCase{"blue", 1}, ColourCase{"yellow", 2},
                                         ColourCase{"green", 3}, ColourCase{"orange", 4}, ColourCase{"RED", 0},
                                         ColourCase{"Blue", 1}, ColourCase{"yElLoW", 2}, ColourCase{"GREEN", 3},
                                         ColourCase{"Orange", 4}),
                         [](const testing::TestParamInfo<ColourCase> &info) {
                             return std::string(info.param.spelling);
                         });

TEST(CliOptions, GreenIsTheDocumentedColour) {
    TempDir dir;
    const std::string log = dir / "drive.nmea";
    WriteFile(log, DriveLog(2));
    const ProcessResult r = RunConvert({"--color=Green", "-o", "-", log});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("<color>ff0ff000</color>"), std::string::npos);
}

TEST(CliOptions, DefaultColourIsRed) {
    TempDir dir;
    const std::string log = dir / "drive.nmea";
    WriteFile(log, DriveLog(2));
    const ProcessResult r = RunConvert({"-o", "-", log});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("<color>ff0000ff</color>"), std::string::npos);
}

} // namespace
} // namespace clitest
