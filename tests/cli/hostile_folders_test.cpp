// Hostile folders and unlucky endings, end to end: files planted by another
// user where a KML would go, signals at the worst moment, closed standard
// streams, resource limits and names made to break lines. One row per case;
// after every row no temporary file is left in the folder.
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sys/stat.h>
#include <thread>
#include <tuple>
#include <unistd.h>

#include "cli/cli_support.h"
#include "support/text_search.h"

namespace clitest {
namespace {
namespace fs = std::filesystem;

using sentrova_test::Contains;

// The leak checker needs a thread of its own and no tracer: off where there is
// neither (a sanitizer build; the variable means nothing to a plain one).
const std::string kNoLeakCheck = "ASAN_OPTIONS=abort_on_error=1:detect_leaks=0";

// A world-writable folder with the sticky bit, as /tmp: others may plant
// files there, and our own run as nobody may write there.
void MakeShared(const TempDir &dir) { ::chmod(dir.Path().c_str(), 01777); }

// A log readable by everybody, and the document the engine makes of it.
std::string PlaceLog(const TempDir &dir, const std::string &name, int seconds, int seed = 0) {
    const std::string path = dir / name;
    WriteFile(path, DriveLog(seconds, seed));
    ::chmod(path.c_str(), 0644);
    return path;
}

std::string DocumentOf(const std::string &log) { return EngineConvert(log, {}).kml; }

// The converter left this entry as it was planted: a link or a pipe, not a file.
void ExpectStillPlanted(const std::string &path, mode_t type) {
    struct stat entry {};
    ASSERT_EQ(::lstat(path.c_str(), &entry), 0) << path;
    EXPECT_EQ(entry.st_mode & S_IFMT, type) << path;
}

// A pipe read without blocking: whatever the converter writes into it shows.
class PipeWatch {
  public:
    explicit PipeWatch(const std::string &fifo) : fd_(::open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)) {}
    ~PipeWatch() {
        if (fd_ >= 0) ::close(fd_);
    }
    bool Open() const { return fd_ >= 0; }
    std::string Received() const {
        std::string bytes;
        char buffer[4096];
        for (ssize_t n; (n = ::read(fd_, buffer, sizeof buffer)) > 0;) bytes.append(buffer, static_cast<size_t>(n));
        return bytes;
    }

  private:
    int fd_;
};

void ExpectSkippedAsExisting(const ProcessResult &r, const std::string &target) {
    ASSERT_TRUE(r.exited) << "signal " << r.signal;
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Contains(r.err, target + " exists, skipped")) << r.err;
    EXPECT_EQ(Lines(r.err).size(), 1u) << r.err;
}

// 1. Another user's link or pipe where the log's KML goes is never written into.
void PlantedLinkToDevice(const TempDir &dir) {
    MakeShared(dir);
    const std::string log = PlaceLog(dir, "track.nmea", 5);
    ::chmod(log.c_str(), 0600);
    fs::create_symlink("/dev/full", dir / "track.kml");
    GiveToNobody(dir / "track.kml");
    ExpectSkippedAsExisting(RunConvert({log}), dir / "track.kml");
    ExpectStillPlanted(dir / "track.kml", S_IFLNK);
    EXPECT_EQ(fs::read_symlink(dir / "track.kml"), "/dev/full");
}

void PlantedPipe(const TempDir &dir) {
    MakeShared(dir);
    const std::string log = PlaceLog(dir, "track.nmea", 5);
    ::chmod(log.c_str(), 0600);
    ASSERT_EQ(::mkfifo((dir / "track.kml").c_str(), 0666), 0);
    GiveToNobody(dir / "track.kml");
    const PipeWatch watch(dir / "track.kml");
    ASSERT_TRUE(watch.Open());
    ExpectSkippedAsExisting(RunConvert({log}), dir / "track.kml");
    EXPECT_EQ(watch.Received(), "");
    ExpectStillPlanted(dir / "track.kml", S_IFIFO);
}

