#include "options.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <iostream>
#include <map>
#include <thread>

namespace cli {

int ParseArguments(int argc, char **argv, BatchOptions &options) {
    CLI::App app{"Converts NMEA-0183 GPS logs into KML documents, one placemark per fix.\n"
                 "Each LOG.ext becomes LOG.kml beside it; an existing KML is kept unless --force.",
                 "sentrova-convert"};
    app.footer("Examples:\n"
               "  sentrova-convert drive.nmea                  writes drive.kml\n"
               "  sentrova-convert -c green -k day1.log day2.log\n"
               "  sentrova-convert -o - track.nmea > track.kml  writes standard output\n"
               "  gunzip -c big.nmea.gz | sentrova-convert -o big.kml -\n"
               "\nExit status: 0 every log converted, 1 a log failed, 2 usage error,\n"
               "128+N a signal N stopped a conversion: 129 SIGHUP, 130 SIGINT (Ctrl-C),\n"
               "131 SIGQUIT, 143 SIGTERM. Interrupted KMLs are not written; an existing\n"
               "KML stays as it was. A signal after the last KML was in place changes nothing.");
    app.set_version_flag("--version", "sentrova-convert " SENTROVA_VERSION);

    // In the order of the colour table.
    const std::vector<std::string> colours = {"red", "blue", "yellow", "green", "orange"};
    std::string colour = colours[0];
    app.add_option("LOG", options.logs, "NMEA log to convert; - reads standard input (needs -o)")
        ->required();
    // A name only: a transformer to the index would take "3" as well.
    app.add_option("-c,--color", colour, "icon colour: red, blue, yellow, green or orange (default red)")
        ->transform(CLI::IsMember(colours, CLI::ignore_case))
        ->option_text("COLOUR");
    app.add_flag("-k,--checksum", options.conversion.verifyChecksums,
                 "verify every sentence's checksum; a log stops at its first bad sentence");
    app.add_option("-o,--output", options.output,
                   "KML to write (one LOG only); -, /dev/stdout or /dev/fd/N is that\n"
                   "descriptor; a pipe or device named here is written in place")
        ->option_text("PATH");
    app.add_flag("-f,--force", options.force, "replace an existing KML");
    app.add_option("-j,--jobs", options.jobs, "logs converted in parallel (default: one per processor)")
        ->check(CLI::Range(1u, 1024u))
        ->option_text("N");
    app.add_flag("-q,--quiet", options.quiet, "print only errors");

    auto *extras = "Beyond the plain document (all off by default)";
    app.add_flag("--any-talker", options.conversion.anyTalker,
                 "read GN, GL, GA, GB, BD, QZ... fixes as GP ones\n"
                 "(multi-constellation receivers); e.g. --any-talker gnss.nmea")
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
    app.add_option("--every", options.track.every,
                   "write every N-th placemark only, the first always; e.g. --every 10")
        ->check(CLI::Range(1u, 1000000000u))
        ->option_text("N")
        ->group(extras);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError &e) {
        const int status = app.exit(e);
        return status == 0 ? 0 : 2;
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
    if (options.jobs == 0) options.jobs = std::max(1u, std::thread::hardware_concurrency());
    return -1;
}

} // namespace cli
