#include "report_file.h"

#include <cerrno>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

#include "byte_io.h"
#include "report/html.h"
#include "scratch_file.h"
#include "stream_conversion.h"
#include "track_writers.h"

namespace conversion {

namespace {

// Feeds a report, the caller's or its own; its own one becomes the page at
// the document's end. The report is reduced on a second thread, in batches of
// what the run hands over in order, so that reading the log and reducing it
// take one core each: the same calls in the same order as on one thread.
class ReportWriter final : public TrackWriter {
  public:
    ReportWriter(report::LogReport &report, std::string name) : report_(report), name_(std::move(name)) {}
    ReportWriter(const report::Settings &settings, std::string name)
        : own_(std::make_unique<report::LogReport>(settings)), report_(*own_), name_(std::move(name)) {}
    ~ReportWriter() override { Stop(); }

    void Begin(OutputBuffer &) override {}
    void Point(OutputBuffer &, const track::Epoch &epoch, bool newSegment) override {
        Add(newSegment ? Item::SegmentPoint : Item::Point, epoch);
    }
    bool Finish(OutputBuffer &) override {
        Hand();
        Stop();
        if (failure_) std::rethrow_exception(failure_);
        report_.Undated(undated_);
        report_.Finish();
        return true;
    }
    void Footer(OutputBuffer &out) override {
        if (own_) out.Append(report::Html(report_, name_));
    }
    bool WantsLines() const override { return true; }
    void Line(std::string_view line, uint64_t lineNumber) override {
        Batch &b = batches_[filling_];
        b.items.push_back(
            {Item::Line, static_cast<uint32_t>(b.text.size()), static_cast<uint32_t>(line.size()), lineNumber});
        b.text.append(line);
        if (b.items.size() >= kBatchItems || b.text.size() >= kBatchBytes) Hand();
    }
    void NoFix(const track::Epoch &epoch) override { Add(Item::NoFix, epoch); }
    void Undated(uint64_t epochs) override { undated_ = epochs; }

  private:
    static constexpr size_t kBatchItems = 8192, kBatchBytes = 512 << 10;
    struct Item {
        enum Kind : uint8_t { Line, Point, SegmentPoint, NoFix } kind;
        uint32_t at, length; // the line's bytes in text, or the epoch's index
        uint64_t lineNumber;
    };
    struct Batch {
        std::string text;
        std::vector<Item> items;
        std::vector<track::Epoch> epochs;
    };

    void Add(Item::Kind kind, const track::Epoch &epoch) {
        Batch &b = batches_[filling_];
        b.items.push_back({kind, static_cast<uint32_t>(b.epochs.size()), 0, 0});
        b.epochs.push_back(epoch);
    }

    // The filled batch to the reducing thread, once it has done the one before.
    void Hand() {
        if (batches_[filling_].items.empty()) return;
        if (!worker_.joinable()) worker_ = std::thread([this] { Reduce(); });
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return !handed_; });
        handed_ = true;
        filling_ ^= 1;
        changed_.notify_all();
    }

    void Reduce() {
        for (int reducing = 0;; reducing ^= 1) {
            {
                std::unique_lock lock(mutex_);
                changed_.wait(lock, [this] { return handed_ || stopping_; });
                if (!handed_) return;
            }
            Batch &b = batches_[reducing];
            try {
                if (!failure_) {
                    for (const Item &item : b.items) {
                        switch (item.kind) {
                        case Item::Line: report_.Line({b.text.data() + item.at, item.length}, item.lineNumber); break;
                        case Item::Point: report_.Point(b.epochs[item.at], false); break;
                        case Item::SegmentPoint: report_.Point(b.epochs[item.at], true); break;
                        case Item::NoFix: report_.NoFix(b.epochs[item.at]); break;
                        }
                    }
                }
            } catch (...) {
                failure_ = std::current_exception();
            }
            b.text.clear();
            b.items.clear();
            b.epochs.clear();
            std::lock_guard lock(mutex_);
            handed_ = false;
            changed_.notify_all();
        }
    }

    void Stop() {
        if (!worker_.joinable()) return;
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
            changed_.notify_all();
        }
        worker_.join();
    }

    std::unique_ptr<report::LogReport> own_;
    report::LogReport &report_;
    std::string name_;
    Batch batches_[2];
    int filling_ = 0;
    std::thread worker_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool handed_ = false, stopping_ = false; // under mutex_
    uint64_t undated_ = 0;
    std::exception_ptr failure_; // the reducing thread's, read after it ended
};

