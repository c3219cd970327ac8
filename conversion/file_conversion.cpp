#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <new>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

#include "file_conversion.h"
#include "kmz_sink.h"
#include "scratch_file.h"
#include "stream_conversion.h"

namespace conversion {
namespace {

ConversionOutcome Failure(OutcomeKind kind, int error) {
    ConversionOutcome outcome;
    outcome.kind = kind;
    outcome.systemError = std::strerror(error);
    return outcome;
}

// The log's first bytes kept as they pass, to tell a compressed file.
class SniffingSource : public ByteSource {
  public:
    explicit SniffingSource(ByteSource &in) : in_(in) {}
    long Read(char *buffer, size_t capacity) override {
        const long n = in_.Read(buffer, capacity);
        if (n < 0) error_ = in_.Error();
        for (long i = 0; i < n && head_.size() < 6; ++i) head_ += buffer[i];
        return n;
    }
    // The tool that unpacks what the log began with, or null.
    const char *CompressedWith() const {
        static constexpr std::pair<std::string_view, const char *> kMagic[] = {
            {"\x1f\x8b", "gunzip"}, {"BZh", "bunzip2"}, {"\xfd\x37zXZ", "unxz"}, {"\x28\xb5\x2f\xfd", "unzstd"}};
        for (const auto &[magic, tool] : kMagic) {
            if (std::string_view(head_).starts_with(magic)) return tool;
        }
        return nullptr;
    }

