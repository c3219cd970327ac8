// Failures of a conversion: every write, read and open error becomes an
// outcome, and no failure leaves a half-written document or a temporary file
// behind or touches a target that was there before.
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include "conversion/kml_writer.h"
#include "conversion/run.h"
#include "conversion_test_support.h"

namespace {

using namespace sentrova_test;
using conversion::ConversionOutcome;
using conversion::ConversionRequest;
using conversion::OutcomeKind;
namespace fs = std::filesystem;

// A log of three placemarks, large enough that a placemark does not fit the
// smaller output blocks used below.
std::string ThreeFixes() {
    std::string log;
    for (const char *time : {"120001", "120002", "120003", "120004"})
        log += Nmea(std::string("GPRMC,") + time + ",A,3351.40734,S,15112.91782,E,012.5,084.4,150308,,") + "\r\n";
    return log;
}

// Takes `limit` bytes, then fails the way a full disk does.
class FullAfterSink : public conversion::ByteSink {
  public:
    explicit FullAfterSink(size_t limit) : limit_(limit) {}
    bool Write(const char *data, size_t size) override {
        const size_t room = limit_ - std::min(limit_, bytes.size());
        bytes.append(data, std::min(room, size));
        if (size <= room) return true;
        error_ = ENOSPC;
        return false;
    }
    std::string bytes;

  private:
    size_t limit_;
};

// Every write can fail: the header, any placemark, the footer, the last flush;
// written in line or by the background writer.
TEST(StreamFailure, WriteFailureAtAnyByteIsReported) {
    using Writes = conversion::OutputBuffer::Writes;
    const std::string log = ThreeFixes();
    const StreamResult whole = Convert(log);
    ASSERT_EQ(whole.outcome.kind, OutcomeKind::Done);
    ASSERT_EQ(whole.outcome.counts.placemarks, 3u);
    for (Writes writes : {Writes::InLine, Writes::InBackground}) {
        const bool background = writes == Writes::InBackground;
        for (size_t block : {size_t{1}, size_t{7}, size_t{1000}, conversion::OutputBuffer::kBlockSize}) {
            if (background && block == 1) continue; // a thread hand-over per byte: slow, and nothing new
            // Every byte in line; in the background a spread of them (a thread hand-over per block).
            for (size_t limit = 0; limit <= whole.kml.size(); limit += background ? 1 + limit % 89 : 1) {
                conversion::MemorySource source(log);
                FullAfterSink sink(limit);
                conversion::OutputBuffer out(sink, block, writes);
                const ConversionOutcome outcome = conversion::ConvertStream(source, out, {});
                const std::string where = "block " + std::to_string(block) + (background ? " in the background" : "") +
                                          ", fails after " + std::to_string(limit);
                if (limit == whole.kml.size()) {
                    EXPECT_EQ(outcome.kind, OutcomeKind::Done) << where;
                    EXPECT_EQ(sink.bytes, whole.kml) << where;
                    continue;
                }
                ASSERT_EQ(outcome.kind, OutcomeKind::WriteFailed) << KindName(outcome.kind) << ", " << where;
                ASSERT_EQ(outcome.systemError, std::strerror(ENOSPC)) << where;
                EXPECT_EQ(sink.bytes, whole.kml.substr(0, limit)) << where;
            }
            // The last limit of the spread may have stepped past the end.
            conversion::MemorySource source(log);
            FullAfterSink sink(whole.kml.size());
            conversion::OutputBuffer out(sink, block, writes);
            EXPECT_EQ(conversion::ConvertStream(source, out, {}).kind, OutcomeKind::Done);
            EXPECT_EQ(sink.bytes, whole.kml);
        }
    }
}

TEST(StreamFailure, ReadErrorIsReportedWithoutFooter) {
    const std::string log = ThreeFixes();
    FailingSource source(log);
    conversion::MemorySink sink;
    conversion::OutputBuffer out(sink);
    const ConversionOutcome outcome = conversion::ConvertStream(source, out, {});
    EXPECT_EQ(outcome.kind, OutcomeKind::ReadFailed);
    EXPECT_EQ(outcome.systemError, std::strerror(EIO));
    EXPECT_EQ(sink.bytes.find("</kml>"), std::string::npos);
}

// Cancels once the first placemark is out.
class CancelAfterFirst : public conversion::CycleHook {
  public:
    explicit CancelAfterFirst(std::atomic<bool> &cancel) : cancel_(cancel) {}
    bool OnCycle(conversion::OutputBuffer &out, const nmea::NMEA_Manager &fix,
                 const conversion::PlacemarkDate &date) override {
        conversion::WritePlacemark(out, fix.Display, date);
        cancel_ = true;
        return true;
    }

