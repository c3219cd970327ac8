#include "options.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cmath>
#include <iostream>
#include <map>
#include <string_view>
#include <thread>
#include <unistd.h>

namespace cli {

int ParseArguments(int argc, char **argv, BatchOptions &options) {
    CLI::App app{"Converts NMEA-0183 GPS logs into KML documents, one placemark per fix,\n"
                 "or into GPX, a KML track, CSV, KMZ or an HTML report (--format, --kmz).\n"
                 "Each LOG.ext becomes LOG.kml (.gpx, .csv, .kmz, .html) beside it; an existing\n"
                 "document is kept unless --force.",
                 "sentrova-convert"};
    app.footer("Examples:\n"
               "  sentrova-convert drive.nmea                  writes drive.kml\n"
               "  sentrova-convert -c green -k day1.log day2.log\n"
               "  sentrova-convert -o - track.nmea > track.kml  writes standard output\n"
               "  gunzip -c big.nmea.gz | sentrova-convert -o big.kml -\n"
               "  sentrova-convert --format gpx drive.nmea      writes drive.gpx (GPX 1.1)\n"
               "  sentrova-convert --format kml-track --style quality rtk.nmea\n"
               "                                                writes rtk.kml, a time-aware track\n"
               "  sentrova-convert --format kml-track --kmz drive.nmea   writes drive.kmz\n"
               "  sentrova-convert --format kml --kmz drive.nmea         the placemarks in drive.kmz\n"
               "  sentrova-convert --format csv --date 2024-05-01 nodate.nmea   writes nodate.csv\n"
               "  sentrova-convert --format report drive.nmea   writes drive.html, a page to read\n"
               "\nExit status: 0 every log converted, 1 a log failed, 2 usage error,\n"
               "128+N a signal N stopped a conversion: 129 SIGHUP, 130 SIGINT (Ctrl-C),\n"
               "131 SIGQUIT, 143 SIGTERM. Interrupted documents are not written; an existing\n"
               "one stays as it was. A signal after the last one was in place changes nothing.\n"
               "No document replaces a log of the same command line. A LOG named -x goes\n"
               "after --, which ends the options.");
    app.set_version_flag("--version", "sentrova-convert " SENTROVA_VERSION);

    // In the order of the colour table.
    const std::vector<std::string> colours = {"red", "blue", "yellow", "green", "orange"};
    std::string colour = colours[0];
    app.add_option("LOG", options.logs, "NMEA log to convert; - reads standard input (needs -o)")->required();
    // A name only: a transformer to the index would take "3" as well.
    app.add_option("-c,--color", colour, "icon colour: red, blue, yellow, green or orange (default red)")
        ->transform(CLI::IsMember(colours, CLI::ignore_case))
        ->option_text("COLOUR");
    app.add_flag("-k,--checksum", options.conversion.verifyChecksums,
                 "verify every sentence's checksum; a log stops at its first bad sentence");
    app.add_option("-o,--output", options.output,
                   "document to write (one LOG only); -, /dev/stdout or /dev/fd/N is that\n"
                   "descriptor; a pipe or device named here is written in place")
        ->option_text("PATH");
    app.add_flag("-f,--force", options.force, "replace an existing document");
    app.add_option("-j,--jobs", options.jobs, "logs converted in parallel (default: one per processor)")
        ->check(CLI::Range(1u, 1024u))
        ->option_text("N");
    app.add_flag("-q,--quiet", options.quiet, "print only errors");

    auto *extras = "Beyond the plain document (all off by default)";
    app.add_flag("--any-talker", options.conversion.anyTalker,
                 "read GN, GL, GA, GB, BD, QZ... fixes as GP ones\n"
                 "(multi-constellation receivers); one talker per sentence\n"
                 "type: the first seen, or GN from its first sentence on; a\n"
                 "talker that falls silent gives way: another talker's second\n"
                 "sentence of the type with none from the read talker between\n"
                 "is read, and that talker from then on (a GSV set counts as\n"
                 "one sentence; interleaved talkers never switch); the\n"
                 "others' are counted and ignored; gpx,\n"
                 "kml-track and csv read every talker anyway;\n"
                 "e.g. --any-talker gnss.nmea")
        ->group(extras);
    app.add_flag("--line", options.track.line,
                 "add a track line through all placemarks, named after the log;\n"
                 "e.g. --line -c blue walk.nmea")
        ->group(extras);
    const std::map<std::string, std::string> modes = {
        {"clampToGround", ""}, {"relativeToGround", "relativeToGround"}, {"absolute", "absolute"}};
    app.add_option("--altitude-mode", options.track.altitudeMode,
                   "clampToGround (default), relativeToGround or absolute: absolute\n"
                   "shows flights and drone logs at their height; e.g. --altitude-mode absolute")
        ->transform(CLI::CheckedTransformer(modes, CLI::ignore_case))
        ->option_text("MODE")
        ->group(extras);
    std::string badChecksum;
    app.add_option("--bad-checksum", badChecksum,
                   "stop (default with -k): a bad sentence stops the log; skip: verify\n"
                   "checksums, leave bad sentences out and count them;\n"
                   "e.g. --bad-checksum skip noisy.nmea")
        ->transform(CLI::IsMember({"stop", "skip"}, CLI::ignore_case))
        ->option_text("POLICY")
        ->group(extras);
    app.add_flag("--skip-invalid", options.track.skipInvalid,
                 "no placemark while RMC/GLL report V or GGA reports no fix;\n"
                 "e.g. --skip-invalid cold-start.nmea")
        ->group(extras);
    app.add_option("--every", options.track.every, "write every N-th placemark only, the first always; e.g. --every 10")
        ->check(CLI::Range(1u, 1000000000u))
        ->option_text("N")
        ->group(extras);

    auto *formats = "Other documents";
    // Names only: a transformer to the enum would offer its numbers among the choices.
    const std::vector<std::pair<std::string, conversion::DocumentFormat>> formatNames = {
        {"kml", conversion::DocumentFormat::Kml},
        {"gpx", conversion::DocumentFormat::Gpx},
        {"kml-track", conversion::DocumentFormat::KmlTrack},
        {"csv", conversion::DocumentFormat::Csv},
        {"report", conversion::DocumentFormat::Report}};
    std::vector<std::string> formatChoices;
    for (const auto &[name, format] : formatNames) formatChoices.push_back(name);
    std::string formatName = "kml";
    app.add_option("--format", formatName,
                   "kml (default): one placemark per fix; gpx: GPX 1.1 track;\n"
                   "kml-track: KML 2.2 gx:Track with time; csv: one row per fix;\n"
                   "report: one HTML page of the log (summary, ground track, series\n"
                   "over time, sky, accuracy, events), for any browser, offline.\n"
                   "The formats but kml keep the log's full precision, read every\n"
                   "talker and constellation and write one point per UTC time;\n"
                   "e.g. --format gpx drive.nmea")
        ->transform(CLI::IsMember(formatChoices, CLI::ignore_case))
        ->option_text("FORMAT")
        ->group(formats);
    app.add_flag("--kmz", options.conversion.kmz,
                 "pack the KML (kml or kml-track) as doc.kml into LOG.kmz; needs a\n"
                 "file it can seek in: not a pipe, nor one opened for appending (>>);\n"
                 "e.g. --format kml-track --kmz drive.nmea")
        ->group(formats);
    std::string date;
    app.add_option("--date", date,
                   "the date of a log that carries none (no valid RMC or ZDA date),\n"
                   "YYYY-MM-DD; a log's own date wins, and the summary says so;\n"
                   "all formats but kml; e.g. --date 2024-05-01")
        ->option_text("DATE")
        ->group(formats);
    app.add_option("--split-gap", options.conversion.track.splitGapSeconds,
                   "start a new segment after a gap of more than SECONDS between\n"
                   "fixes (default 10); all formats but kml; e.g. --split-gap 60.\n"
                   "Epochs: sentences of one UTC second are one fix (to the\n"
                   "millisecond once a type repeats within a second); a fix the\n"
                   "receiver marks invalid gives no point; segments break at an\n"
                   "invalid fix, at such a gap and where time goes back; GSA, GSV\n"
                   "and VTG join the fix of their own cycle, never across a gap")
        ->check(CLI::Range(0.001, 1e9))
        ->option_text("SECONDS")
        ->group(formats);
    std::string style;
    app.add_option("--style", style,
                   "quality: colour the kml-track by fix quality (RTK fixed, RTK float,\n"
                   "DGPS, GPS, estimated) with a legend; e.g. --style quality")
        ->transform(CLI::IsMember({"quality"}, CLI::ignore_case))
        ->option_text("STYLE")
        ->group(formats);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError &e) {
        const int status = app.exit(e);
        if (status == 0) return 0;
        // A log whose name starts with "-" reads as an option.
        for (int i = 1; i < argc && std::string_view(argv[i]) != "--"; ++i) {
            const std::string_view arg = argv[i];
            if (arg.size() > 1 && arg[0] == '-' && ::access(argv[i], F_OK) == 0) {
                std::cerr << "sentrova-convert: " << argv[i] << " is read as an option; -- ends the options: "
                          << "sentrova-convert [OPTIONS] -- " << argv[i] << '\n';
                break;
            }
        }
        return 2;
    }
    for (const auto &[name, format] : formatNames) {
        if (name == formatName) options.conversion.format = format;
    }
    options.conversion.colourIndex =
        static_cast<int>(std::find(colours.begin(), colours.end(), colour) - colours.begin());
    if (app.count("--output") > 0 && options.output.empty()) {
        std::cerr << "sentrova-convert: --output needs a path, or - for standard output\n";
        return 2;
    }
    if (!options.output.empty() && options.logs.size() != 1) {
        std::cerr << "sentrova-convert: --output takes exactly one LOG\n";
        return 2;
    }
    for (const std::string &log : options.logs) {
        if (log == "-" && options.output.empty()) {
            std::cerr << "sentrova-convert: reading standard input needs --output\n";
            return 2;
        }
    }
    if (badChecksum == "skip") {
        options.conversion.verifyChecksums = true;
        options.conversion.badChecksum = conversion::BadChecksumPolicy::Skip;
    }
    const auto usage = [](const std::string &message) {
        std::cerr << "sentrova-convert: " << message << '\n';
        return 2;
    };
    const conversion::DocumentFormat format = options.conversion.format;
    const bool epochs = format != conversion::DocumentFormat::Kml;
    if (options.conversion.kmz &&
        (format == conversion::DocumentFormat::Gpx || format == conversion::DocumentFormat::Csv ||
         format == conversion::DocumentFormat::Report))
        return usage("--kmz packs KML only: use it with --format kml or kml-track");
    if (epochs && !options.track.Plain())
        return usage("--line, --altitude-mode, --skip-invalid and --every apply to --format kml only");
    if (!epochs && (!date.empty() || app.count("--split-gap") > 0 || !style.empty()))
        return usage("--date, --split-gap and --style apply to --format gpx, kml-track, csv or report");
    if (!style.empty() && format != conversion::DocumentFormat::KmlTrack)
        return usage("--style quality applies to --format kml-track");
    // NaN passes every range check.
    if (std::isnan(options.conversion.track.splitGapSeconds))
        return usage("--split-gap: expected a number of seconds from 0.001 to 1e9, e.g. 60");
    options.conversion.track.styleQuality = !style.empty();
    if (!date.empty()) {
        track::CivilDate d;
        const auto digits = [&](size_t at, size_t n, int &value) {
            value = 0;
            for (size_t i = at; i < at + n; ++i) {
                if (date[i] < '0' || date[i] > '9') return false;
                value = value * 10 + (date[i] - '0');
            }
            return true;
        };
        const bool shaped = date.size() == 10 && date[4] == '-' && date[7] == '-' && digits(0, 4, d.year) &&
                            digits(5, 2, d.month) && digits(8, 2, d.day);
        // A date that exists: it survives the trip through the day count.
        if (!shaped || d.year < 1 || d.month < 1 || d.month > 12 || d.day < 1 ||
            track::CivilFromDays(track::DaysFromCivil(d)) != d)
            return usage("--date " + date + ": expected a date YYYY-MM-DD, e.g. 2024-05-01");
        options.conversion.track.date = d;
    }
    if (options.jobs == 0) options.jobs = std::max(1u, std::thread::hardware_concurrency());
    return -1;
}

} // namespace cli
