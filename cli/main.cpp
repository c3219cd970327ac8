// sentrova-convert: converts many or large NMEA logs into KML from the command line.
#include <array>
#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

#include "batch_run.h"
#include "options.h"

namespace {

// Descriptors 0 to 2 that were closed are opened on /dev/null, so that no file
// we open becomes standard error; true for each that was closed.
std::array<bool, 3> OpenStandardDescriptors() {
    std::array<bool, 3> closed{};
    for (int fd = 0; fd < 3; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        closed[fd] = true;
        const int opened = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (opened != fd) std::_Exit(1); // /dev/null is missing: nothing can be run safely
    }
    return closed;
}

} // namespace

int main(int argc, char **argv) {
    // Before anything opens a file, even the locale's.
    const std::array<bool, 3> closed = OpenStandardDescriptors();
    // Messages may follow the user's locale; the documents never do.
    std::setlocale(LC_ALL, "");
    cli::BatchOptions options;
    const int parsed = cli::ParseArguments(argc, argv, options);
    if (parsed >= 0) return parsed;

    // Only files we create grow: past a size limit a write fails and is reported.
    std::signal(SIGXFSZ, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN); // a closed pipe is a write error, not a silent death
    cli::BatchRun run(options, closed);
    return run.Run();
}
