// generate_log: writes the log of a 1 Hz receiver on a moving track, for the
// benchmarks and the sample log. Each second carries GGA, GSA, a GSV set of
// three messages, RMC and VTG with correct checksums and CR LF line ends.
// The same arguments and seed give the same bytes.
//
//   generate_log SIZE_MB OUTPUT [--seed N] [--start YYYY-MM-DDThh:mm:ss]
//   generate_log --seconds N OUTPUT [--seed N] [--start ...]
//
// SIZE_MB counts 10^6 bytes; the log ends with the first whole second at or
// beyond it. OUTPUT "-" writes standard output.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "support/logs.h"

namespace {

bool ParseStart(const char *text, int64_t &seconds) {
    int y, mo, d, h, mi, s;
    char tail;
    if (std::sscanf(text, "%d-%d-%dT%d:%d:%d%c", &y, &mo, &d, &h, &mi, &s, &tail) != 6) return false;
    if (mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 59 || h < 0 || mi < 0 || s < 0) return false;
    seconds = sentrova_test::UtcSeconds(y, mo, d, h, mi, s);
    return true;
}

int Usage() {
    std::fprintf(stderr, "usage: generate_log SIZE_MB OUTPUT [--seed N] [--start YYYY-MM-DDThh:mm:ss]\n"
                         "       generate_log --seconds N OUTPUT [--seed N] [--start ...]\n");
    return 2;
}

bool ParseNumber(const char *text, double &value) {
    char *end = nullptr;
    value = std::strtod(text, &end);
    return end != text && *end == '\0' && value >= 0;
}

} // namespace

int main(int argc, char **argv) {
    std::vector<const char *> positional;
    double sizeMb = -1;
    double seconds = -1;
    uint64_t seed = 1;
    int64_t start = 0;
    ParseStart("2026-12-07T14:32:05", start);
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--seconds" && hasValue) {
            if (!ParseNumber(argv[++i], seconds)) return Usage();
        } else if (arg == "--seed" && hasValue) {
            double s;
            if (!ParseNumber(argv[++i], s)) return Usage();
            seed = static_cast<uint64_t>(s);
        } else if (arg == "--start" && hasValue) {
            if (!ParseStart(argv[++i], start)) return Usage();
        } else if (arg.size() > 1 && arg[0] == '-' && arg != "-") {
            return Usage();
        } else {
            positional.push_back(argv[i]);
        }
    }
    const char *output = nullptr;
    if (seconds >= 0 && positional.size() == 1) {
        output = positional[0];
    } else if (seconds < 0 && positional.size() == 2 && ParseNumber(positional[0], sizeMb)) {
        output = positional[1];
    } else {
        return Usage();
    }

    FILE *file = std::strcmp(output, "-") == 0 ? stdout : std::fopen(output, "wb");
    if (file == nullptr) {
        std::perror(output);
        return 1;
    }
    const auto targetBytes = static_cast<uint64_t>(sizeMb * 1e6);
    const auto targetSeconds = static_cast<uint64_t>(seconds);
    sentrova_test::SimulatedReceiver receiver(seed, start);
    std::string block;
    block.reserve(1 << 20);
    uint64_t written = 0;
    for (uint64_t second = 0;; ++second) {
        if (seconds >= 0 ? second >= targetSeconds : written + block.size() >= targetBytes) break;
        receiver.EmitSecond(block);
        if (block.size() >= (1 << 20) - 1024) {
            if (std::fwrite(block.data(), 1, block.size(), file) != block.size()) break;
            written += block.size();
            block.clear();
        }
    }
    const bool ok = std::fwrite(block.data(), 1, block.size(), file) == block.size() && std::fflush(file) == 0 &&
                    !std::ferror(file);
    if (file != stdout && std::fclose(file) != 0) {
        std::perror(output);
        return 1;
    }
    if (!ok) {
        std::perror(output);
        return 1;
    }
    return 0;
}