class NoSink final : public ByteSink {
  public:
    bool Write(const char *, size_t) override { return true; }
};

ConversionOutcome Failure(OutcomeKind kind, int error) {
    ConversionOutcome outcome;
    outcome.kind = kind;
    outcome.systemError = std::strerror(error);
    return outcome;
}

} // namespace

report::Settings ReportSettings(const ConversionOptions &options) {
    report::Settings settings;
    settings.splitGapSeconds = options.track.splitGapSeconds;
    settings.checksumsVerified = options.verifyChecksums;
    return settings;
}

std::unique_ptr<TrackWriter> MakeReportWriter(const ConversionOptions &options, std::string_view name) {
    return std::make_unique<ReportWriter>(ReportSettings(options), std::string(name));
}

ConversionOutcome AnalyseLog(const ConversionRequest &request, report::LogReport &into) {
    into = report::LogReport(ReportSettings(request.options));
    const bool standardInput = request.sourcePath == "-";
    const int fd = standardInput ? STDIN_FILENO : ::open(request.sourcePath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return Failure(OutcomeKind::SourceNotOpenable, errno);
    struct stat info {};
    if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        const int error = S_ISDIR(info.st_mode) ? EISDIR : errno;
        if (!standardInput) ::close(fd);
        return Failure(OutcomeKind::SourceNotOpenable, error);
    }
    ConversionOutcome outcome;
    try {
        FdSource source(fd, request.bytesRead);
        NoSink sink;
        OutputBuffer out(sink);
        ConversionOptions options = request.options;
        options.format = DocumentFormat::Report;
        outcome =
            ConvertTrack(source, out, options, std::make_unique<ReportWriter>(into, std::string()), request.cancel);
    } catch (const std::bad_alloc &) {
        outcome = Failure(OutcomeKind::ReadFailed, ENOMEM);
    }
    if (!standardInput) ::close(fd);
    if (outcome.kind != OutcomeKind::Done) into = report::LogReport(ReportSettings(request.options));
    return outcome;
}

ConversionOutcome WriteReport(const report::LogReport &report, const std::string &logName,
                              const std::string &targetPath, bool replaceExisting) {
    std::string page;
    try {
        page = report::Html(report, DocumentName(logName));
    } catch (const std::bad_alloc &) {
        return Failure(OutcomeKind::WriteFailed, ENOMEM);
    }
    struct stat entry {};
    const bool exists = ::lstat(targetPath.c_str(), &entry) == 0;
    struct stat reached {};
    if (exists && ::stat(targetPath.c_str(), &reached) == 0 && S_ISDIR(reached.st_mode))
        return Failure(OutcomeKind::TargetNotOpenable, EISDIR);
    if (exists && !replaceExisting) return Failure(OutcomeKind::TargetExists, EEXIST);
    int folder = -1;
    std::string temporary;
    const int fd = CreateTemporaryBeside(targetPath, folder, temporary);
    if (fd < 0) return Failure(OutcomeKind::TargetNotOpenable, errno);
    const auto fail = [&](int error) {
        ::unlinkat(folder, temporary.c_str(), 0);
        ::close(folder);
        return Failure(OutcomeKind::WriteFailed, error);
    };
    // The replaced page's owner and permissions, as far as we may give them.
    if (exists && S_ISREG(entry.st_mode)) {
        if (::fchown(fd, entry.st_uid, entry.st_gid) != 0) (void)::fchown(fd, -1, entry.st_gid);
        (void)::fchmod(fd, entry.st_mode & 0777);
    }
    FdSink sink(fd);
    const bool written = sink.Write(page.data(), page.size());
    const int writeError = sink.Error();
    // Flushed before it replaces a page, so that a power cut leaves the old or the new one.
    if (!written || (exists && ::fsync(fd) != 0)) {
        const int error = written ? errno : writeError;
        ::close(fd);
        return fail(error);
    }
    if (::close(fd) != 0 && errno != EINTR) return fail(errno);
    if (::renameat2(folder, temporary.c_str(), AT_FDCWD, targetPath.c_str(), replaceExisting ? 0 : RENAME_NOREPLACE) !=
        0) {
        const int error = errno;
        ConversionOutcome outcome = fail(error);
        if (error == EEXIST) outcome.kind = OutcomeKind::TargetExists;
        return outcome;
    }
    ::close(folder);
    ConversionOutcome done;
    done.counts.epochDocument = true;
    done.counts.placemarks = report.Figures().points;
    done.counts.segments = report.Figures().segments;
    return done;
}

} // namespace conversion
