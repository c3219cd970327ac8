// sentrova-convert: converts many or large NMEA logs into KML from the command line.
#include <algorithm>
#include <array>
#include <atomic>
#include <clocale>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <fcntl.h>
#include <map>
#include <memory>
#include <mutex>
#include <poll.h>
#include <sys/signalfd.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "conversion/file_conversion.h"
#include "conversion/kml_writer.h"
#include "conversion/track_hook.h"
#include "options.h"
#include "report.h"

namespace {

namespace fs = std::filesystem;

std::atomic<bool> gInterrupted{false};
std::atomic<int> gSignal{0};
std::atomic<bool> gWorkersDone{false};

// Taken by whichever of main and the signal thread ends the program, and never
// given back; leaked so that it outlives the static objects.
std::mutex &EndLock() {
    static auto *lock = new std::mutex;
    return *lock;
}

// Guards the conversions under way, which the signal thread abandons when it
// ends the program; leaked like EndLock.
std::mutex &LiveLock() {
    static auto *lock = new std::mutex;
    return *lock;
}

struct Job {
    std::string log;
    std::string target;
    std::string skipped; // why the log is not converted at all
    conversion::ConversionOutcome outcome;
    bool finished = false;
    conversion::FileConversion *live = nullptr; // under LiveLock
    std::atomic<bool> inPlace{false};
};

// 128 + the signal when it stopped a conversion; a signal that came after the
// last KML was in place interrupted nothing. Else 0 when every log converted.
int ExitStatus(const std::vector<Job> &jobs, int signal) {
    const bool interrupted = signal != 0 && std::any_of(jobs.begin(), jobs.end(), [](const Job &job) {
        return job.skipped.empty() && (!job.finished || job.outcome.kind == conversion::OutcomeKind::Cancelled);
    });
    if (interrupted) return 128 + signal;
    const bool allDone = std::all_of(jobs.begin(), jobs.end(), [](const Job &job) {
        return job.skipped.empty() && cli::Succeeded(job.outcome);
    });
    return allDone ? 0 : 1;
}

// Prints the jobs' lines in the order of the command line as they finish.
class Reporter {
  public:
    Reporter(std::vector<Job> &jobs, bool quiet) : jobs_(jobs), quiet_(quiet) {}

    void Finished(size_t index) {
        std::lock_guard<std::mutex> lock(mutex_);
        jobs_[index].finished = true;
        PrintReady(false);
    }

    // The program ends now: the jobs still open are reported as interrupted.
    // Gives the exit status.
    int Abandon(int signal) {
        std::lock_guard<std::mutex> lock(mutex_);
        PrintReady(true);
        return ExitStatus(jobs_, signal);
    }

  private:
    void PrintReady(bool all) {
        while (next_ < jobs_.size() && (all || jobs_[next_].finished)) {
            const Job &job = jobs_[next_++];
            conversion::ConversionOutcome interrupted;
            interrupted.kind = conversion::OutcomeKind::Cancelled;
            interrupted.writtenInPlace = job.inPlace;
            const conversion::ConversionOutcome &outcome = job.finished ? job.outcome : interrupted;
            if (!job.skipped.empty()) {
                std::cerr << cli::EscapedName(job.log) << ": " << job.skipped << '\n';
            } else if (!quiet_ || !cli::Succeeded(outcome)) {
                std::cerr << cli::DescribeOutcome(job.log, job.target, outcome) << '\n';
            }
        }
        std::cerr.flush();
    }