void PlantedLinkToPipe(const TempDir &dir) {
    MakeShared(dir);
    const std::string log = PlaceLog(dir, "track.nmea", 5);
    ASSERT_EQ(::mkfifo((dir / "elsewhere").c_str(), 0666), 0);
    fs::create_symlink(dir / "elsewhere", dir / "track.kml");
    GiveToNobody(dir / "elsewhere");
    GiveToNobody(dir / "track.kml");
    const PipeWatch watch(dir / "elsewhere");
    ASSERT_TRUE(watch.Open());
    // Named with -o it is a link all the same: not followed.
    ExpectSkippedAsExisting(RunConvert({"-o", dir / "track.kml", log}), dir / "track.kml");
    EXPECT_EQ(watch.Received(), "");
    ExpectStillPlanted(dir / "track.kml", S_IFLNK);
}

// 2. Ctrl-C to a pipeline: the producer ends at the same moment; the end of
// input that follows is no end of the log. Repeated, as the moment varies.
void PipelineInterrupted(const TempDir &dir) {
    const std::string target = dir / "big.kml";
    const std::string log = DriveLog(120, 4);
    for (int trial = 0; trial < 10; ++trial) {
        SCOPED_TRACE("trial " + std::to_string(trial));
        WriteFile(target, kOldDocument);
        Process process({SENTROVA_CONVERT_BIN, "--force", "-o", target, "-"});
        ASSERT_TRUE(process.Write(std::string_view(log).substr(0, log.size() / 2 + trial * 997)));
        ASSERT_TRUE(process.AwaitInputConsumed());
        process.Signal(SIGINT);
        const ProcessResult r = process.Wait(10000);
        ASSERT_TRUE(r.exited) << "signal " << r.signal;
        EXPECT_EQ(r.status, 130);
        EXPECT_EQ(ReadFile(target), kOldDocument);
        EXPECT_TRUE(Contains(r.err, "interrupted; " + target + " not written")) << r.err;
    }
}

// 3. A closed standard stream never becomes a file we write.
void ClosedStandardError(const TempDir &dir) {
    const std::string log = PlaceLog(dir, "drive.nmea", 20);
    SpawnOptions spawn;
    spawn.standardError = kClosed;
    const ProcessResult r = RunConvert({"-o", dir / "drive.kml", log}, {}, spawn);
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(ReadFile(dir / "drive.kml"), DocumentOf(log));
}

void ClosedStandardOutput(const TempDir &dir) {
    const std::string log = PlaceLog(dir, "drive.nmea", 20);
    SpawnOptions spawn;
    spawn.standardOutput = kClosed;
    const ProcessResult r = RunConvert({"-o", "-", log}, {}, spawn);
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Contains(r.err, log + ": cannot write (standard output): Bad file descriptor")) << r.err;
}

// 4. Out of threads (a process limit): the conversion goes on without them.
void ThreadLimit(const TempDir &dir) {
    MakeShared(dir);
    const std::string first = PlaceLog(dir, "first.nmea", 1200, 1);
    const std::string second = PlaceLog(dir, "second.nmea", 1200, 2);
    ASSERT_GT(DocumentOf(first).size(), 1u << 20) << "too small to need the writer thread";
    SpawnOptions spawn;
    spawn.environment = {kNoLeakCheck};
    Process process(AsNobody({"/usr/bin/prlimit", "--nproc=1", "--", SENTROVA_CONVERT_BIN, "-j", "2", first, second}),
                    spawn);
    const ProcessResult limited = process.Wait(60000);
    ASSERT_TRUE(limited.exited) << "signal " << limited.signal;
    EXPECT_EQ(limited.status, 0) << limited.err;
    EXPECT_EQ(Lines(limited.err).size(), 2u) << limited.err;
    EXPECT_EQ(ReadFile(dir / "first.kml"), DocumentOf(first));
    EXPECT_EQ(ReadFile(dir / "second.kml"), DocumentOf(second));
}

