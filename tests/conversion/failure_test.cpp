// Failures of a conversion: every write, read and open error becomes an
// outcome, and no failure leaves a half-written document or a temporary file
// behind or touches a target that was there before.
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include "conversion/file_conversion.h"
#include "conversion/kml_writer.h"
#include "conversion/track_hook.h"
#include "nmea/manager.h"
#include "conversion_test_support.h"
#include "support/logs.h"

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
            // Every byte where blocks are short enough that each write ends at
            // a different one; elsewhere, and in the background (a thread
            // hand-over per block), a spread of them.
            const bool everyByte = !background && block < 1000;
            for (size_t limit = 0; limit <= whole.kml.size(); limit += everyByte ? 1 : 1 + limit % 89) {
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
        conversion::WritePlacemark(out, fix.Display(), date);
        cancel_ = true;
        return true;
    }

  private:
    std::atomic<bool> &cancel_;
};

// Sets the cancel flag at its first write: while the first full block goes
// out, or, in large blocks, the last one at the run's end.
class CancelOnWrite : public conversion::MemorySink {
  public:
    explicit CancelOnWrite(std::atomic<bool> &cancel) : cancel_(cancel) {}
    bool Write(const char *data, size_t size) override {
        cancel_ = true;
        return MemorySink::Write(data, size);
    }

  private:
    std::atomic<bool> &cancel_;
};

// A cancel stops either run before its next line, or right where the log or
// the last block ends; no closing lines follow it, nor lines still owed.
TEST(StreamFailure, CancelStopsTheRunWithoutClosingLines) {
    enum class When { AfterFirstPlacemark, AtFirstWrite, AtEndOfInput };
    using conversion::DocumentFormat;
    constexpr size_t kLarge = conversion::OutputBuffer::kBlockSize;
    struct Row {
        const char *name;
        DocumentFormat format;
        When when;
        size_t block;
        uint64_t points; // written before the cancel was seen
    } rows[] = {
        {"KML, by the first placemark", DocumentFormat::Kml, When::AfterFirstPlacemark, kLarge, 1},
        {"KML, at the end of input, before the track line", DocumentFormat::Kml, When::AtEndOfInput, kLarge, 3},
        {"KML, while the last block is written", DocumentFormat::Kml, When::AtFirstWrite, kLarge, 3},
        {"GPX, while the header's block is written", DocumentFormat::Gpx, When::AtFirstWrite, 64, 0},
        // The last two wait for the log's end: each epoch waits for the next one's untimed sentences.
        {"GPX, at the end of input, before the last two epochs", DocumentFormat::Gpx, When::AtEndOfInput, kLarge, 2},
        {"GPX, while the last block is written", DocumentFormat::Gpx, When::AtFirstWrite, kLarge, 4},
    };
    const std::string log = ThreeFixes();
    for (const Row &r : rows) {
        std::atomic<bool> cancel{false};
        conversion::MemorySource plain(log);
        CancelAtEnd atEnd(log, cancel);
        conversion::ByteSource &source =
            r.when == When::AtEndOfInput ? static_cast<conversion::ByteSource &>(atEnd) : plain;
        conversion::MemorySink quiet;
        CancelOnWrite cancelling(cancel);
        conversion::MemorySink &sink = r.when == When::AtFirstWrite ? cancelling : quiet;
        CancelAfterFirst first(cancel);
        conversion::TrackOptions line;
        line.line = true;
        conversion::TrackHook withLine(line, "ff0000ff");
        conversion::CycleHook *hook =
            r.when == When::AfterFirstPlacemark ? static_cast<conversion::CycleHook *>(&first) : &withLine;
        ConversionOutcome outcome;
        {
            conversion::OutputBuffer out(sink, r.block);
            conversion::ConversionOptions options;
            options.format = r.format;
            outcome = r.format == DocumentFormat::Kml ? conversion::ConvertStream(source, out, options, &cancel, hook)
                                                      : conversion::ConvertTrack(source, out, options, "log", &cancel);
        }
        EXPECT_EQ(outcome.kind, OutcomeKind::Cancelled) << r.name;
        EXPECT_EQ(outcome.counts.placemarks, r.points) << r.name;
        const std::string_view point = r.format == DocumentFormat::Kml ? "<Point>" : "<trkpt ";
        size_t points = 0;
        for (size_t at = sink.bytes.find(point); at != std::string::npos; at = sink.bytes.find(point, at + 1)) ++points;
        EXPECT_EQ(points, r.points) << r.name << "\n" << sink.bytes;
        for (std::string_view closing : {"</kml>", "</gpx>", "</trkseg>"})
            EXPECT_EQ(sink.bytes.find(closing), std::string::npos) << r.name << ": " << closing;
        if (r.when == When::AtEndOfInput) {
            EXPECT_EQ(sink.bytes.find("<LineString>"), std::string::npos) << r.name;
        }
    }
}

