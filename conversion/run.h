// One conversion of a log into its KML document, from open to close. It never
// prints, asks or exits: the outcome is a value for the caller to show.
#pragma once

#include <array>
#include <atomic>
#include <csignal>
#include <cstdint>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <string>

#include "byte_io.h"
#include "placemark_rules.h"
#include "track_writers.h"
#include "nmea/manager.h"

namespace conversion {

enum class BadChecksumPolicy { Stop, Skip };

struct ConversionOptions {
    int colourIndex = 0; // index into IconColours; anything else is Red
    bool verifyChecksums = false;
    BadChecksumPolicy badChecksum = BadChecksumPolicy::Stop;
    bool anyTalker = false;
    DocumentFormat format = DocumentFormat::Kml;
    bool kmz = false; // the KML packed as doc.kml in a zip archive
    TrackDocumentOptions track;
};

struct ConversionCounts {
    uint64_t lines = 0;        // lines of the log read
    uint64_t sentences = 0;    // recognised sentences
    uint64_t unrecognised = 0; // lines with "*" whose name is none of ours
    uint64_t placemarks = 0;
    uint64_t badChecksums = 0; // skipped under BadChecksumPolicy::Skip
    uint64_t firstBadChecksumLine = 0;
    // Why a log may give no placemark.
    bool cycleStartFound = false;
    bool fixSeen = false;
    bool dateSeen = false;
    // Sentences of our types from other talkers (GN, GL, ...), by talker.
    // Left out of the document because the log did not say it.
    uint64_t cycles = 0;                // fix cycles closed with a date known
    uint64_t cyclesWithoutPosition = 0; // closed with both coordinates zero: no placemark
    uint64_t timeStampsLeftOut = 0;     // placemarks whose Date text is no calendar date
    uint64_t datesMoved = 0;            // placemarks set on the day after the Date text's
    uint64_t otherTalkerIgnored = 0;    // --any-talker: sentences of a kind from a second talker
    struct TalkerCount {
        char talker[2];
        uint64_t count;
    };
    std::array<TalkerCount, 8> otherTalkers{};
    size_t otherTalkerKinds = 0;
    uint64_t otherTalkerSentences = 0;
    // Documents of fix epochs (GPX, KML track, CSV): placemarks counts their points.
    bool epochDocument = false;
    uint64_t epochs = 0;
    uint64_t segments = 0;
};

enum class OutcomeKind {
    Done,
    SourceNotOpenable,
    TargetNotOpenable,
    TargetExists, // appeared although replacing was not agreed to
    FormatError,  // a checksum failed: "NMEA format error!"
    ReadFailed,
    WriteFailed,
    Cancelled,
};

struct ConversionOutcome {
    OutcomeKind kind = OutcomeKind::Done;
    ConversionCounts counts;
    uint64_t line = 0;       // the log's line of a format error
    std::string systemError; // the system's text for open, read and write failures
    // The document went straight to a pipe, a device or a descriptor, so what
    // was written before a failure is out there, incomplete.
    bool writtenInPlace = false;
};

// Extensions of the plain document (batch converter options). Without a hook
// the run writes exactly the plain document.
class CycleHook {
  public:
    virtual ~CycleHook() = default;
    // Extra header lines, written after the icon style.
    virtual void WriteHeaderExtra(OutputBuffer &out) { (void)out; }
    // A fix cycle with a position has closed: write its placemark, on `date`,
    // or not; true when written.
    virtual bool OnCycle(OutputBuffer &out, const nmea::NMEA_Manager &fix, const PlacemarkDate &date) = 0;
    // Extra lines before the footer; false when they could not be produced.
    virtual bool WriteBeforeFooter(OutputBuffer &out) {
        (void)out;
        return true;
    }
    // The system's error number when WriteBeforeFooter failed.
    virtual int Error() const { return 0; }
    // What failed, for the message: by default the system's text for Error().
    virtual std::string ErrorText() const;
};

// Writes out what `out` still holds; a failed write turns a done outcome into
// WriteFailed with the system's text. Every run ends with it.
void FlushInto(OutputBuffer &out, ConversionOutcome &outcome);

// The loop over one stream: header, placemarks, footer. Writes into `out`
// and flushes it; the caller decides what becomes of the bytes on failure.
ConversionOutcome ConvertStream(ByteSource &in, OutputBuffer &out, const ConversionOptions &options,
                                const std::atomic<bool> *cancel = nullptr, CycleHook *hook = nullptr);

// The same for the documents made of fix epochs; `name` names the track.
ConversionOutcome ConvertTrack(ByteSource &in, OutputBuffer &out, const ConversionOptions &options,
                               std::string_view name, const std::atomic<bool> *cancel = nullptr);

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
    bool CancelRequested() const;
    ConversionOutcome OpenTarget(const struct stat &sourceInfo);

    ConversionRequest request_;
    int sourceFd_ = -1;
    int targetFd_ = -1;
    bool ownSource_ = false;
    bool ownTarget_ = false;
    bool inPlace_ = false;
    std::mutex tempLock_; // the temporary file's name, against Abandon
    bool abandoned_ = false;
    std::string tempPath_; // empty when writing straight to the target
};

ConversionOutcome ConvertFile(const ConversionRequest &request);

// The descriptor a target names: "-", "/dev/stdout", "/dev/stderr",
// "/dev/fd/N" or "/proc/self/fd/N"; -1 for any other path.
int DescriptorNamedBy(const std::string &target);

// The folder for unnamed scratch files: $TMPDIR, else /tmp.
std::string ScratchFolder();
// A read-write file in `folder` that no name leads to, gone when closed; -1
// with errno set on failure.
int OpenScratchFile(const std::string &folder);

// The target beside the log: its file name's extension replaced by `extension`.
std::string TargetPathFor(const std::string &sourcePath, std::string_view extension = ".kml");

// The target's extension for a format: ".kml", ".gpx", ".csv", or ".kmz" when packed.
std::string_view TargetExtension(const ConversionOptions &options);

} // namespace conversion
