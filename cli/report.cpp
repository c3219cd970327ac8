#include "report.h"

#include "conversion/no_placemark.h"
#include "conversion/shown_name.h"

namespace cli {

using conversion::OutcomeKind;

namespace {

std::string Shown(const std::string &path, const char *stdName) { return path == "-" ? stdName : EscapedName(path); }

// What became of the target when the run did not complete.
std::string LeftAs(const std::string &kml, const conversion::ConversionOutcome &o) {
    return kml + (o.writtenInPlace ? " left incomplete" : " not written");
}

} // namespace

std::string DocumentKind(const conversion::ConversionOptions &options) {
    if (options.kmz) return "KMZ";
    switch (options.format) {
    case conversion::DocumentFormat::Gpx: return "GPX";
    case conversion::DocumentFormat::Csv: return "CSV";
    case conversion::DocumentFormat::KmlTrack: return "KML track";
    case conversion::DocumentFormat::Report: return "report";
    case conversion::DocumentFormat::Kml: break;
    }
    return "KML";
}

bool Succeeded(const conversion::ConversionOutcome &outcome) { return outcome.kind == OutcomeKind::Done; }

std::string EscapedName(const std::string &name) { return conversion::ShownName(name); }

std::string DescribeOutcome(const std::string &log, const std::string &target, const conversion::ConversionOutcome &o) {
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
        if (c.placemarks == 0) line += " (" + conversion::WhyNoPlacemark(c) + ")";
        if (c.cyclesWithoutPosition > 0)
            line += ", " + std::to_string(c.cyclesWithoutPosition) + " cycles without a position";
        if (c.timeStampsLeftOut > 0)
            line += ", " + std::to_string(c.timeStampsLeftOut) + " placemarks without a time stamp (no calendar date)";
        if (c.datesMoved > 0) line += ", " + std::to_string(c.datesMoved) + " placemarks dated the day after midnight";
        if (c.otherTalkerIgnored > 0)
            line += ", " + std::to_string(c.otherTalkerIgnored) + " sentences from a second talker ignored";
        if (c.withoutChecksum > 0) line += ", " + std::to_string(c.withoutChecksum) + " sentences without a checksum";
        if (c.dateOptionUnused) line += ", --date not needed (the log gives its own date)";
        if (c.badChecksums > 0) {
            line += ", " + std::to_string(c.badChecksums) + " bad checksums skipped (first on line " +
                    std::to_string(c.firstBadChecksumLine) + ")";
        }
        return line;
    }
    case OutcomeKind::SourceNotOpenable: return source + ": cannot open the log: " + o.systemError;
    case OutcomeKind::TargetNotOpenable: return source + ": cannot write " + kml + ": " + o.systemError;
    case OutcomeKind::TargetExists: return source + ": " + kml + " exists, skipped (use --force to replace it)";
    case OutcomeKind::FormatError:
        return source + ":" + std::to_string(o.line) + ": NMEA format error! (checksum mismatch); " + LeftAs(kml, o);
    case OutcomeKind::ReadFailed: return source + ": read error: " + o.systemError + "; " + LeftAs(kml, o);
    case OutcomeKind::WriteFailed:
        return source + ": cannot write " + kml + ": " + o.systemError +
               (o.writtenInPlace ? "; " + LeftAs(kml, o) : "; nothing kept");
    case OutcomeKind::Cancelled: return source + ": interrupted; " + LeftAs(kml, o);
    }
    return source + ": unknown outcome";
}

} // namespace cli