// 4. Out of memory (ulimit -v): the log's error, reported. Where exactly the
// memory runs out varies with the build and the layout, so a range of limits
// is tried: each run either never starts (the loader fails), converts, or
// reports the failure; none dies, and some limit makes the conversion fail.
void AddressSpaceLimit(const TempDir &dir) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer needs more address space than any limit leaves";
#endif
    const std::string log = PlaceLog(dir, "drive.nmea", 20);
    const std::string kml = dir / "drive.kml";
    int failures = 0;
    for (rlim_t limit = 4u << 20; limit <= 16u << 20; limit += 256u << 10) {
        SCOPED_TRACE("limit " + std::to_string(limit));
        WriteFile(kml, kOldDocument);
        SpawnOptions spawn;
        spawn.addressSpaceLimit = limit;
        const ProcessResult r = RunConvert({"--force", log}, {}, spawn);
        EXPECT_EQ(ReadFile(kml), r.exited && r.status == 0 ? DocumentOf(log) : kOldDocument);
        // Too little even to load the libraries, or for the C++ runtime to
        // allocate the exception itself: nothing a program can answer.
        if (r.exited && r.status == 127) continue;
        if (r.signal == SIGABRT && r.err == "terminate called without an active exception\n") continue;
        ASSERT_TRUE(r.exited) << "signal " << r.signal << ": " << r.err;
        ASSERT_EQ(Lines(r.err).size(), 1u) << r.err;
        if (r.status == 0) continue;
        ++failures;
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, log + ": cannot write " + kml + ": Cannot allocate memory; nothing kept\n");
    }
    EXPECT_GT(failures, 0);
}

// 5. The scratch files of --line and of the KML track's columns go where
// TMPDIR says, and a failure there says so.
void ScratchInTmpdir(const TempDir &dir) {
    const std::string log = PlaceLog(dir, "drive.nmea", 20);
    fs::create_directory(dir / "scratch");
    for (const auto &[option, scratch, shows] :
         {std::tuple{"--line", "the track line's temporary file in ", "<LineString>"},
          std::tuple{"--format=kml-track", "the KML track's temporary file in ", "<gx:Track>"}}) {
        SCOPED_TRACE(option);
        SpawnOptions spawn;
        spawn.environment = {"TMPDIR=" + (dir / "missing"), kNoLeakCheck};
        ProcessResult r = RunConvert({option, log}, {}, spawn);
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(Contains(r.err, scratch + (dir / "missing") + ": No such file")) << r.err;
        EXPECT_FALSE(Exists(dir / "drive.kml"));
        const std::string trace = dir / "trace.txt";
        spawn.environment = {"TMPDIR=" + (dir / "scratch"), kNoLeakCheck};
        r = Process({"/usr/bin/strace", "-f", "-qq", "-e", "trace=open,openat", "-o", trace, SENTROVA_CONVERT_BIN,
                     option, log},
                    spawn)
                .Wait();
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_TRUE(Contains(ReadFile(dir / "drive.kml"), shows));
        EXPECT_TRUE(fs::is_empty(dir / "scratch"));
        const std::string opened = ReadFile(trace), inScratch = (dir / "scratch") + "\", O_RDWR|O_EXCL|O_CLOEXEC";
        EXPECT_TRUE(Contains(opened, inScratch + "|O_TMPFILE")) << opened;
        EXPECT_FALSE(Contains(opened, "\"/tmp\", O_RDWR")) << opened;
        fs::remove(dir / "drive.kml");
    }
}

// A folder renamed while its document is made: the message is right, and the
// temporary file goes with the run.
void FolderRenamedWhileConverting(const TempDir &dir) {
    fs::create_directory(dir / "out");
    Process process({SENTROVA_CONVERT_BIN, "-o", dir / "out/live.kml", "-"});
    const std::string log = DriveLog(120, 3);
    ASSERT_TRUE(process.Write(std::string_view(log).substr(0, log.size() / 2)));
    for (int i = 0; i < 500 && TemporaryFiles(dir / "out").empty(); ++i) process.Pump(10);
    ASSERT_FALSE(TemporaryFiles(dir / "out").empty()) << "the conversion did not start";
    fs::rename(dir / "out", dir / "moved");
    process.Write(std::string_view(log).substr(log.size() / 2));
    const ProcessResult r = process.Wait();
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Contains(r.err, "its folder was moved or removed during the conversion; nothing kept")) << r.err;
    EXPECT_FALSE(Exists(dir / "moved/live.kml"));
}

