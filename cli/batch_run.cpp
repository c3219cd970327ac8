#include "batch_run.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "conversion/kml_writer.h"
#include "conversion/track_hook.h"
#include "report.h"

namespace cli {

namespace {

namespace fs = std::filesystem;
using conversion::ConversionOutcome;
using conversion::OutcomeKind;

// A handler reaches static storage only: the run's interruption while a
// handler stands in for the signal thread, null otherwise.
std::atomic<Interruption *> gHandled{nullptr};

void TakeSignal(int signal) {
    if (Interruption *interruption = gHandled.load()) {
        interruption->signal = signal;
        interruption->requested = true;
    }
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

ConversionOutcome Failed(OutcomeKind kind, std::string why) {
    ConversionOutcome outcome;
    outcome.kind = kind;
    outcome.systemError = std::move(why);
    return outcome;
}

// The first of `set` that is pending, 0 when none is.
int PendingSignal(const sigset_t &set) {
    sigset_t pending;
    if (::sigpending(&pending) != 0) return 0;
    for (int s = 1; s < NSIG; ++s) {
        if (sigismember(&set, s) == 1 && sigismember(&pending, s) == 1) return s;
    }
    return 0;
}

} // namespace

int ExitStatus(const std::vector<Job> &jobs, int signal) {
    const bool interrupted =
        signal != 0 && std::any_of(jobs.begin(), jobs.end(), [](const Job &job) {
            return job.skipReason.empty() && (!job.finished || job.outcome.kind == OutcomeKind::Cancelled);
        });
    if (interrupted) return 128 + signal;
    const bool allDone = std::all_of(jobs.begin(), jobs.end(),
                                     [](const Job &job) { return job.skipReason.empty() && Succeeded(job.outcome); });
    return allDone ? 0 : 1;
}

void Reporter::Finished(size_t index) {
    std::lock_guard<std::mutex> lock(mutex_);
    jobs_[index].finished = true;
    PrintReady(false);
}

int Reporter::Abandon(int signal) {
    std::lock_guard<std::mutex> lock(mutex_);
    PrintReady(true);
    return ExitStatus(jobs_, signal);
}

void Reporter::PrintReady(bool all) {
    while (next_ < jobs_.size() && (all || jobs_[next_].finished)) {
        const Job &job = jobs_[next_++];
        ConversionOutcome interrupted;
        interrupted.kind = OutcomeKind::Cancelled;
        interrupted.writtenInPlace = job.inPlace;
        const ConversionOutcome &outcome = job.finished ? job.outcome : interrupted;
        if (!job.skipReason.empty()) {
            std::cerr << EscapedName(job.log) << ": " << job.skipReason << '\n';
        } else if (!quiet_ || !Succeeded(outcome)) {
            std::cerr << DescribeOutcome(job.log, job.target, outcome) << '\n';
        }
    }
    std::cerr.flush();
}

BatchRun::BatchRun(const BatchOptions &options, const std::array<bool, 3> &closed)
    : options_(options), closed_(closed), jobs_(options.logs.size()), reporter_(jobs_, options.quiet) {
    // A descriptor named as the KML must be one we were given, not one we open.
    const int named = options.output.empty() ? -1 : conversion::DescriptorNamedBy(options.output);
    namedClosed_ = named >= 0 && (named < 3 ? closed_[named] : ::fcntl(named, F_GETFD) == -1);
    BlockSignals();
    PlanJobs();
}

BatchRun::~BatchRun() {
    if (watcher_.joinable()) {
        ending_.test_and_set();
        StopWatching();
        watcher_.join();
    }
    if (handled_) {
        ::pthread_sigmask(SIG_BLOCK, &signals_, nullptr);
        gHandled = nullptr;
    }
    if (signalFd_ >= 0) ::close(signalFd_);
    if (stopFd_ >= 0) ::close(stopFd_);
}

void BatchRun::PlanJobs() {
    // The logs as files: a target that is one of them would replace a log
    // another job is still to read, or has read.
    std::vector<std::pair<dev_t, ino_t>> logFiles;
    for (const std::string &log : options_.logs) {
        struct stat info {};
        if (log != "-" && ::stat(log.c_str(), &info) == 0 && !S_ISDIR(info.st_mode))
            logFiles.emplace_back(info.st_dev, info.st_ino);
        else logFiles.emplace_back(0, 0);
    }
    const std::string kind = DocumentKind(options_.conversion);
    std::map<std::string, size_t> targets;
    for (size_t i = 0; i < jobs_.size(); ++i) {
        Job &job = jobs_[i];
        job.log = options_.logs[i];
        job.target = options_.output.empty()
                         ? conversion::TargetPathFor(job.log, conversion::TargetExtension(options_.conversion))
                         : options_.output;
        const std::string shown = EscapedName(job.target);
        struct stat info {};
        const bool exists = job.target != "-" && ::stat(job.target.c_str(), &info) == 0;
        size_t other = logFiles.size();
        for (size_t j = 0; exists && j < logFiles.size() && other == logFiles.size(); ++j) {
            if (j != i && logFiles[j] == std::pair(info.st_dev, info.st_ino)) other = j;
        }
        if (SameFile(job.log, job.target)) {
            job.skipReason = "the " + kind + " " + shown + " would replace the log itself, skipped";
        } else if (other < logFiles.size()) {
            job.skipReason = "the " + kind + " " + shown + " would replace " + EscapedName(options_.logs[other]) +
                             ", a log of this command line, skipped";
        } else if (!targets.emplace(FileKey(job.target), i).second) {
            job.skipReason = "same " + kind + " " + shown + " as an earlier log, skipped";
        }
    }
}

int BatchRun::Run() {
    TakeSignals();
    const unsigned threads = std::min<unsigned>(options_.jobs, static_cast<unsigned>(jobs_.size()));
    std::vector<std::thread> pool;
    try {
        for (unsigned t = 1; t < threads; ++t) pool.emplace_back(&BatchRun::Work, this);
    } catch (const std::system_error &) {
        // A thread limit: the logs are shared among the threads there are.
    }
    Work();
    for (std::thread &t : pool) t.join();
    if (watcher_.joinable()) {
        // The signal thread either stops now or is ending the program, in
        // which case join never returns; it never outlives this object.
        if (!ending_.test_and_set()) StopWatching();
        watcher_.join();
    }
    return ExitStatus(jobs_, SignalSeen());
}

// One thread takes the signals (WatchSignals), all others block them; a
// signal ignored on entry, as under nohup, stays ignored.
void BatchRun::BlockSignals() {
    sigemptyset(&signals_);
    for (int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
        struct sigaction current {};
        if (::sigaction(s, nullptr, &current) == 0 && current.sa_handler != SIG_IGN) sigaddset(&signals_, s);
    }
    ::pthread_sigmask(SIG_BLOCK, &signals_, nullptr);
}

// Where no signal thread can be had, a handler sets the flag, and a second
// signal ends the program at once.
void BatchRun::TakeSignals() {
    signalFd_ = ::signalfd(-1, &signals_, SFD_CLOEXEC);
    stopFd_ = ::eventfd(0, EFD_CLOEXEC);
    if (signalFd_ >= 0 && stopFd_ >= 0) {
        try {
            watcher_ = std::thread(&BatchRun::WatchSignals, this);
            return;
        } catch (const std::system_error &) {}
    }
    handled_ = true;
    gHandled = &interruption_;
    for (int s = 1; s < NSIG; ++s) {
        if (sigismember(&signals_, s) != 1) continue;
        struct sigaction action {};
        action.sa_handler = TakeSignal;
        action.sa_flags = SA_RESETHAND;
        ::sigaction(s, &action, nullptr);
    }
    ::pthread_sigmask(SIG_UNBLOCK, &signals_, nullptr);
}

void BatchRun::StopWatching() {
    const uint64_t one = 1;
    (void)!::write(stopFd_, &one, sizeof one);
}

// Conversions stop at their next line once interrupted, but one waiting in a
// read or write of a silent pipe may never get there. After a grace period, or
// at a second signal, this thread removes the temporary files itself and ends
// the program.
//
// A signal is taken off the pending set only after the flag is set, so that a
// conversion about to replace its target sees one or the other (FileConversion
// looks at the pending set first, then at the flag).
void BatchRun::WatchSignals() {
    struct pollfd ready[2] = {{signalFd_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
    int n;
    while ((n = ::poll(ready, 2, -1)) < 1) {
        if (n < 0 && errno != EINTR) return;
    }
    if (ready[0].revents == 0) return; // the workers are done
    const int signal = PendingSignal(signals_);
    interruption_.signal = signal != 0 ? signal : SIGINT;
    interruption_.requested = true;
    struct signalfd_siginfo info {};
    (void)!::read(signalFd_, &info, sizeof info);
    for (int i = 0; i < 50; ++i) {
        if (::poll(ready, 2, 20) > 0) {
            if (ready[1].revents != 0) return; // the workers are done
            break;                             // a second signal: no more waiting
        }
    }
    if (ending_.test_and_set()) return;
    liveLock_.lock(); // never given back: no conversion starts or ends from here on
    for (Job &job : jobs_) {
        if (job.live) job.live->Abandon();
    }
    std::_Exit(reporter_.Abandon(interruption_.signal));
}

void BatchRun::Work() {
    for (size_t i; (i = next_.fetch_add(1)) < jobs_.size();) {
        Job &job = jobs_[i];
        try {
            if (interruption_.requested) {
                job.outcome.kind = OutcomeKind::Cancelled;
            } else if (!job.skipReason.empty()) {
            } else if (job.log == "-" && closed_[STDIN_FILENO]) {
                job.outcome = Failed(OutcomeKind::SourceNotOpenable, "standard input is closed");
            } else if (namedClosed_) {
                job.outcome = Failed(OutcomeKind::TargetNotOpenable, std::strerror(EBADF));
            } else {
                job.outcome = ConvertJob(job);
            }
        } catch (const std::bad_alloc &) {
            job.outcome = Failed(OutcomeKind::WriteFailed, std::strerror(ENOMEM));
        } catch (const std::exception &e) {
            job.outcome = Failed(OutcomeKind::WriteFailed, e.what());
        }
        reporter_.Finished(i);
    }
}

// Runs one job; every failure becomes its outcome.
ConversionOutcome BatchRun::ConvertJob(Job &job) {
    conversion::ConversionRequest request;
    request.sourcePath = job.log;
    request.targetPath = job.target;
    request.options = options_.conversion;
    request.replaceExisting = options_.force;
    request.targetNamed = !options_.output.empty();
    request.cancel = &interruption_.requested;
    request.cancelSignals = &signals_;
    std::unique_ptr<conversion::TrackHook> hook;
    if (!options_.track.Plain()) {
        conversion::TrackOptions track = options_.track;
        track.lineName = job.log == "-" ? "standard input" : fs::path(job.log).filename().string();
        hook = std::make_unique<conversion::TrackHook>(track, conversion::IconColour(options_.conversion.colourIndex));
        request.hook = hook.get();
    }
    conversion::FileConversion conversion(request);
    // Known to the signal thread from before its files are opened until it is gone.
    struct Live {
        std::mutex &lock;
        Job &job;
        Live(std::mutex &l, Job &j, conversion::FileConversion &c) : lock(l), job(j) {
            std::lock_guard guard(lock);
            job.live = &c;
        }
        ~Live() {
            std::lock_guard guard(lock);
            job.live = nullptr;
        }
    } live(liveLock_, job, conversion);
    ConversionOutcome outcome = conversion.Open();
    job.inPlace = conversion.WritesInPlace();
    if (outcome.kind == OutcomeKind::Done) outcome = conversion.Run();
    return outcome;
}

// A conversion may have seen a signal the signal thread has not taken yet.
int BatchRun::SignalSeen() const {
    if (interruption_.requested) return interruption_.signal;
    return PendingSignal(signals_);
}

} // namespace cli
