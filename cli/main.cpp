// sentrova-convert: converts many or large NMEA logs into KML from the command line.
#include <algorithm>
#include <atomic>
#include <clocale>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <unistd.h>
#include <vector>

#include "conversion/kml_writer.h"
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

struct Job {
    std::string log;
    std::string target;
    std::string skipped; // why the log is not converted at all
    conversion::ConversionOutcome outcome;
    bool finished = false;
};

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
    void Abandon() {
        std::lock_guard<std::mutex> lock(mutex_);
        PrintReady(true);
    }

  private:
    void PrintReady(bool all) {
        conversion::ConversionOutcome interrupted;
        interrupted.kind = conversion::OutcomeKind::Cancelled;
        while (next_ < jobs_.size() && (all || jobs_[next_].finished)) {
            const Job &job = jobs_[next_++];
            const conversion::ConversionOutcome &outcome = job.finished ? job.outcome : interrupted;
            if (!job.skipped.empty()) {
                std::cerr << job.log << ": " << job.skipped << '\n';
            } else if (!quiet_ || !cli::Succeeded(outcome)) {
                std::cerr << cli::DescribeOutcome(job.log, job.target, outcome) << '\n';
            }
        }
    }

    std::vector<Job> &jobs_;
    bool quiet_;
    std::mutex mutex_;
    size_t next_ = 0;
};

// The engine's temporary files are ".NAME.PID.N.tmp" beside the target.
void RemoveTemporaries(const std::string &target) {
    if (target == "-") return;
    const fs::path prefixPath(conversion::TemporaryPrefix(target));
    const std::string prefix = prefixPath.filename().string();
    const fs::path folder = prefixPath.has_parent_path() ? prefixPath.parent_path() : fs::path(".");
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.starts_with(prefix) && name.ends_with(".tmp")) ::unlink(it->path().c_str());
    }
}

// Conversions stop at their next line once interrupted, but one waiting in a
// read or write of a silent pipe may never get there. After a grace period, or
// at a second signal, this thread removes the temporary files itself and ends
// the program.
void WatchSignals(sigset_t signals, const std::vector<Job> &jobs, Reporter &reporter) {
    int signal = 0;
    if (::sigwait(&signals, &signal) != 0) return;
    gSignal = signal;
    gInterrupted = true;
    const struct timespec tick = {0, 20'000'000};
    for (int i = 0; i < 50 && !gWorkersDone; ++i) {
        if (::sigtimedwait(&signals, nullptr, &tick) > 0) break;
    }
    if (gWorkersDone || !EndLock().try_lock()) return;
    for (const Job &job : jobs) RemoveTemporaries(job.target);
    reporter.Abandon();
    std::_Exit(128 + signal);
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

} // namespace

int main(int argc, char **argv) {
    // Messages may follow the user's locale; the documents never do.
    std::setlocale(LC_ALL, "");
    cli::BatchOptions options;
    const int parsed = cli::ParseArguments(argc, argv, options);
    if (parsed >= 0) return parsed;

    // One thread takes the signals (WatchSignals); a signal ignored on entry,
    // as under nohup, stays ignored.
    sigset_t signals;
    sigemptyset(&signals);
    for (int s : {SIGINT, SIGTERM}) {
        struct sigaction current {};
        if (::sigaction(s, nullptr, &current) == 0 && current.sa_handler != SIG_IGN) sigaddset(&signals, s);
    }
    ::pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::signal(SIGPIPE, SIG_IGN); // a closed pipe is a write error, not a silent death

    std::vector<Job> jobs(options.logs.size());
    std::map<std::string, size_t> targets;
    for (size_t i = 0; i < jobs.size(); ++i) {
        Job &job = jobs[i];
        job.log = options.logs[i];
        job.target = options.output.empty() ? conversion::TargetPathFor(job.log, conversion::TargetExtension(options.conversion))
                                            : options.output;
        if (!targets.emplace(FileKey(job.target), i).second) {
            job.skipped = "same KML " + job.target + " as an earlier log, skipped";
        } else if (SameFile(job.log, job.target)) {
            job.skipped = "the KML " + job.target + " would replace the log itself, skipped";
        }
    }

    Reporter reporter(jobs, options.quiet);
    if (sigismember(&signals, SIGINT) == 1 || sigismember(&signals, SIGTERM) == 1)
        std::thread(WatchSignals, signals, std::cref(jobs), std::ref(reporter)).detach();
    std::atomic<size_t> next{0};
    auto worker = [&] {
        for (size_t i; (i = next.fetch_add(1)) < jobs.size();) {
            Job &job = jobs[i];
            if (gInterrupted) {
                job.outcome.kind = conversion::OutcomeKind::Cancelled;
            } else if (job.skipped.empty()) {
                conversion::ConversionRequest request;
                request.sourcePath = job.log;
                request.targetPath = job.target;
                request.options = options.conversion;
                request.replaceExisting = options.force;
                request.cancel = &gInterrupted;
                std::unique_ptr<conversion::TrackHook> hook;
                if (!options.track.Plain()) {
                    conversion::TrackOptions track = options.track;
                    track.lineName = job.log == "-" ? "standard input"
                                                    : std::filesystem::path(job.log).filename().string();
                    hook = std::make_unique<conversion::TrackHook>(
                        track, conversion::IconColour(options.conversion.colourIndex));
                    request.hook = hook.get();
                }
                job.outcome = conversion::ConvertFile(request);
            }
            reporter.Finished(i);
        }
    };
    const unsigned threads = std::min<unsigned>(options.jobs, static_cast<unsigned>(jobs.size()));
    std::vector<std::thread> pool;
    for (unsigned t = 1; t < threads; ++t) pool.emplace_back(worker);
    worker();
    for (std::thread &t : pool) t.join();
    EndLock().lock(); // from here on the signal thread leaves the ending to us
    gWorkersDone = true;

    if (gInterrupted) return 128 + gSignal;
    const bool allDone = std::all_of(jobs.begin(), jobs.end(), [](const Job &job) {
        return job.skipped.empty() && cli::Succeeded(job.outcome);
    });
    return allDone ? 0 : 1;
}