  private:
    std::atomic<bool> &cancel_;
};

TEST(StreamFailure, CancelStopsBeforeTheNextLine) {
    std::atomic<bool> cancel{false};
    CancelAfterFirst hook(cancel);
    const std::string log = ThreeFixes();
    conversion::MemorySource source(log);
    conversion::MemorySink sink;
    conversion::OutputBuffer out(sink);
    const ConversionOutcome outcome = conversion::ConvertStream(source, out, {}, &cancel, &hook);
    EXPECT_EQ(outcome.kind, OutcomeKind::Cancelled);
    EXPECT_EQ(outcome.counts.placemarks, 1u);
    EXPECT_EQ(sink.bytes.find("</kml>"), std::string::npos);
}

// Files on disk -----------------------------------------------------------

const std::string kOldTarget = "the target as it was\r\n";

// Lowers the largest file this process may write, so that a regular file
// fills up like a full disk: writes beyond it fail with EFBIG.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &previous_);
        rlimit lowered = previous_;
        lowered.rlim_cur = bytes;
        active_ = setrlimit(RLIMIT_FSIZE, &lowered) == 0;
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    bool Active() const { return active_; }

  private:
    rlimit previous_{};
    void (*previousHandler_)(int) = SIG_DFL;
    bool active_ = false;
};

struct Scene {
    ScratchDir dir;
    ConversionRequest request;
    Scene(bool targetExists, bool replace) {
        WriteFile(dir / "log.nmea", ThreeFixes());
        request.sourcePath = dir / "log.nmea";
        request.targetPath = dir / "log.kml";
        request.replaceExisting = replace;
        if (targetExists) WriteFile(request.targetPath, kOldTarget);
    }
};

struct LeftAloneCase {
    const char *name;
    OutcomeKind kind;
    ConversionOutcome (*run)(Scene &);
};

ConversionOutcome WithChecksums(Scene &scene) {
    std::string broken = Nmea("GPRMC,120005,A,,,,,,,150308,,");
    broken.back() = broken.back() == '0' ? '1' : '0';
    WriteFile(scene.request.sourcePath, ThreeFixes() + broken + "\r\n" + ThreeFixes());
    scene.request.options.verifyChecksums = true;
    return conversion::ConvertFile(scene.request);
}

ConversionOutcome FullDisk(Scene &scene) {
    // Large enough for the header, too small for the whole document.
    FileSizeLimit limit(600);
    if (!limit.Active()) return {};
    return conversion::ConvertFile(scene.request);
}

ConversionOutcome CancelledBeforeRun(Scene &scene) {
    std::atomic<bool> cancel{true};
    scene.request.cancel = &cancel;
    return conversion::ConvertFile(scene.request);
}

ConversionOutcome OpenedButNeverRun(Scene &scene) {
    conversion::FileConversion conversion(scene.request);
    const ConversionOutcome opened = conversion.Open();
    if (opened.kind != OutcomeKind::Done) return opened;
    ConversionOutcome cancelled;
    cancelled.kind = OutcomeKind::Cancelled;
    return cancelled;
}

// Refused when the files are opened, before any work is done.
ConversionOutcome NotAgreedToReplace(Scene &scene) {
    scene.request.replaceExisting = false;
    conversion::FileConversion conversion(scene.request);
    return conversion.Open();
}

// Another program creates the target while the log is converted.
ConversionOutcome TargetAppearsMeanwhile(Scene &scene) {
    scene.request.replaceExisting = false;
    fs::remove(scene.request.targetPath);
    conversion::FileConversion conversion(scene.request);
    const ConversionOutcome opened = conversion.Open();
    if (opened.kind != OutcomeKind::Done) return opened;
    WriteFile(scene.request.targetPath, kOldTarget);
    return conversion.Run();
}

ConversionOutcome TargetIsTheSource(Scene &scene) {
    scene.request.targetPath = scene.request.sourcePath;
    return conversion::ConvertFile(scene.request);
}

ConversionOutcome TargetLinksToTheSource(Scene &scene) {
    fs::remove(scene.request.targetPath);
    fs::create_symlink(scene.request.sourcePath, scene.request.targetPath);
    return conversion::ConvertFile(scene.request);
}

