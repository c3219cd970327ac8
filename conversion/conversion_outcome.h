// What became of one conversion: done with its counts, or why not. The
// caller shows it; the engine never prints.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace conversion {

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
    uint64_t cycles = 0;                // fix cycles closed with a date known
    uint64_t cyclesWithoutPosition = 0; // closed with both coordinates zero: no placemark
    uint64_t timeStampsLeftOut = 0;     // placemarks whose Date text is no calendar date
    uint64_t datesMoved = 0;            // placemarks set on the day after the Date text's
    uint64_t otherTalkerIgnored = 0;    // --any-talker: sentences of a kind from a second talker
    uint64_t withoutChecksum = 0;       // sentences of our kinds that end without "*hh"
    bool dateOptionUnused = false;      // a date was given, but the log dates its fixes itself
    // Sentences of our types from other talkers (GN, GL, ...), by talker, the
    // first eight talkers kept. Left out of the document because the log did not say it.
    struct TalkerCount {
        char talker[2];
        uint64_t count;
    };
    std::array<TalkerCount, 8> otherTalkers{};
    size_t otherTalkersSeen = 0; // entries of otherTalkers in use
    uint64_t otherTalkerSentences = 0;
    // Documents of fix epochs (GPX, KML track, CSV): placemarks counts their points.
    bool epochDocument = false;
    uint64_t epochs = 0;
    uint64_t segments = 0;
    // The log begins as a compressed file does: the tool that unpacks it
    // ("gunzip", ...), else null.
    const char *compressedWith = nullptr;
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

} // namespace conversion
