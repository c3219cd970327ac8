#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "kmz_sink.h"
#include "run.h"

namespace conversion {
namespace {

ConversionOutcome Failure(OutcomeKind kind, int error) {
    ConversionOutcome outcome;
    outcome.kind = kind;
    outcome.systemError = std::strerror(error);
    return outcome;
}

// The track's name: the log's file name.
std::string DocumentName(const std::string &sourcePath) {
    return sourcePath == "-" ? "standard input" : std::filesystem::path(sourcePath).filename().string();
}

bool CloseChecked(int fd) { return ::close(fd) == 0 || errno == EINTR; }

// A name no other conversion uses, beside the target so that rename stays on
// one file system.
int CreateTemporary(const std::string &target, std::string &tempPath) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = TemporaryPrefix(target);
        tempPath += std::to_string(counter.fetch_add(1));
        tempPath += ".tmp";
        const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

} // namespace

FileConversion::FileConversion(ConversionRequest request) : request_(std::move(request)) {}

FileConversion::~FileConversion() { Discard(); }

void FileConversion::Discard() {
    if (ownSource_ && sourceFd_ >= 0) ::close(sourceFd_);
    if (ownTarget_ && targetFd_ >= 0) ::close(targetFd_);
    sourceFd_ = targetFd_ = -1;
    ownSource_ = ownTarget_ = false;
    if (!tempPath_.empty()) {
        ::unlink(tempPath_.c_str());
        tempPath_.clear();
    }
}

ConversionOutcome FileConversion::Open() {
    struct stat sourceInfo {};
    if (request_.sourcePath == "-") {
        sourceFd_ = STDIN_FILENO;
    } else {
        sourceFd_ = ::open(request_.sourcePath.c_str(), O_RDONLY | O_CLOEXEC);
        if (sourceFd_ < 0) return Failure(OutcomeKind::SourceNotOpenable, errno);
        ownSource_ = true;
    }
    if (::fstat(sourceFd_, &sourceInfo) != 0) {
        const int error = errno;
        Discard();
        return Failure(OutcomeKind::SourceNotOpenable, error);
    }
    if (S_ISDIR(sourceInfo.st_mode)) {
        Discard();
        return Failure(OutcomeKind::SourceNotOpenable, EISDIR);
    }

    if (request_.targetPath == "-") {
        targetFd_ = STDOUT_FILENO;
        return {};
    }
    struct stat targetInfo {};
    const bool exists = ::stat(request_.targetPath.c_str(), &targetInfo) == 0;
    if (exists && S_ISDIR(targetInfo.st_mode)) {
        Discard();
        return Failure(OutcomeKind::TargetNotOpenable, EISDIR);
    }
    if (exists && targetInfo.st_dev == sourceInfo.st_dev && targetInfo.st_ino == sourceInfo.st_ino) {
        // Replacing the log by its own KML would lose the log.
        Discard();
        return Failure(OutcomeKind::TargetNotOpenable, EEXIST);
    }
    if (exists && !S_ISREG(targetInfo.st_mode)) {
        // A device or a pipe: nothing to replace, write straight to it.
        targetFd_ = ::open(request_.targetPath.c_str(), O_WRONLY | O_CLOEXEC);
    } else if (exists && !request_.replaceExisting) {
        Discard();
        return Failure(OutcomeKind::TargetExists, EEXIST);
    } else {
        targetFd_ = CreateTemporary(request_.targetPath, tempPath_);
        if (targetFd_ < 0) tempPath_.clear();
        // The new document replaces the old one: it may be read by whom the old one could.
        if (targetFd_ >= 0 && exists && ::fchmod(targetFd_, targetInfo.st_mode & 0777) != 0) {
            const int error = errno;
            ownTarget_ = true;
            Discard();
            return Failure(OutcomeKind::TargetNotOpenable, error);
        }
    }
    if (targetFd_ < 0) {
        const int error = errno;
        Discard();
        return Failure(OutcomeKind::TargetNotOpenable, error);
    }
    ownTarget_ = true;
    return {};
}

ConversionOutcome FileConversion::Run() {
    const ConversionOptions &options = request_.options;
    FdSource source(sourceFd_, request_.bytesRead);
    FdSink fileSink(targetFd_);
    std::unique_ptr<KmzSink> kmz;
    if (options.kmz) {
        kmz = std::make_unique<KmzSink>(targetFd_);
        if (!kmz->Opened()) {
            ConversionOutcome outcome;
            outcome.kind = OutcomeKind::TargetNotOpenable;
            outcome.systemError = kmz->Error() == ESPIPE ? "a KMZ needs a file it can seek in, not a pipe"
                                                         : std::strerror(kmz->Error());
            Discard();
            return outcome;
        }
    }
    ConversionOutcome outcome;
    {
        OutputBuffer out(kmz ? static_cast<ByteSink &>(*kmz) : fileSink, OutputBuffer::kBlockSize,
                         OutputBuffer::Writes::InBackground);
        if (options.format == DocumentFormat::Kml) {
            outcome = ConvertStream(source, out, options, request_.cancel, request_.hook);
        } else {
            outcome = ConvertTrack(source, out, options, DocumentName(request_.sourcePath), request_.cancel);
        }
    }
    if (outcome.kind == OutcomeKind::Done && kmz && !kmz->Finish()) {
        outcome.kind = OutcomeKind::WriteFailed;
        outcome.systemError = std::strerror(kmz->Error());
    }
    if (outcome.kind != OutcomeKind::Done) {
        kmz.reset();
        Discard();
        return outcome;
    }
    const int fd = targetFd_;
    ownTarget_ = false;
    targetFd_ = -1;
    if (fd > STDERR_FILENO && !CloseChecked(fd)) {
        const int error = errno;
        Discard();
        outcome.kind = OutcomeKind::WriteFailed;
        outcome.systemError = std::strerror(error);
        return outcome;
    }
    if (request_.cancel && request_.cancel->load() && !tempPath_.empty()) {
        // Cancelled during the last flush: the target stays as it was.
        Discard();
        outcome.kind = OutcomeKind::Cancelled;
        return outcome;
    }
    if (!tempPath_.empty()) {
        const unsigned flags = request_.replaceExisting ? 0 : RENAME_NOREPLACE;
        if (::renameat2(AT_FDCWD, tempPath_.c_str(), AT_FDCWD, request_.targetPath.c_str(), flags) != 0) {
            const int error = errno;
            Discard();
            outcome.kind = error == EEXIST ? OutcomeKind::TargetExists : OutcomeKind::WriteFailed;
            outcome.systemError = std::strerror(error);
            return outcome;
        }
        tempPath_.clear();
    }
    Discard();
    return outcome;
}

ConversionOutcome ConvertFile(const ConversionRequest &request) {
    FileConversion conversion(request);
    ConversionOutcome opened = conversion.Open();
    if (opened.kind != OutcomeKind::Done) return opened;
    return conversion.Run();
}

std::string TemporaryPrefix(const std::string &target) {
    const std::filesystem::path path(target);
    // A target name near the longest allowed leaves no room for the suffix:
    // keep only its start, cut on a character boundary.
    std::string base = path.filename().string();
    constexpr size_t kBaseMax = 100;
    if (base.size() > kBaseMax) {
        size_t n = kBaseMax;
        while (n > 0 && (static_cast<unsigned char>(base[n]) & 0xC0) == 0x80) --n;
        base.resize(n);
    }
    std::string name = ".";
    name += base;
    name += '.';
    name += std::to_string(::getpid());
    name += '.';
    return (path.parent_path() / name).string();
}

std::string TargetPathFor(const std::string &sourcePath, std::string_view extension) {
    std::filesystem::path path(sourcePath);
    path.replace_extension(extension);
    return path.string();
}

std::string_view TargetExtension(const ConversionOptions &options) {
    if (options.kmz) return ".kmz";
    switch (options.format) {
    case DocumentFormat::Gpx: return ".gpx";
    case DocumentFormat::Csv: return ".csv";
    case DocumentFormat::Kml:
    case DocumentFormat::KmlTrack: break;
    }
    return ".kml";
}

} // namespace conversion