const LeftAloneCase kLeftAloneCases[] = {
    {"FormatError", OutcomeKind::FormatError, WithChecksums},
    {"WriteFailed", OutcomeKind::WriteFailed, FullDisk},
    {"Cancelled", OutcomeKind::Cancelled, CancelledBeforeRun},
    {"OpenedButNeverRun", OutcomeKind::Cancelled, OpenedButNeverRun},
    {"NotAgreedToReplace", OutcomeKind::TargetExists, NotAgreedToReplace},
    {"TargetAppearsMeanwhile", OutcomeKind::TargetExists, TargetAppearsMeanwhile},
    {"TargetIsTheSource", OutcomeKind::TargetNotOpenable, TargetIsTheSource},
    {"TargetLinksToTheSource", OutcomeKind::TargetNotOpenable, TargetLinksToTheSource},
};

void PrintTo(const LeftAloneCase &c, std::ostream *os) { *os << c.name; }

class LeftAlone : public ::testing::TestWithParam<LeftAloneCase> {};

TEST_P(LeftAlone, NothingIsLeftBehindAndNothingChanges) {
    const LeftAloneCase &c = GetParam();
    for (bool targetExists : {false, true}) {
        SCOPED_TRACE(targetExists ? "target existed" : "no target before");
        Scene scene(targetExists, true);
        if (!targetExists && (c.kind == OutcomeKind::TargetExists || c.run == TargetLinksToTheSource)) continue;
        const std::vector<std::string> before = scene.dir.Entries();
        const std::string source = ReadFile(scene.request.sourcePath);
        const ConversionOutcome outcome = c.run(scene);
        if (c.run == FullDisk && outcome.kind == OutcomeKind::Done && outcome.counts.lines == 0)
            GTEST_SKIP() << "cannot lower the file size limit here";
        EXPECT_EQ(outcome.kind, c.kind) << KindName(outcome.kind);
        std::vector<std::string> after = scene.dir.Entries();
        if (c.run == TargetAppearsMeanwhile && !targetExists) std::erase(after, "log.kml"); // made by the test
        EXPECT_EQ(after, before);
        if (targetExists || c.run == TargetAppearsMeanwhile) {
            EXPECT_EQ(ReadFile(scene.dir / "log.kml"), c.run == TargetLinksToTheSource ? source : kOldTarget);
        }
        if (c.run != WithChecksums) {
            EXPECT_EQ(ReadFile(scene.dir / "log.nmea"), source);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Failures, LeftAlone, ::testing::ValuesIn(kLeftAloneCases),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(FileConversion, FullDiskGivesTheSystemsText) {
    Scene scene(false, false);
    FileSizeLimit limit(600);
    if (!limit.Active()) GTEST_SKIP() << "cannot lower the file size limit here";
    const ConversionOutcome outcome = conversion::ConvertFile(scene.request);
    EXPECT_EQ(outcome.kind, OutcomeKind::WriteFailed);
    EXPECT_EQ(outcome.systemError, std::strerror(EFBIG));
}

TEST(FileConversion, WritesANewTargetAndReplacesAnOldOneWhenAgreed) {
    Scene scene(false, false);
    const std::string expected = Convert(ThreeFixes()).kml;
    ConversionOutcome outcome = conversion::ConvertFile(scene.request);
    ASSERT_EQ(outcome.kind, OutcomeKind::Done) << outcome.systemError;
    EXPECT_EQ(outcome.counts.placemarks, 3u);
    EXPECT_EQ(outcome.counts.lines, 4u);
    EXPECT_EQ(ReadFile(scene.request.targetPath), expected);
    EXPECT_EQ(scene.dir.Entries(), (std::vector<std::string>{"log.kml", "log.nmea"}));

    WriteFile(scene.request.targetPath, kOldTarget);
    scene.request.replaceExisting = true;
    outcome = conversion::ConvertFile(scene.request);
    ASSERT_EQ(outcome.kind, OutcomeKind::Done) << outcome.systemError;
    EXPECT_EQ(ReadFile(scene.request.targetPath), expected);
    EXPECT_EQ(scene.dir.Entries(), (std::vector<std::string>{"log.kml", "log.nmea"}));
}

// Replacing a document keeps who may read it; a new one gets the usual mode.
TEST(FileConversion, ReplacedTargetKeepsItsPermissions) {
    Scene scene(true, true);
    const mode_t mask = ::umask(022);
    ::umask(mask);
    for (const fs::perms perms : {fs::perms::owner_read | fs::perms::owner_write,
                                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read}) {
        fs::permissions(scene.request.targetPath, perms);
        ASSERT_EQ(conversion::ConvertFile(scene.request).kind, OutcomeKind::Done);
        EXPECT_EQ(fs::status(scene.request.targetPath).permissions(), perms);
    }
    fs::remove(scene.request.targetPath);
    ASSERT_EQ(conversion::ConvertFile(scene.request).kind, OutcomeKind::Done);
    EXPECT_EQ(fs::status(scene.request.targetPath).permissions(), static_cast<fs::perms>(0666 & ~mask));
}

// The temporary file beside the target must not need a longer name than the target.
TEST(FileConversion, TargetNameOfAnyAllowedLength) {
    Scene scene(false, false);
    const long longest = ::pathconf(scene.dir.path().c_str(), _PC_NAME_MAX);
    for (const size_t length : {size_t{1}, size_t{200}, static_cast<size_t>(longest > 0 ? longest : 255)}) {
        const std::string name = std::string(length - std::min<size_t>(length, 4), 'k') + ".kml";
        scene.request.targetPath = scene.dir / name.substr(name.size() - length);
        const ConversionOutcome outcome = conversion::ConvertFile(scene.request);
        EXPECT_EQ(outcome.kind, OutcomeKind::Done) << length << ": " << outcome.systemError;
        EXPECT_EQ(ReadFile(scene.request.targetPath), Convert(ThreeFixes()).kml) << length;
        fs::remove(scene.request.targetPath);
        EXPECT_EQ(scene.dir.Entries(), std::vector<std::string>{"log.nmea"});
    }
}

// Two files in a row: the second document is the one it gives on its own.
TEST(FileConversion, SecondFileIsIndependentOfTheFirst) {
    ScratchDir dir;
    const fs::path golden = fs::path(SENTROVA_TEST_DATA) / "conversion" / "golden";
    ConversionRequest request;
    request.targetPath = dir / "second.kml";
    request.sourcePath = (golden / "south_west.nmea").string();
    ASSERT_EQ(conversion::ConvertFile(request).kind, OutcomeKind::Done);
    const std::string alone = ReadFile(request.targetPath);
    fs::remove(request.targetPath);

    request.targetPath = dir / "first.kml";
    request.sourcePath = (golden / "full_cycle.nmea").string();
    ASSERT_EQ(conversion::ConvertFile(request).kind, OutcomeKind::Done);
    request.targetPath = dir / "second.kml";
    request.sourcePath = (golden / "south_west.nmea").string();
    ASSERT_EQ(conversion::ConvertFile(request).kind, OutcomeKind::Done);
    EXPECT_EQ(ReadFile(request.targetPath), alone);
}

// The progress counter ends at the log's size, over several read blocks, and
// counts on from where the caller left it.
TEST(FileConversion, CountsTheBytesRead) {
    Scene scene(false, false);
    std::string log;
    while (log.size() < 3 * (size_t{1} << 20)) log += ThreeFixes();
    WriteFile(scene.request.sourcePath, log);
    std::atomic<uint64_t> bytesRead{7};
    scene.request.bytesRead = &bytesRead;
    ASSERT_EQ(conversion::ConvertFile(scene.request).kind, OutcomeKind::Done);
    EXPECT_EQ(bytesRead.load(), log.size() + 7);
}

// A device is written straight, never replaced by a file. The device is
// reached through a link in the scratch folder first, so that a faulty
// rename could only ever replace the link.
struct DeviceCase {
    const char *device;
    OutcomeKind kind;
    int error;
};

TEST(FileConversion, DevicesAreWrittenStraight) {
    for (const DeviceCase &c : {DeviceCase{"/dev/null", OutcomeKind::Done, 0},
                                DeviceCase{"/dev/full", OutcomeKind::WriteFailed, ENOSPC}}) {
        struct stat device {};
        if (::stat(c.device, &device) != 0 || !S_ISCHR(device.st_mode)) {
            ADD_FAILURE() << c.device << " is missing";
            continue;
        }
        Scene scene(false, false);
        fs::create_symlink(c.device, scene.dir / "device.kml");
        for (const std::string &target : {scene.dir / "device.kml", std::string(c.device)}) {
            SCOPED_TRACE(target);
            scene.request.targetPath = target;
            const ConversionOutcome outcome = conversion::ConvertFile(scene.request);
            EXPECT_EQ(outcome.kind, c.kind) << KindName(outcome.kind);
            if (c.error != 0) {
                EXPECT_EQ(outcome.systemError, std::strerror(c.error));
            }
            ASSERT_TRUE(fs::is_symlink(scene.dir / "device.kml"));
            ASSERT_EQ(scene.dir.Entries(), (std::vector<std::string>{"device.kml", "log.nmea"}));
            struct stat after {};
            ASSERT_EQ(::stat(c.device, &after), 0);
            ASSERT_TRUE(S_ISCHR(after.st_mode));
            ASSERT_EQ(after.st_rdev, device.st_rdev);
        }
    }
}

TEST(FileConversion, PipeIsWrittenStraight) {
    Scene scene(false, false);
    const std::string fifo = scene.dir / "pipe.kml";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0) << std::strerror(errno);
    std::string received;
    std::thread reader([&] { received = ReadFile(fifo); });
    scene.request.targetPath = fifo;
    const ConversionOutcome outcome = conversion::ConvertFile(scene.request);
    reader.join();
    EXPECT_EQ(outcome.kind, OutcomeKind::Done) << outcome.systemError;
    EXPECT_EQ(received, Convert(ThreeFixes()).kml);
    EXPECT_EQ(scene.dir.Entries(), (std::vector<std::string>{"log.nmea", "pipe.kml"}));
}

struct OpenCase {
    const char *name;
    const char *source; // relative to the scratch folder
    const char *target;
    OutcomeKind kind;
    int error;
};

// The scratch folder holds log.nmea and the folder sub/.
const OpenCase kOpenCases[] = {
    {"MissingSource", "missing.nmea", "out.kml", OutcomeKind::SourceNotOpenable, ENOENT},
    {"SourceIsAFolder", "sub", "out.kml", OutcomeKind::SourceNotOpenable, EISDIR},
    {"SourceBeforeTarget", "missing.nmea", "no-such-folder/out.kml", OutcomeKind::SourceNotOpenable, ENOENT},
    {"TargetFolderMissing", "log.nmea", "no-such-folder/out.kml", OutcomeKind::TargetNotOpenable, ENOENT},
    {"TargetIsAFolder", "log.nmea", "sub", OutcomeKind::TargetNotOpenable, EISDIR},
    {"TargetBelowAFile", "log.nmea", "log.nmea/out.kml", OutcomeKind::TargetNotOpenable, ENOTDIR},
};

void PrintTo(const OpenCase &c, std::ostream *os) { *os << c.name; }

class Open : public ::testing::TestWithParam<OpenCase> {};

TEST_P(Open, GivesItsOutcomeAndLeavesNothing) {
    const OpenCase &c = GetParam();
    ScratchDir dir;
    WriteFile(dir / "log.nmea", ThreeFixes());
    fs::create_directory(dir.path() / "sub");
    ConversionRequest request;
    request.sourcePath = dir / c.source;
    request.targetPath = dir / c.target;
    request.replaceExisting = true;
    const ConversionOutcome outcome = conversion::ConvertFile(request);
    EXPECT_EQ(outcome.kind, c.kind) << KindName(outcome.kind);
    EXPECT_EQ(outcome.systemError, std::strerror(c.error));
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"log.nmea", "sub"}));
    EXPECT_TRUE(fs::is_empty(dir.path() / "sub"));
}

