// One log file into one document file: the files opened, the run, and the
// document put in place only when complete. Also how targets are named.
#pragma once

#include <atomic>
#include <csignal>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <sys/stat.h>

#include "conversion_options.h"
#include "conversion_outcome.h"

namespace conversion {

class CycleHook;

struct ConversionRequest {
    std::string sourcePath; // "-" reads standard input
    std::string targetPath; // "-" writes standard output
    ConversionOptions options;
    bool replaceExisting = false; // the user agreed to replace an existing target
    // The user named this exact target (not derived from the log's name): a
    // pipe or a character device there is written in place, and "/dev/stdout",
    // "/dev/fd/N" mean the descriptor.
    bool targetNamed = false;
    const std::atomic<bool> *cancel = nullptr;
    // Signals the caller blocks and takes in one thread: one of them pending
    // cancels the run, checked again right before the document replaces its
    // target, so that a signal not yet taken still counts.
    const sigset_t *cancelSignals = nullptr;
    CycleHook *hook = nullptr;
    std::atomic<uint64_t> *bytesRead = nullptr; // grows by each block of the log read
};

// A file conversion in two steps, so that a window can pause between opening
// the files and converting. The document goes to a new file of our own beside
// the target that replaces the target only when complete.
class FileConversion {
  public:
    explicit FileConversion(ConversionRequest request);
    ~FileConversion();
    FileConversion(const FileConversion &) = delete;
    FileConversion &operator=(const FileConversion &) = delete;

    // Opens source and target; Done when both are open.
    ConversionOutcome Open();
    ConversionOutcome Run();
    // True after Open when the document goes straight to the target.
    bool WritesInPlace() const { return inPlace_; }
    // From any thread, at any time, also while Run works: the temporary file is
    // removed now and never replaces the target.
    void Abandon() noexcept;

  private:
    void Discard();
    // Removes the temporary file and lets go of its folder; under tempLock_.
    void RemoveTemporary() noexcept;
    bool CancelRequested() const;
    ConversionOutcome OpenTarget(const struct stat &sourceInfo);

    ConversionRequest request_;
    int sourceFd_ = -1;
    int targetFd_ = -1;
    bool ownSource_ = false;
    bool ownTarget_ = false;
    bool inPlace_ = false;
    std::mutex tempLock_; // the temporary file's name and folder, against Abandon
    bool abandoned_ = false;
    // The temporary file's name in its folder, held open; empty when writing
    // straight to the target.
    int folderFd_ = -1;
    std::string tempName_;
};

ConversionOutcome ConvertFile(const ConversionRequest &request);

// The descriptor a target names: "-", "/dev/stdout", "/dev/stderr",
// "/dev/fd/N" or "/proc/self/fd/N"; -1 for any other path.
int DescriptorNamedBy(const std::string &target);

// The target beside the log: its file name's extension replaced by `extension`.
std::string TargetPathFor(const std::string &sourcePath, std::string_view extension = ".kml");

// The name a document of the log goes by (a track's, a report's title): its file name.
std::string DocumentName(const std::string &sourcePath);

// The target's extension for a format: ".kml", ".gpx", ".csv", ".html", or ".kmz" when packed.
std::string_view TargetExtension(const ConversionOptions &options);

} // namespace conversion