// A long log's epochs go into the document on a second thread: a write that
// fails there, or a cancel, ends the run as in line, and the sink holds the
// document's start, in order.
TEST(StreamFailure, EpochsWrittenOnASecondThread) {
    using conversion::OutputBuffer;
    const std::string log = sentrova_test::DriveLog(3000);
    conversion::ConversionOptions options;
    options.format = conversion::DocumentFormat::Gpx;
    const auto convert = [&](conversion::ByteSink &sink, OutputBuffer::Writes writes, std::atomic<bool> *cancel) {
        conversion::MemorySource source(log);
        OutputBuffer out(sink, 4096, writes);
        return conversion::ConvertTrack(source, out, options, "log", cancel);
    };
    conversion::MemorySink all;
    ASSERT_EQ(convert(all, OutputBuffer::Writes::InLine, nullptr).counts.placemarks, 3000u);
    for (OutputBuffer::Writes writes : {OutputBuffer::Writes::InLine, OutputBuffer::Writes::InBackground}) {
        for (size_t limit : {size_t{5000}, all.bytes.size() / 2, all.bytes.size() - 1}) {
            FullAfterSink sink(limit);
            const ConversionOutcome outcome = convert(sink, writes, nullptr);
            EXPECT_EQ(outcome.kind, OutcomeKind::WriteFailed) << limit;
            EXPECT_EQ(outcome.systemError, std::strerror(ENOSPC)) << limit;
            EXPECT_EQ(sink.bytes, all.bytes.substr(0, limit)) << limit;
        }
        std::atomic<bool> cancel{false};
        CancelOnWrite sink(cancel);
        const ConversionOutcome outcome = convert(sink, writes, &cancel);
        EXPECT_EQ(outcome.kind, OutcomeKind::Cancelled);
        EXPECT_LT(outcome.counts.placemarks, 3000u);
        EXPECT_EQ(sink.bytes, all.bytes.substr(0, sink.bytes.size()));
        EXPECT_EQ(sink.bytes.find("</gpx>"), std::string::npos);
    }
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

// A signal the caller takes in its own thread, still pending when the
// document would replace the target (a pipeline's producer ended first).
ConversionOutcome SignalPendingAtTheEnd(Scene &scene) {
    sigset_t set, old;
    sigemptyset(&set);
    sigaddset(&set, SIGUSR1);
    ::pthread_sigmask(SIG_BLOCK, &set, &old);
    ::raise(SIGUSR1);
    scene.request.cancelSignals = &set;
    const ConversionOutcome outcome = conversion::ConvertFile(scene.request);
    const struct timespec none = {0, 0};
    const int taken = ::sigtimedwait(&set, nullptr, &none);
    ::pthread_sigmask(SIG_SETMASK, &old, nullptr);
    EXPECT_EQ(taken, SIGUSR1);
    return outcome;
}

// The caller ends the program: the temporary file goes, whatever Run does next.
ConversionOutcome AbandonedAfterOpen(Scene &scene) {
    conversion::FileConversion conversion(scene.request);
    const ConversionOutcome opened = conversion.Open();
    if (opened.kind != OutcomeKind::Done) return opened;
    conversion.Abandon();
    return conversion.Run();
}

const LeftAloneCase kLeftAloneCases[] = {
    {"SignalPendingAtTheEnd", OutcomeKind::Cancelled, SignalPendingAtTheEnd},
    {"AbandonedAfterOpen", OutcomeKind::Cancelled, AbandonedAfterOpen},
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

// Nobody can create the temporary file's name first: it is new every time.
TEST(FileConversion, TemporaryNamesAreUnpredictable) {
    Scene scene(false, false);
    std::vector<std::string> names;
    for (int i = 0; i < 2; ++i) {
        conversion::FileConversion conversion(scene.request);
        ASSERT_EQ(conversion.Open().kind, OutcomeKind::Done);
        for (const std::string &name : scene.dir.Entries()) {
            if (name.ends_with(".tmp") && std::find(names.begin(), names.end(), name) == names.end())
                names.push_back(name);
        }
    }
    ASSERT_EQ(names.size(), 2u);
    for (const std::string &name : names) {
        ASSERT_EQ(name.size(), std::string(".log.kml.").size() + 12 + 4) << name;
        EXPECT_EQ(name.rfind(".log.kml.", 0), 0u) << name;
        EXPECT_EQ(name.find_first_not_of("0123456789abcdef", 9), name.size() - 4) << name;
        EXPECT_EQ(name.find(std::to_string(::getpid())), std::string::npos) << name;
    }
    EXPECT_EQ(scene.dir.Entries(), std::vector<std::string>{"log.nmea"});
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

// What is already at the target. Only a pipe or a character device the user
// named is written in place; a link is never followed, a derived target
// never written in place. The device is /dev/null or /dev/full, reached
// through a link in the scratch folder where a link is the point.
enum class AtTarget { Device, LinkToDevice, Pipe, LinkToPipe };

struct PlacedCase {
    const char *name;
    AtTarget at;
    const char *device; // for Device and LinkToDevice
    bool named;         // given by the user, not derived from the log
    bool force;
    OutcomeKind kind;
    int error;           // the system's error of the outcome, 0 for none
    bool intoTarget;     // the document went to what the target names (device or pipe)
    bool replacedByFile; // the entry became a regular file holding the document
};

const PlacedCase kPlacedCases[] = {
    {"NamedDevice", AtTarget::Device, "/dev/null", true, false, OutcomeKind::Done, 0, true, false},
    {"NamedFullDevice", AtTarget::Device, "/dev/full", true, false, OutcomeKind::WriteFailed, ENOSPC, true, false},
    {"NamedPipe", AtTarget::Pipe, nullptr, true, false, OutcomeKind::Done, 0, true, false},
    {"NamedLinkToDevice", AtTarget::LinkToDevice, "/dev/full", true, false, OutcomeKind::TargetExists, 0, false, false},
    {"NamedLinkToPipe", AtTarget::LinkToPipe, nullptr, true, false, OutcomeKind::TargetExists, 0, false, false},
    {"DerivedPipe", AtTarget::Pipe, nullptr, false, false, OutcomeKind::TargetExists, 0, false, false},
    {"DerivedLinkToDevice", AtTarget::LinkToDevice, "/dev/full", false, false, OutcomeKind::TargetExists, 0, false,
     false},
    {"ForcedLinkIsReplaced", AtTarget::LinkToDevice, "/dev/full", true, true, OutcomeKind::Done, 0, false, true},
    {"ForcedDerivedPipeIsReplaced", AtTarget::Pipe, nullptr, false, true, OutcomeKind::Done, 0, false, true},
};

void PrintTo(const PlacedCase &c, std::ostream *os) { *os << c.name; }

class Placed : public ::testing::TestWithParam<PlacedCase> {};

TEST_P(Placed, IsWrittenInPlaceOnlyWhenNamedAndNeverThroughALink) {
    const PlacedCase &c = GetParam();
    Scene scene(false, false);
    const std::string expected = Convert(ThreeFixes()).kml;
    const std::string fifo = scene.dir / "pipe";
    const std::string entry = scene.dir / "out.kml";
    struct stat device {};
    if (c.device) {
        ASSERT_TRUE(::stat(c.device, &device) == 0 && S_ISCHR(device.st_mode)) << c.device;
    }
    if (c.at == AtTarget::Pipe || c.at == AtTarget::LinkToPipe) {
        ASSERT_EQ(::mkfifo((c.at == AtTarget::Pipe ? entry : fifo).c_str(), 0600), 0) << std::strerror(errno);
    }
    if (c.at == AtTarget::LinkToPipe) fs::create_symlink(fifo, entry);
    if (c.at == AtTarget::LinkToDevice) fs::create_symlink(c.device, entry);
    // A reader that never blocks: it sees whatever reaches the pipe.
    const std::string pipe = c.at == AtTarget::Pipe ? entry : fifo;
    const int reader = c.device ? -1 : ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (!c.device) {
        ASSERT_GE(reader, 0);
    }

    scene.request.targetPath = c.at == AtTarget::Device ? std::string(c.device) : entry;
    scene.request.targetNamed = c.named;
    scene.request.replaceExisting = c.force;
    std::string received;
    std::atomic<bool> done{false};
    std::thread drain([&] {
        char buffer[65536];
        while (reader >= 0) {
            const ssize_t n = ::read(reader, buffer, sizeof buffer);
            if (n > 0) received.append(buffer, static_cast<size_t>(n));
            else if (done) break;
            else ::usleep(1000);
        }
    });
    const ConversionOutcome outcome = conversion::ConvertFile(scene.request);
    done = true;
    drain.join();
    if (reader >= 0) ::close(reader);

    EXPECT_EQ(outcome.kind, c.kind) << KindName(outcome.kind) << ": " << outcome.systemError;
    if (c.error != 0) {
        EXPECT_EQ(outcome.systemError, std::strerror(c.error));
    }
    EXPECT_EQ(outcome.writtenInPlace, c.intoTarget && c.kind != OutcomeKind::TargetExists);
    if (!c.device) {
        EXPECT_EQ(received, c.intoTarget ? expected : std::string());
    }
    if (c.device) {
        struct stat after {};
        ASSERT_EQ(::stat(c.device, &after), 0);
        EXPECT_TRUE(S_ISCHR(after.st_mode));
        EXPECT_EQ(after.st_rdev, device.st_rdev);
    }
    if (c.at != AtTarget::Device) {
        struct stat after {};
        ASSERT_EQ(::lstat(entry.c_str(), &after), 0);
        if (c.replacedByFile) {
            EXPECT_TRUE(S_ISREG(after.st_mode));
            EXPECT_EQ(ReadFile(entry), expected);
        } else {
            EXPECT_FALSE(S_ISREG(after.st_mode)) << "the link or pipe was replaced";
        }
    }
    for (const std::string &name : scene.dir.Entries()) {
        EXPECT_FALSE(name.ends_with(".tmp")) << name;
    }
}

INSTANTIATE_TEST_SUITE_P(Targets, Placed, ::testing::ValuesIn(kPlacedCases),
                         [](const auto &info) { return std::string(info.param.name); });

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
        {"track.nmea", "track.kml"},
        {"/logs/track.nmea", "/logs/track.kml"},
        {"/logs/track", "/logs/track.kml"},
        {"/logs/track.2024.log", "/logs/track.2024.kml"},
        {"/logs.d/track", "/logs.d/track.kml"},
        {"track.kml", "track.kml"},
        {"/logs/.hidden", "/logs/.hidden.kml"},
    };
    for (const auto &c : cases) EXPECT_EQ(conversion::TargetPathFor(c.source), c.target) << c.source;
}

} // namespace