// Names that are no UTF-8, in every document that carries the log's name.
void MalformedNamesAreValidXml(const TempDir &dir) {
    for (const char *name :
         {"over\xc0\xaf.nmea", "sur\xed\xa0\x80.nmea", "non\xef\xbf\xbe.nmea", "big\xf4\x90\x80\x80.nmea"}) {
        const std::string log = PlaceLog(dir, name, 5);
        for (const std::vector<std::string> &options : std::vector<std::vector<std::string>>{
                 {"--format", "gpx"}, {"--format", "kml-track"}, {"--line"}, {"--line", "--kmz"}}) {
            SCOPED_TRACE(std::string(name, 3) + " " + options.front());
            std::vector<std::string> args = options;
            const std::string out = dir / (options.back() == "--kmz" ? "out.kmz" : "out.xml");
            args.insert(args.end(), {"-f", "-o", out, log});
            ASSERT_EQ(RunConvert(args).status, 0);
            if (options.back() == "--kmz")
                WriteFile(dir / "out.xml", RunTool({"/usr/bin/unzip", "-p", out, "doc.kml"}, "unzip").out);
            EXPECT_EQ(XmlProblems(dir / "out.xml"), "");
            EXPECT_TRUE(Contains(ReadFile(dir / "out.xml"), "\uFFFD"));
        }
    }
}

// 6. /dev/stdout and /dev/fd/1 name standard output, whatever it is open on.
void DevStdoutIntoAFile(const TempDir &dir) {
    const std::string log = PlaceLog(dir, "drive.nmea", 20);
    const int file = ::open((dir / "file.kml").c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    ASSERT_GE(file, 0);
    SpawnOptions spawn;
    spawn.standardOutput = file;
    const ProcessResult r = RunConvert({"--force", "-o", "/dev/stdout", log}, {}, spawn);
    ::close(file);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFile(dir / "file.kml"), DocumentOf(log));
    ExpectStillPlanted("/dev/stdout", S_IFLNK);
}

void DevFdOneIntoAPipe(const TempDir &dir) {
    const std::string log = PlaceLog(dir, "drive.nmea", 20);
    const ProcessResult r = RunConvert({"--force", "-o", "/dev/fd/1", log});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, DocumentOf(log));
}

// 7. Names another user made ready for us beforehand are never in the way.
void PlantedTemporaryNames(const TempDir &dir) {
    MakeShared(dir);
    const std::string log = PlaceLog(dir, "drive.nmea", 20);
    long last = 0;
    std::ifstream("/proc/sys/kernel/ns_last_pid") >> last;
    for (long pid = last + 1; pid <= last + 200; ++pid) {
        for (int n = 0; n < 2; ++n) {
            const std::string name = dir / (".drive.kml." + std::to_string(pid) + "." + std::to_string(n) + ".tmp");
            WriteFile(name, "planted");
            GiveToNobody(name);
        }
    }
    const ProcessResult r = RunConvert({log});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFile(dir / "drive.kml"), DocumentOf(log));
    size_t planted = 0;
    for (const fs::directory_entry &e : fs::directory_iterator(dir.Path())) {
        if (e.path().filename().string().ends_with(".tmp")) {
            ++planted;
            fs::remove(e.path()); // not ours, and not what the row looks for afterwards
        }
    }
    EXPECT_EQ(planted, 400u);
}