INSTANTIATE_TEST_SUITE_P(Files, Open, ::testing::ValuesIn(kOpenCases),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(FileConversion, FolderWithoutWritePermission) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not stop root";
    ScratchDir dir;
    WriteFile(dir / "log.nmea", ThreeFixes());
    fs::create_directory(dir.path() / "locked");
    fs::permissions(dir.path() / "locked", fs::perms::owner_read | fs::perms::owner_exec);
    ConversionRequest request;
    request.sourcePath = dir / "log.nmea";
    request.targetPath = (dir.path() / "locked" / "out.kml").string();
    const ConversionOutcome outcome = conversion::ConvertFile(request);
    fs::permissions(dir.path() / "locked", fs::perms::owner_all);
    EXPECT_EQ(outcome.kind, OutcomeKind::TargetNotOpenable) << KindName(outcome.kind);
    EXPECT_EQ(outcome.systemError, std::strerror(EACCES));
    EXPECT_TRUE(fs::is_empty(dir.path() / "locked"));
}

TEST(FileConversion, TargetBesideTheLog) {
    const struct {
        const char *source;
        const char *target;
    } cases[] = {
        {"track.nmea", "track.kml"},         {"/logs/track.nmea", "/logs/track.kml"},
        {"/logs/track", "/logs/track.kml"},   {"/logs/track.2024.log", "/logs/track.2024.kml"},
        {"/logs.d/track", "/logs.d/track.kml"}, {"track.kml", "track.kml"},
        {"/logs/.hidden", "/logs/.hidden.kml"},
    };
    for (const auto &c : cases) EXPECT_EQ(conversion::TargetPathFor(c.source), c.target) << c.source;
}

} // namespace
