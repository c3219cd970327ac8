// One run of sentrova-convert over the logs of its command line: the jobs, the
// worker threads, the signals and the ending.
#pragma once

#include <array>
#include <atomic>
#include <csignal>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "conversion/file_conversion.h"
#include "options.h"

namespace cli {

struct Job {
    std::string log;
    std::string target;
    std::string skipReason; // why the log is not converted at all; empty when it is
    conversion::ConversionOutcome outcome;
    bool finished = false;
    conversion::FileConversion *live = nullptr; // under the run's live lock
    std::atomic<bool> inPlace{false};
};

// 128 + the signal when it stopped a conversion; a signal that came after the
// last KML was in place interrupted nothing. Else 0 when every log converted,
// 1 when one was skipped or failed.
int ExitStatus(const std::vector<Job> &jobs, int signal);

// Prints the jobs' lines in the order of the command line as they finish.
class Reporter {
  public:
    Reporter(std::vector<Job> &jobs, bool quiet) : jobs_(jobs), quiet_(quiet) {}

    void Finished(size_t index);
    // The program ends now: the jobs still open are reported as interrupted.
    // Gives the exit status.
    int Abandon(int signal);

  private:
    void PrintReady(bool all);

    std::vector<Job> &jobs_;
    bool quiet_;
    std::mutex mutex_;
    size_t next_ = 0;
};

// What the signals have asked for: set by the signal thread, or by a handler.
struct Interruption {
    std::atomic<bool> requested{false};
    std::atomic<int> signal{0};
};

class BatchRun {
  public:
    // `closed`: which of descriptors 0 to 2 were closed when the program started.
    BatchRun(const BatchOptions &options, const std::array<bool, 3> &closed);
    ~BatchRun();
    BatchRun(const BatchRun &) = delete;
    BatchRun &operator=(const BatchRun &) = delete;

    // Converts every log; gives the exit status.
    int Run();

  private:
    void PlanJobs();
    void BlockSignals();
    void TakeSignals();
    void StopWatching();
    void WatchSignals();
    void Work();
    conversion::ConversionOutcome ConvertJob(Job &job);
    int SignalSeen() const;

    const BatchOptions &options_;
    std::array<bool, 3> closed_;
    bool namedClosed_ = false;
    std::vector<Job> jobs_;
    Reporter reporter_;
    std::atomic<size_t> next_{0};

    sigset_t signals_{};
    Interruption interruption_;
    int signalFd_ = -1;
    int stopFd_ = -1; // tells the signal thread that the workers are done
    std::thread watcher_;
    bool handled_ = false; // the signals go to a handler, for want of a thread
    // Set by whichever of Run and the signal thread ends the program.
    std::atomic_flag ending_;
    std::mutex liveLock_; // guards Job::live
};

} // namespace cli