    std::vector<Job> &jobs_;
    bool quiet_;
    std::mutex mutex_;
    size_t next_ = 0;
};

// Conversions stop at their next line once interrupted, but one waiting in a
// read or write of a silent pipe may never get there. After a grace period, or
// at a second signal, this thread removes the temporary files itself and ends
// the program.
//
// A signal is taken off the pending set only after the flag is set, so that a
// conversion about to replace its target sees one or the other (FileConversion
// looks at the pending set first, then at the flag).
void WatchSignals(int signals, sigset_t set, std::vector<Job> &jobs, Reporter &reporter) {
    struct pollfd ready = {signals, POLLIN, 0};
    while (::poll(&ready, 1, -1) != 1) {
        if (errno != EINTR) return;
    }
    sigset_t pending;
    ::sigpending(&pending);
    int signal = 0;
    for (int s = 1; s < NSIG && signal == 0; ++s) {
        if (sigismember(&set, s) == 1 && sigismember(&pending, s) == 1) signal = s;
    }
    gSignal = signal != 0 ? signal : SIGINT;
    gInterrupted = true;
    struct signalfd_siginfo info {};
    (void)!::read(signals, &info, sizeof info);
    for (int i = 0; i < 50 && !gWorkersDone; ++i) {
        if (::poll(&ready, 1, 20) == 1) break; // a second signal: no more waiting
    }
    if (gWorkersDone || !EndLock().try_lock()) return;
    LiveLock().lock(); // never given back: no conversion starts or ends from here on
    for (Job &job : jobs) {
        if (job.live) job.live->Abandon();
    }
    std::_Exit(reporter.Abandon(gSignal));
}

// The same file under another spelling: "a.kml", "./a.kml", "sub/../a.kml".
std::string FileKey(const std::string &path) {
    if (path == "-") return path;
    std::error_code error;
    // Absolute first: weakly_canonical leaves a relative path relative when
    // its first element does not exist yet.
    const fs::path absolute = fs::absolute(path, error).lexically_normal();
    const fs::path key = fs::weakly_canonical(absolute, error);
    return error ? absolute.string() : key.string();
}

bool SameFile(const std::string &log, const std::string &target) {
    std::error_code error;
    return log != "-" && target != "-" && fs::equivalent(log, target, error);
}

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

// Runs one job; every failure becomes its outcome.
conversion::ConversionOutcome ConvertJob(Job &job, const cli::BatchOptions &options, const sigset_t &signals) {
    conversion::ConversionRequest request;
    request.sourcePath = job.log;
    request.targetPath = job.target;
    request.options = options.conversion;
    request.replaceExisting = options.force;
    request.targetNamed = !options.output.empty();
    request.cancel = &gInterrupted;
    request.cancelSignals = &signals;
    std::unique_ptr<conversion::TrackHook> hook;
    if (!options.track.Plain()) {
        conversion::TrackOptions track = options.track;
        track.lineName = job.log == "-" ? "standard input" : std::filesystem::path(job.log).filename().string();
        hook = std::make_unique<conversion::TrackHook>(track, conversion::IconColour(options.conversion.colourIndex));
        request.hook = hook.get();
    }
    conversion::FileConversion conversion(request);
    // Known to the signal thread from before its files are opened until it is gone.
    struct Live {
        Job &job;
        Live(Job &j, conversion::FileConversion &c) : job(j) {
            std::lock_guard lock(LiveLock());
            job.live = &c;
        }
        ~Live() {
            std::lock_guard lock(LiveLock());
            job.live = nullptr;
        }
    } live(job, conversion);
    conversion::ConversionOutcome outcome = conversion.Open();
    job.inPlace = conversion.WritesInPlace();
    if (outcome.kind == conversion::OutcomeKind::Done) outcome = conversion.Run();
    return outcome;
}

// Where no signal thread can be had: the flag alone, and a second signal ends
// the program at once.
void TakeSignal(int signal) {
    gSignal = signal;
    gInterrupted = true;
}

void TakeSignalsWithoutAThread(const sigset_t &signals) {
    for (int s = 1; s < NSIG; ++s) {
        if (sigismember(&signals, s) != 1) continue;
        struct sigaction action {};
        action.sa_handler = TakeSignal;
        action.sa_flags = SA_RESETHAND;
        ::sigaction(s, &action, nullptr);
    }
    ::pthread_sigmask(SIG_UNBLOCK, &signals, nullptr);
}

conversion::ConversionOutcome Failed(conversion::OutcomeKind kind, std::string why) {
    conversion::ConversionOutcome outcome;
    outcome.kind = kind;
    outcome.systemError = std::move(why);
    return outcome;
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
    // One thread takes the signals (WatchSignals), all others block them; a
    // signal ignored on entry, as under nohup, stays ignored.
    sigset_t signals;
    sigemptyset(&signals);
    for (int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
        struct sigaction current {};
        if (::sigaction(s, nullptr, &current) == 0 && current.sa_handler != SIG_IGN) sigaddset(&signals, s);
    }
    ::pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    // A descriptor named as the KML must be one we were given, not one we open.
    const int named = options.output.empty() ? -1 : conversion::DescriptorNamedBy(options.output);
    const bool namedClosed = named >= 0 && (named < 3 ? closed[named] : ::fcntl(named, F_GETFD) == -1);

    std::vector<Job> jobs(options.logs.size());
    std::map<std::string, size_t> targets;
    for (size_t i = 0; i < jobs.size(); ++i) {
        Job &job = jobs[i];
        job.log = options.logs[i];
        job.target = options.output.empty() ? conversion::TargetPathFor(job.log, conversion::TargetExtension(options.conversion))
                                            : options.output;
        const std::string shown = cli::EscapedName(job.target);
        if (!targets.emplace(FileKey(job.target), i).second) {
            job.skipped = "same KML " + shown + " as an earlier log, skipped";
        } else if (SameFile(job.log, job.target)) {
            job.skipped = "the KML " + shown + " would replace the log itself, skipped";
        }
    }

    Reporter reporter(jobs, options.quiet);
    bool watched = false;
    const int signalFd = ::signalfd(-1, &signals, SFD_CLOEXEC);
    if (signalFd >= 0) {
        try {
            std::thread(WatchSignals, signalFd, signals, std::ref(jobs), std::ref(reporter)).detach();
            watched = true;
        } catch (const std::system_error &) {
        }
    }
    if (!watched) TakeSignalsWithoutAThread(signals);

    std::atomic<size_t> next{0};
    auto worker = [&] {
        for (size_t i; (i = next.fetch_add(1)) < jobs.size();) {
            Job &job = jobs[i];
            using conversion::OutcomeKind;
            try {
                if (gInterrupted) {
                    job.outcome.kind = OutcomeKind::Cancelled;
                } else if (!job.skipped.empty()) {
                } else if (job.log == "-" && closed[STDIN_FILENO]) {
                    job.outcome = Failed(OutcomeKind::SourceNotOpenable, "standard input is closed");
                } else if (namedClosed) {
                    job.outcome = Failed(OutcomeKind::TargetNotOpenable, std::strerror(EBADF));
                } else {
                    job.outcome = ConvertJob(job, options, signals);
                }
            } catch (const std::bad_alloc &) {
                job.outcome = Failed(OutcomeKind::WriteFailed, std::strerror(ENOMEM));
            } catch (const std::exception &e) {
                job.outcome = Failed(OutcomeKind::WriteFailed, e.what());
            }
            reporter.Finished(i);
        }
    };
    const unsigned threads = std::min<unsigned>(options.jobs, static_cast<unsigned>(jobs.size()));
    std::vector<std::thread> pool;
    try {
        for (unsigned t = 1; t < threads; ++t) pool.emplace_back(worker);
    } catch (const std::system_error &) {
        // A thread limit: the logs are shared among the threads there are.
    }
    worker();
    for (std::thread &t : pool) t.join();
    EndLock().lock(); // from here on the signal thread leaves the ending to us
    gWorkersDone = true;

    // A conversion may have seen a signal the signal thread has not taken yet.
    int signal = gInterrupted ? gSignal.load() : 0;
    sigset_t pending;
    for (int s = 1; s < NSIG && signal == 0 && ::sigpending(&pending) == 0; ++s) {
        if (sigismember(&signals, s) == 1 && sigismember(&pending, s) == 1) signal = s;
    }
    return ExitStatus(jobs, signal);
}
