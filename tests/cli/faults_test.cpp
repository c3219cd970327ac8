// Faults of the files and of the run, end to end: each leaves a message naming
// the file, a non-zero status, no temporary file and any existing target as it was.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <string_view>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include "cli/cli_support.h"
#include "support/text_search.h"

namespace clitest {
namespace {
namespace fs = std::filesystem;

using sentrova_test::Contains;

struct FaultScenario {
    std::vector<std::string> args;
    std::string log;                // the line starts with it
    std::vector<std::string> named; // and names these too
    std::string keptTarget;         // a target that must stay as it was, or stay absent
    SpawnOptions spawn;
    std::string skip;           // why this row cannot run here
    std::function<void()> undo; // before the folder goes
};

struct FaultCase {
    const char *name;
    std::function<FaultScenario(const TempDir &)> setup;
};
void PrintTo(const FaultCase &c, std::ostream *os) { *os << c.name; }

// About 300 KB of KML, more than the small limits below.
std::string LargeLog() { return DriveLog(240, 5); }

FaultScenario Convert(std::string log, std::vector<std::string> named = {}) {
    FaultScenario s;
    s.args = {log};
    s.log = log;
    s.named = std::move(named);
    return s;
}

FaultScenario ConvertTo(std::string log, std::string target, std::vector<std::string> extra = {}) {
    FaultScenario s;
    s.args = std::move(extra);
    s.args.insert(s.args.end(), {"-o", target, log});
    s.log = log;
    s.named = {target};
    return s;
}

FaultScenario SmallFileSystemFills(const TempDir &dir, const std::string &name, bool replacing) {
    WriteFile(dir / "drive.nmea", DriveLog(2400, 5)); // its KMZ too is larger than the file system
    fs::create_directory(dir / "small");
    std::vector<std::string> extra{"--force"};
    if (name.ends_with(".kmz")) extra.push_back("--kmz");
    FaultScenario s = ConvertTo(dir / "drive.nmea", dir / ("small/" + name), extra);
    s.named.push_back("No space left");
    s.keptTarget = dir / ("small/" + name);
    // Asked for by `make test` only: a package build may run as root in
    // a chroot, where a mount reaches beyond the build.
    const char *allowed = std::getenv("SENTROVA_TEST_MOUNT");
    if (allowed == nullptr || std::string_view(allowed) != "1") {
        s.skip = "mounting a small file system is asked for with SENTROVA_TEST_MOUNT=1";
    } else if (::geteuid() != 0) {
        s.skip = "mounting a small file system needs root";
    } else if (::mount("tmpfs", (dir / "small").c_str(), "tmpfs", 0, "size=64k") != 0) {
        s.skip = std::string("cannot mount a small tmpfs here: ") + std::strerror(errno);
    } else {
        s.undo = [folder = dir / "small"] { ::umount2(folder.c_str(), MNT_DETACH); };
        if (replacing) WriteFile(dir / ("small/" + name), kOldDocument);
    }
    return s;
}

// A KMZ onto a descriptor opened for appending, named as `target`.
FaultScenario KmzAppended(const TempDir &dir, const std::string &target) {
    WriteFile(dir / "drive.nmea", DriveLog(3));
    WriteFile(dir / "out.kmz", kOldDocument);
    const int fd = ::open((dir / "out.kmz").c_str(), O_WRONLY | O_APPEND); // inherited: /dev/fd/N
    FaultScenario s = ConvertTo(dir / "drive.nmea", target == "fd" ? "/dev/fd/" + std::to_string(fd) : target,
                                {"--format", "kml-track", "--kmz"});
    s.named.push_back("a KMZ needs a file it can seek in, opened without O_APPEND");
    s.keptTarget = dir / "out.kmz";
    s.spawn.standardOutput = fd;
    s.undo = [fd] { ::close(fd); };
    return s;
}

const FaultCase kFaults[] = {
    {"MissingSource", [](const TempDir &dir) { return Convert(dir / "missing.nmea", {"No such file"}); }},
    {"UnreadableSource",
     [](const TempDir &dir) {
         WriteFile(dir / "secret.nmea", DriveLog(3));
         ::chmod((dir / "secret.nmea").c_str(), 0);
         FaultScenario s = Convert(dir / "secret.nmea", {"Permission denied"});
         if (::geteuid() == 0) s.skip = "root reads files without read permission";
         return s;
     }},
    {"SourceIsDirectory",
     [](const TempDir &dir) {
         fs::create_directory(dir / "logs.nmea");
         return Convert(dir / "logs.nmea", {"directory"});
     }},
    {"TargetFolderMissing",
     [](const TempDir &dir) {
         WriteFile(dir / "drive.nmea", DriveLog(3));
         return ConvertTo(dir / "drive.nmea", dir / "nowhere/drive.kml");
     }},
    {"TargetFolderNotWritable",
     [](const TempDir &dir) {
         WriteFile(dir / "drive.nmea", DriveLog(3));
         fs::create_directory(dir / "locked");
         WriteFile(dir / "locked/drive.kml", kOldDocument);
         ::chmod((dir / "locked").c_str(), 0555);
         FaultScenario s = ConvertTo(dir / "drive.nmea", dir / "locked/drive.kml", {"--force"});
         s.named.push_back("Permission denied");
         s.keptTarget = dir / "locked/drive.kml";
         if (::geteuid() == 0) s.skip = "root writes into folders without write permission";
         return s;
     }},
    {"TargetIsDirectory",
     [](const TempDir &dir) {
         WriteFile(dir / "drive.nmea", DriveLog(3));
         fs::create_directory(dir / "out.kml");
         FaultScenario s = ConvertTo(dir / "drive.nmea", dir / "out.kml", {"--force"});
         s.named.push_back("directory");
         return s;
     }},
    {"DefaultTargetIsDirectory",
     [](const TempDir &dir) {
         WriteFile(dir / "drive.nmea", DriveLog(3));
         fs::create_directory(dir / "drive.kml");
         return Convert(dir / "drive.nmea", {dir / "drive.kml", "directory"});
     }},
    {"DeviceWithoutSpace",
     [](const TempDir &dir) {
         WriteFile(dir / "drive.nmea", DriveLog(3));
         FaultScenario s = ConvertTo(dir / "drive.nmea", "/dev/full");
         s.named.push_back("No space left");
         return s;
     }},
    {"FileSizeLimitReachedWhileWriting",
     [](const TempDir &dir) {
         WriteFile(dir / "drive.nmea", LargeLog());
         WriteFile(dir / "drive.kml", kOldDocument);
         FaultScenario s = Convert(dir / "drive.nmea", {dir / "drive.kml", "too large"});
         s.args.insert(s.args.begin(), "-f");
         s.keptTarget = dir / "drive.kml";
         s.spawn.fileSizeLimit = 64 * 1024;
         return s;
     }},
    {"SmallFileSystemFills", [](const TempDir &dir) { return SmallFileSystemFills(dir, "drive.kml", true); }},
    {"SmallFileSystemFillsNewKmz", [](const TempDir &dir) { return SmallFileSystemFills(dir, "drive.kmz", false); }},
    {"SmallFileSystemFillsOldKmz", [](const TempDir &dir) { return SmallFileSystemFills(dir, "drive.kmz", true); }},
    {"FileSizeLimitInTheKmzDirectory",
     [](const TempDir &dir) {
         WriteFile(dir / "drive.nmea", LargeLog());
         // The limit falls inside the archive's directory, written by its final close.
         RunConvert({"--kmz", dir / "drive.nmea"});
         const std::string whole = ReadFile(dir / "drive.kmz");
         WriteFile(dir / "drive.kmz", kOldDocument);
         FaultScenario s = ConvertTo(dir / "drive.nmea", dir / "drive.kmz", {"-f", "--kmz"});
         s.named.push_back("too large");
         s.keptTarget = dir / "drive.kmz";
         s.spawn.fileSizeLimit = whole.find("PK\x01\x02") + 10;
         return s;
     }},
    {"KmzAppendedToStandardOutput", [](const TempDir &dir) { return KmzAppended(dir, "-"); }},
    {"KmzAppendedToDevStdout", [](const TempDir &dir) { return KmzAppended(dir, "/dev/stdout"); }},
    {"KmzAppendedToDevFd", [](const TempDir &dir) { return KmzAppended(dir, "fd"); }},
};

class CliFault : public testing::TestWithParam<FaultCase> {};

TEST_P(CliFault, IsReportedWithTheFileAndLeavesNothingBehind) {
    TempDir dir;
    FaultScenario s = GetParam().setup(dir);
    struct Undo {
        std::function<void()> &undo;
        ~Undo() {
            if (undo) undo();
        }
    } undo{s.undo};
    if (!s.skip.empty()) {
        GTEST_SKIP() << s.skip;
    }
    const bool existed = Exists(s.keptTarget);
    const std::string kept = existed ? ReadFile(s.keptTarget) : "";

    const ProcessResult r = RunConvert(s.args, {}, s.spawn);
    ASSERT_TRUE(r.exited) << "signal " << r.signal;
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.out.empty());
    const auto lines = Lines(r.err);
    ASSERT_EQ(lines.size(), 1u) << r.err;
    EXPECT_EQ(lines[0].rfind(s.log, 0), 0u) << lines[0];
    for (const std::string &part : s.named) {
        EXPECT_TRUE(Contains(lines[0], part)) << lines[0] << "\nlacks " << part;
    }
    EXPECT_TRUE(TemporaryFiles(dir.Path()).empty());
    if (!s.keptTarget.empty()) {
        EXPECT_TRUE(existed ? ReadFile(s.keptTarget) == kept : !Exists(s.keptTarget)) << s.keptTarget << " changed";
    }
}

INSTANTIATE_TEST_SUITE_P(, CliFault, testing::ValuesIn(kFaults),
                         [](const testing::TestParamInfo<FaultCase> &info) { return std::string(info.param.name); });

// Collects output until a temporary file shows the conversion under way.
bool AwaitTemporary(Process &process, const std::string &folder) {
    for (int i = 0; i < 500; ++i) {
        if (!TemporaryFiles(folder).empty()) return true;
        process.Pump(10);
    }
    return false;
}

enum class AfterSignal {
    KeepWriting, // the producer goes on slowly
    Stall,       // the producer keeps the pipe open and sends nothing more
    EndInput,    // the producer ends too, as a Ctrl-C to the whole pipeline does
};

struct SignalCase {
    const char *name;
    int signal;
    AfterSignal after;
};
void PrintTo(const SignalCase &c, std::ostream *os) { *os << c.name; }

class CliInterrupt : public testing::TestWithParam<SignalCase> {};

TEST_P(CliInterrupt, RemovesTheTemporaryFileAndKeepsTheTarget) {
    TempDir dir;
    const std::string target = dir / "live.kml";
    WriteFile(target, kOldDocument);
    Process process({SENTROVA_CONVERT_BIN, "--force", "-o", target, "-"});

    const std::string log = DriveLog(600, 2);
    const size_t half = log.size() / 2;
    ASSERT_TRUE(process.Write(std::string_view(log).substr(0, half)));
    ASSERT_TRUE(AwaitTemporary(process, dir.Path())) << "the conversion did not start";
    // The hard case: the program waits in a read when the signal comes.
    ASSERT_TRUE(process.AwaitInputConsumed());
    process.Signal(GetParam().signal);
    process.Pump(200);

    ProcessResult r;
    switch (GetParam().after) {
    case AfterSignal::KeepWriting:
        for (size_t at = half; at < log.size(); at += 4096) {
            if (!process.Write(std::string_view(log).substr(at, 4096))) break;
            process.Pump(5);
        }
        r = process.Wait(10000);
        break;
    case AfterSignal::Stall: r = process.Wait(10000, /*closeInput=*/false); break;
    case AfterSignal::EndInput: r = process.Wait(10000); break;
    }
    ASSERT_FALSE(r.timedOut) << "still running after the signal";
    ASSERT_TRUE(r.exited) << "ended by signal " << r.signal;
    EXPECT_EQ(r.status, 128 + GetParam().signal);
    EXPECT_EQ(ReadFile(target), kOldDocument);
    EXPECT_TRUE(TemporaryFiles(dir.Path()).empty());
    EXPECT_TRUE(Contains(r.err, "(standard input)")) << r.err;
    EXPECT_TRUE(Contains(r.err, target)) << r.err;
    EXPECT_TRUE(r.out.empty());
}

INSTANTIATE_TEST_SUITE_P(, CliInterrupt,
                         testing::Values(SignalCase{"IntWhileWriting", SIGINT, AfterSignal::KeepWriting},
                                         SignalCase{"TermWhileWriting", SIGTERM, AfterSignal::KeepWriting},
                                         SignalCase{"IntWhileStalled", SIGINT, AfterSignal::Stall},
                                         SignalCase{"TermWhileStalled", SIGTERM, AfterSignal::Stall},
                                         SignalCase{"IntThenEndOfInput", SIGINT, AfterSignal::EndInput},
                                         SignalCase{"TermThenEndOfInput", SIGTERM, AfterSignal::EndInput},
                                         SignalCase{"HupWhileWriting", SIGHUP, AfterSignal::KeepWriting},
                                         SignalCase{"QuitWhileStalled", SIGQUIT, AfterSignal::Stall},
                                         SignalCase{"HupThenEndOfInput", SIGHUP, AfterSignal::EndInput}),
                         [](const testing::TestParamInfo<SignalCase> &info) { return std::string(info.param.name); });

TEST(CliInterruptedBatch, LogsAfterTheInterruptedOneAreNotConverted) {
    TempDir dir;
    const std::string fifo = dir / "live.nmea";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    WriteFile(dir / "empty.nmea", "");
    WriteFile(dir / "later.nmea", DriveLog(5));
    Process process({SENTROVA_CONVERT_BIN, "-j", "1", fifo, dir / "empty.nmea", dir / "later.nmea"});

    int writer = -1;
    for (int i = 0; i < 500 && writer < 0; ++i) {
        writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (writer < 0) process.Pump(10);
    }
    ASSERT_GE(writer, 0) << "the log was never opened";
    const std::string log = DriveLog(20);
    ASSERT_EQ(::write(writer, log.data(), log.size()), static_cast<ssize_t>(log.size()));
    ASSERT_TRUE(AwaitTemporary(process, dir.Path()));
    for (int pending = 1, i = 0; pending > 0 && i < 500; ++i) {
        ::ioctl(writer, FIONREAD, &pending);
        process.Pump(10);
    }
    ASSERT_TRUE(process.AwaitInputConsumed());
    process.Signal(SIGTERM);
    process.Pump(200);
    ::close(writer);

    const ProcessResult r = process.Wait(10000);
    ASSERT_FALSE(r.timedOut);
    ASSERT_TRUE(r.exited) << "ended by signal " << r.signal;
    EXPECT_EQ(r.status, 128 + SIGTERM);
    EXPECT_FALSE(Exists(dir / "live.kml"));
    EXPECT_FALSE(Exists(dir / "empty.kml"));
    EXPECT_FALSE(Exists(dir / "later.kml"));
    EXPECT_TRUE(TemporaryFiles(dir.Path()).empty());
    EXPECT_EQ(r.err.rfind(fifo, 0), 0u) << r.err;
}

} // namespace
} // namespace clitest