// 8. One log, one line, whatever its name holds.
void ControlCharactersInNames(const TempDir &dir) {
    const std::string newline = PlaceLog(dir, "two\nlines.nmea", 5);
    const std::string escape = PlaceLog(dir, "esc\x1b[2J.nmea", 5, 1);
    const std::string c1 = PlaceLog(dir, "c1\xc2\x85\xc2\x9b.nmea", 5, 2); // U+0085, U+009B
    const std::string raw = PlaceLog(dir, "raw\x9b-.nmea", 5, 3);          // a terminal's CSI
    const ProcessResult r = RunConvert({newline, escape, c1, raw});
    EXPECT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> lines = Lines(r.err);
    ASSERT_EQ(lines.size(), 4u) << r.err;
    EXPECT_EQ(lines[0].rfind(dir / "two\\nlines.nmea -> " + (dir / "two\\nlines.kml") + ": ", 0), 0u) << lines[0];
    EXPECT_EQ(lines[1].rfind(dir / "esc\\x1b[2J.nmea -> ", 0), 0u) << lines[1];
    EXPECT_EQ(lines[2].rfind(dir / "c1\\xc2\\x85\\xc2\\x9b.nmea -> ", 0), 0u) << lines[2];
    EXPECT_EQ(lines[3].rfind(dir / "raw\\x9b-.nmea -> ", 0), 0u) << lines[3];
}

// Also: --force over another user's KML leaves it theirs, with its mode.
void ForceKeepsTheOwner(const TempDir &dir) {
    MakeShared(dir);
    const std::string log = PlaceLog(dir, "drive.nmea", 20);
    const std::string kml = dir / "drive.kml";
    WriteFile(kml, kOldDocument);
    ::chmod(kml.c_str(), 0600);
    GiveToNobody(kml);
    struct stat before {};
    ASSERT_EQ(::stat(kml.c_str(), &before), 0);
    const ProcessResult r = RunConvert({"--force", log});
    EXPECT_EQ(r.status, 0) << r.err;
    struct stat after {};
    ASSERT_EQ(::stat(kml.c_str(), &after), 0);
    EXPECT_NE(after.st_ino, before.st_ino) << "not replaced";
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    EXPECT_EQ(after.st_mode & 07777, 0600u);
    Process reader(AsNobody({"/bin/cat", kml}));
    const ProcessResult read = reader.Wait();
    EXPECT_EQ(read.status, 0) << read.err;
    EXPECT_EQ(read.out, DocumentOf(log));
}

// Also: a replaced KML is flushed to disk before the rename, a new one is not.
void FlushedBeforeReplacing(const TempDir &dir) {
    const std::string log = PlaceLog(dir, "drive.nmea", 20);
    const std::string trace = dir / "trace.txt";
    for (const bool replacing : {false, true}) {
        SCOPED_TRACE(replacing ? "replacing" : "new");
        if (replacing) WriteFile(dir / "drive.kml", kOldDocument);
        SpawnOptions spawn;
        spawn.environment = {kNoLeakCheck};
        Process process({"/usr/bin/strace", "-f", "-qq", "-e", "trace=fsync,fdatasync,rename,renameat,renameat2", "-o",
                         trace, SENTROVA_CONVERT_BIN, "--force", "-o", dir / "drive.kml", log},
                        spawn);
        const ProcessResult r = process.Wait();
        if (!Exists(trace) || ReadFile(trace).empty()) GTEST_SKIP() << "strace cannot trace here: " << r.err;
        EXPECT_EQ(r.status, 0) << r.err;
        bool flushed = false, renamed = false, flushedBeforeRename = false;
        for (const std::string &line : Lines(ReadFile(trace))) {
            if (Contains(line, "rename")) {
                renamed = true;
                flushedBeforeRename = flushed;
            } else if (Contains(line, "sync(")) {
                flushed = true;
            }
        }
        EXPECT_TRUE(renamed);
        EXPECT_EQ(flushedBeforeRename, replacing);
        EXPECT_EQ(ReadFile(dir / "drive.kml"), DocumentOf(log));
        fs::remove(trace);
    }
}