  private:
    ByteSource &in_;
    std::string head_;
};

bool CloseChecked(int fd) { return ::close(fd) == 0 || errno == EINTR; }

bool SameFile(const struct stat &a, const struct stat &b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// The folder's entry of a renamed file reaches the disk only with the folder.
void SyncFolderOf(const std::string &path) {
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    const int fd = ::open(parent.empty() ? "." : parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd); // the document is in place already; a folder that cannot be synced changes nothing
    ::close(fd);
}

} // namespace

FileConversion::FileConversion(ConversionRequest request) : request_(std::move(request)) {}

FileConversion::~FileConversion() { Discard(); }

void FileConversion::Discard() {
    if (ownSource_ && sourceFd_ >= 0) ::close(sourceFd_);
    if (ownTarget_ && targetFd_ >= 0) ::close(targetFd_);
    sourceFd_ = targetFd_ = -1;
    ownSource_ = ownTarget_ = false;
    std::lock_guard lock(tempLock_);
    RemoveTemporary();
}

void FileConversion::RemoveTemporary() noexcept {
    // By the folder held, not by path: the folder may have been renamed.
    if (!tempName_.empty()) ::unlinkat(folderFd_, tempName_.c_str(), 0);
    tempName_.clear();
    if (folderFd_ >= 0) ::close(folderFd_);
    folderFd_ = -1;
}

void FileConversion::Abandon() noexcept {
    std::lock_guard lock(tempLock_);
    abandoned_ = true;
    RemoveTemporary();
}

bool FileConversion::CancelRequested() const {
    // The pending set first: a signal leaves it only after its taker has set the flag.
    if (request_.cancelSignals) {
        sigset_t pending;
        if (::sigpending(&pending) == 0) {
            for (int s = 1; s < NSIG; ++s) {
                if (sigismember(request_.cancelSignals, s) == 1 && sigismember(&pending, s) == 1) return true;
            }
        }
    }
    return request_.cancel && request_.cancel->load();
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
    ConversionOutcome opened = OpenTarget(sourceInfo);
    if (opened.kind != OutcomeKind::Done) Discard();
    return opened;
}

ConversionOutcome FileConversion::OpenTarget(const struct stat &sourceInfo) {
    const std::string &target = request_.targetPath;
    const int named = target == "-" ? STDOUT_FILENO : request_.targetNamed ? DescriptorNamedBy(target) : -1;
    if (named >= 0) {
        struct stat info {};
        if (::fstat(named, &info) != 0) return Failure(OutcomeKind::TargetNotOpenable, errno);
        // "-o - log >> log" would write into the log while it is read.
        if (S_ISREG(info.st_mode) && SameFile(info, sourceInfo)) return Failure(OutcomeKind::TargetNotOpenable, EEXIST);
        targetFd_ = named;
        inPlace_ = true;
        return {};
    }

    // The entry itself: a link is never followed for writing.
    struct stat entry {};
    const bool exists = ::lstat(target.c_str(), &entry) == 0;
    struct stat reached {};
    const bool reaches = exists && ::stat(target.c_str(), &reached) == 0;
    if (reaches && S_ISDIR(reached.st_mode)) return Failure(OutcomeKind::TargetNotOpenable, EISDIR);
    // Replacing the log by its own KML would lose the log.
    if (reaches && SameFile(reached, sourceInfo)) return Failure(OutcomeKind::TargetNotOpenable, EEXIST);

    if (exists && request_.targetNamed && (S_ISFIFO(entry.st_mode) || S_ISCHR(entry.st_mode))) {
        // A pipe or a device the user named: nothing to replace, written straight.
        targetFd_ = ::open(target.c_str(), O_WRONLY | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
        if (targetFd_ < 0) return Failure(OutcomeKind::TargetNotOpenable, errno);
        ownTarget_ = true;
        struct stat opened {};
        if (::fstat(targetFd_, &opened) != 0) return Failure(OutcomeKind::TargetNotOpenable, errno);
        // Swapped for something else between the look and the open.
        if (!SameFile(opened, entry) || (opened.st_mode & S_IFMT) != (entry.st_mode & S_IFMT))
            return Failure(OutcomeKind::TargetNotOpenable, EAGAIN);
        inPlace_ = true;
        return {};
    }
    if (exists && !request_.replaceExisting) return Failure(OutcomeKind::TargetExists, EEXIST);

    {
        std::lock_guard lock(tempLock_);
        if (abandoned_) return Failure(OutcomeKind::Cancelled, EINTR);
        targetFd_ = CreateTemporaryBeside(target, folderFd_, tempName_);
        if (targetFd_ < 0) {
            const int error = errno;
            tempName_.clear();
            return Failure(OutcomeKind::TargetNotOpenable, error);
        }
    }
    ownTarget_ = true;
    if (exists && S_ISREG(entry.st_mode)) {
        // The new document replaces the old one: it belongs to whom the old one
        // did, as far as we may give it, and may be read by whom it could.
        if (::fchown(targetFd_, entry.st_uid, entry.st_gid) != 0) (void)::fchown(targetFd_, -1, entry.st_gid);
        if (::fchmod(targetFd_, entry.st_mode & 0777) != 0) return Failure(OutcomeKind::TargetNotOpenable, errno);
    }
    return {};
}

ConversionOutcome FileConversion::Run() {
    const ConversionOptions &options = request_.options;
    ConversionOutcome outcome;
    std::unique_ptr<KmzSink> kmz;
    try {
        FdSource file(sourceFd_, request_.bytesRead);
        SniffingSource source(file);
        FdSink fileSink(targetFd_);
        if (options.kmz && (::fcntl(targetFd_, F_GETFL) & O_APPEND) != 0) {
            // Every write to it lands at its end, so the archive's headers,
            // completed by seeking back, would never be.
            outcome.kind = OutcomeKind::TargetNotOpenable;
            outcome.systemError = "a KMZ needs a file it can seek in, opened without O_APPEND";
            Discard();
            return outcome;
        }
        if (options.kmz) {
            kmz = std::make_unique<KmzSink>(targetFd_);
            if (!kmz->Opened()) {
                outcome.kind = OutcomeKind::TargetNotOpenable;
                outcome.systemError = kmz->Error() == ESPIPE ? "a KMZ needs a file it can seek in, not a pipe"
                                                             : std::strerror(kmz->Error());
                kmz.reset();
                Discard();
                return outcome;
            }
        }
        {
            OutputBuffer out(kmz ? static_cast<ByteSink &>(*kmz) : fileSink, OutputBuffer::kBlockSize,
                             OutputBuffer::Writes::InBackground);
            if (options.format == DocumentFormat::Kml) {
                outcome = ConvertStream(source, out, options, request_.cancel, request_.hook);
            } else {
                outcome = ConvertTrack(source, out, options, DocumentName(request_.sourcePath), request_.cancel);
            }
        }
        outcome.counts.compressedWith = source.CompressedWith();
        if (outcome.kind == OutcomeKind::Done && kmz && !kmz->Finish()) {
            outcome.kind = OutcomeKind::WriteFailed;
            outcome.systemError = std::strerror(kmz->Error());
        }
    } catch (const std::bad_alloc &) {
        outcome = Failure(OutcomeKind::WriteFailed, ENOMEM);
    } catch (const std::system_error &e) {
        outcome.kind = OutcomeKind::WriteFailed;
        outcome.systemError = e.code().message();
    }
    outcome.writtenInPlace = inPlace_;
    if (outcome.kind != OutcomeKind::Done) {
        kmz.reset();
        Discard();
        return outcome;
    }
    const bool temporary = !inPlace_;
    // Flushed to disk before it replaces a document, so that a power cut
    // leaves the old or the new one; a new file needs no flush, the log is still there.
    struct stat entry {};
    const bool replacing = temporary && ::lstat(request_.targetPath.c_str(), &entry) == 0;
    if (replacing && ::fsync(targetFd_) != 0) {
        const int error = errno;
        Discard();
        outcome.kind = OutcomeKind::WriteFailed;
        outcome.systemError = std::strerror(error);
        return outcome;
    }
    const int fd = targetFd_;
    const bool owned = ownTarget_;
    ownTarget_ = false;
    targetFd_ = -1;
    // A descriptor we were given stays open; a file behind it that reports
    // write errors only at a close (NFS) does so at a duplicate's too.
    const int copy = owned ? -1 : ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
    if ((owned && !CloseChecked(fd)) || (copy >= 0 && !CloseChecked(copy))) {
        const int error = errno;
        Discard();
        outcome.kind = OutcomeKind::WriteFailed;
        outcome.systemError = std::strerror(error);
        return outcome;
    }
    if (!temporary) {
        Discard();
        return outcome;
    }
    bool replaced = false;
    {
        std::lock_guard lock(tempLock_);
        if (abandoned_ || tempName_.empty() || CancelRequested()) {
            // Interrupted, perhaps only by the end of the input that followed the
            // interrupt: the target stays as it was.
            outcome.kind = OutcomeKind::Cancelled;
        } else {
            const unsigned flags = request_.replaceExisting ? 0 : RENAME_NOREPLACE;
            if (::renameat2(folderFd_, tempName_.c_str(), AT_FDCWD, request_.targetPath.c_str(), flags) != 0) {
                const int error = errno;
                outcome.kind = error == EEXIST ? OutcomeKind::TargetExists : OutcomeKind::WriteFailed;
                // The temporary file is there but the path to the target is not.
                const bool moved = error == ENOENT && ::faccessat(folderFd_, tempName_.c_str(), F_OK, 0) == 0;
                outcome.systemError =
                    moved ? "its folder was moved or removed during the conversion" : std::strerror(error);
            } else {
                replaced = true;
                tempName_.clear();
            }
        }
        RemoveTemporary();
    }
    if (replaced && replacing) SyncFolderOf(request_.targetPath);
    Discard();
    return outcome;
}

ConversionOutcome ConvertFile(const ConversionRequest &request) {
    try {
        FileConversion conversion(request);
        ConversionOutcome opened = conversion.Open();
        if (opened.kind != OutcomeKind::Done) return opened;
        return conversion.Run();
    } catch (const std::bad_alloc &) {
        return Failure(OutcomeKind::WriteFailed, ENOMEM);
    }
}

std::string DocumentName(const std::string &sourcePath) {
    return sourcePath == "-" ? "standard input" : std::filesystem::path(sourcePath).filename().string();
}

int DescriptorNamedBy(const std::string &target) {
    if (target == "-") return STDOUT_FILENO;
    const std::string path = std::filesystem::path(target).lexically_normal().string();
    if (path == "/dev/stdout") return STDOUT_FILENO;
    if (path == "/dev/stderr") return STDERR_FILENO;
    for (const char *folder : {"/dev/fd/", "/proc/self/fd/"}) {
        const size_t n = std::strlen(folder);
        if (path.size() <= n || path.size() > n + 9 || path.compare(0, n, folder) != 0) continue;
        int fd = 0;
        for (size_t i = n; i < path.size(); ++i) {
            if (path[i] < '0' || path[i] > '9') return -1;
            fd = fd * 10 + (path[i] - '0');
        }
        return fd;
    }
    return -1;
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
    case DocumentFormat::Report: return ".html";
    case DocumentFormat::Kml:
    case DocumentFormat::KmlTrack: break;
    }
    return ".kml";
}

} // namespace conversion
