#include "report.h"

namespace cli {

using conversion::OutcomeKind;

namespace {

std::string Shown(const std::string &path, const char *stdName) { return path == "-" ? stdName : path; }

// The first thing missing on the way from a line to a placemark.
std::string WhyNoPlacemark(const conversion::ConversionCounts &c) {
    std::string talkers;
    for (size_t i = 0; i < c.otherTalkerKinds; ++i) {
        if (!talkers.empty()) talkers += ", ";
        talkers += std::string(c.otherTalkers[i].talker, 2) + " " + std::to_string(c.otherTalkers[i].count);
    }
    const std::string hint = talkers.empty() ? "" : "; sentences from other talkers: " + talkers + "; try --any-talker";
    if (c.epochDocument && c.sentences == 0) return "no sentence recognised";
    if (c.epochDocument && !c.cycleStartFound) return "no timed sentence (GGA, RMC, GLL, GNS, ZDA, GST)";
    if (!c.cycleStartFound && !talkers.empty()) return "fixes only from other talkers: " + talkers + "; try --any-talker";
    if (c.sentences == 0) return "no sentence recognised";
    if (!c.cycleStartFound) return "no RMC, GGA, GLL or RPT sentence";
    if (!c.fixSeen) return "no valid position" + hint;
    if (!c.dateSeen) return c.epochDocument ? "no date; give one with --date" : "no date" + hint;
    return "every fix left out by the options";
}

} // namespace

bool Succeeded(const conversion::ConversionOutcome &outcome) { return outcome.kind == OutcomeKind::Done; }

std::string DescribeOutcome(const std::string &log, const std::string &target,
                            const conversion::ConversionOutcome &o) {
    const std::string source = Shown(log, "(standard input)");
    const std::string kml = Shown(target, "(standard output)");
    const auto &c = o.counts;
    switch (o.kind) {
    case OutcomeKind::Done: {
        std::string line = source + " -> " + kml + ": " + std::to_string(c.lines) + " lines, " +
                           std::to_string(c.sentences) + " sentences, " + std::to_string(c.unrecognised) +
                           " unrecognised, ";
        if (c.epochDocument) {
            line += std::to_string(c.epochs) + " epochs, " + std::to_string(c.placemarks) + " points in " +
                    std::to_string(c.segments) + " segments";
        } else {
            line += std::to_string(c.placemarks) + " placemarks";
        }
        if (c.placemarks == 0) line += " (" + WhyNoPlacemark(c) + ")";
        if (c.badChecksums > 0) {
            line += ", " + std::to_string(c.badChecksums) + " bad checksums skipped (first on line " +
                    std::to_string(c.firstBadChecksumLine) + ")";
        }
        return line;
    }
    case OutcomeKind::SourceNotOpenable:
        return source + ": cannot open the log: " + o.systemError;
    case OutcomeKind::TargetNotOpenable:
        return source + ": cannot write " + kml + ": " + o.systemError;
    case OutcomeKind::TargetExists:
        return source + ": " + kml + " exists, skipped (use --force to replace it)";
    case OutcomeKind::FormatError:
        return source + ":" + std::to_string(o.line) + ": NMEA format error! (checksum mismatch); " + kml +
               " not written";
    case OutcomeKind::ReadFailed:
        return source + ": read error: " + o.systemError + "; " + kml + " not written";
    case OutcomeKind::WriteFailed:
        return source + ": cannot write " + kml + ": " + o.systemError + "; nothing kept";
    case OutcomeKind::Cancelled:
        return source + ": interrupted; " + kml + " not written";
    }
    return source + ": unknown outcome";
}

} // namespace cli