// Also: a signal that comes after the KML is in place interrupted nothing.
// The summary waits in a full standard error pipe, after the rename.
void SignalAfterTheRename(const TempDir &dir) {
    const std::string log = PlaceLog(dir, "drive.nmea", 20);
    int err[2];
    ASSERT_EQ(::pipe2(err, O_CLOEXEC | O_NONBLOCK), 0);
    const std::string filler(4096, 'x');
    size_t filled = 0;
    for (ssize_t n; (n = ::write(err[1], filler.data(), filler.size())) > 0;) filled += static_cast<size_t>(n);
    ::fcntl(err[0], F_SETFL, 0);
    ::fcntl(err[1], F_SETFL, 0); // the summary waits, rather than fails, while the pipe is full
    SpawnOptions spawn;
    spawn.standardError = err[1];
    Process process({SENTROVA_CONVERT_BIN, log}, spawn);
    ::close(err[1]);
    for (int i = 0; i < 1000 && !Exists(dir / "drive.kml"); ++i) ::usleep(10000);
    ASSERT_TRUE(Exists(dir / "drive.kml"));
    process.Signal(SIGINT);
    std::string said;
    char buffer[65536];
    for (ssize_t n; (n = ::read(err[0], buffer, sizeof buffer)) > 0;) said.append(buffer, static_cast<size_t>(n));
    ::close(err[0]);
    const ProcessResult r = process.Wait();
    ASSERT_TRUE(r.exited) << "signal " << r.signal;
    EXPECT_EQ(r.status, 0);
    ASSERT_GE(said.size(), filled);
    EXPECT_EQ(said.substr(filled).rfind(log + " -> " + (dir / "drive.kml") + ": ", 0), 0u) << said.substr(filled);
    EXPECT_EQ(ReadFile(dir / "drive.kml"), DocumentOf(log));
}

// Also: an interrupted document on standard output is out there, incomplete.
void InterruptedStandardOutput(const TempDir &) {
    Process process({SENTROVA_CONVERT_BIN, "-o", "-", "-"});
    const std::string log = DriveLog(1200, 3);
    ASSERT_TRUE(process.Write(std::string_view(log).substr(0, log.size() / 2)));
    ASSERT_TRUE(process.AwaitInputConsumed());
    process.Signal(SIGINT);
    process.Pump(200);
    const ProcessResult r = process.Wait(10000);
    ASSERT_TRUE(r.exited) << "signal " << r.signal;
    EXPECT_EQ(r.status, 130);
    EXPECT_TRUE(Contains(r.err, "(standard input): interrupted; (standard output) left incomplete")) << r.err;
    EXPECT_TRUE(Contains(r.out, "<Placemark>"));
    EXPECT_FALSE(Contains(r.out, "</kml>"));
}

struct FolderCase {
    const char *name;
    void (*run)(const TempDir &);
};
void PrintTo(const FolderCase &c, std::ostream *os) { *os << c.name; }

const FolderCase kCases[] = {
    {"PlantedLinkToDevice", PlantedLinkToDevice},
    {"PlantedPipe", PlantedPipe},
    {"PlantedLinkToPipe", PlantedLinkToPipe},
    {"PipelineInterrupted", PipelineInterrupted},
    {"ClosedStandardError", ClosedStandardError},
    {"ClosedStandardOutput", ClosedStandardOutput},
    {"ThreadLimit", ThreadLimit},
    {"AddressSpaceLimit", AddressSpaceLimit},
    {"ScratchInTmpdir", ScratchInTmpdir},
    {"FolderRenamedWhileConverting", FolderRenamedWhileConverting},
    {"MalformedNamesAreValidXml", MalformedNamesAreValidXml},
    {"DevStdoutIntoAFile", DevStdoutIntoAFile},
    {"DevFdOneIntoAPipe", DevFdOneIntoAPipe},
    {"PlantedTemporaryNames", PlantedTemporaryNames},
    {"ControlCharactersInNames", ControlCharactersInNames},
    {"ForceKeepsTheOwner", ForceKeepsTheOwner},
    {"FlushedBeforeReplacing", FlushedBeforeReplacing},
    {"SignalAfterTheRename", SignalAfterTheRename},
    {"InterruptedStandardOutput", InterruptedStandardOutput},
};

class CliHostileFolder : public testing::TestWithParam<FolderCase> {};

TEST_P(CliHostileFolder, EndsAsItShouldAndLeavesNoTemporaryFile) {
    TempDir dir;
    GetParam().run(dir);
    EXPECT_TRUE(TemporaryFiles(dir.Path()).empty());
}

INSTANTIATE_TEST_SUITE_P(, CliHostileFolder, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<FolderCase> &info) { return std::string(info.param.name); });

} // namespace
} // namespace clitest
