// sentrova-convert: converts many or large NMEA logs into KML from the command line.
#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "conversion/kml_writer.h"
#include "options.h"
#include "report.h"

namespace {

std::atomic<bool> gInterrupted{false};
volatile std::sig_atomic_t gSignal = 0;

extern "C" void OnSignal(int signal) {
    gSignal = signal;
    gInterrupted.store(true);
    std::signal(signal, SIG_DFL); // a second signal ends the program at once
}

struct Job {
    std::string log;
    std::string target;
    conversion::ConversionOutcome outcome;
    bool duplicate = false;
    bool finished = false;
};

// Prints the jobs' lines in the order of the command line as they finish.
class Reporter {
  public:
    Reporter(std::vector<Job> &jobs, bool quiet) : jobs_(jobs), quiet_(quiet) {}

    void Finished(size_t index) {
        std::lock_guard<std::mutex> lock(mutex_);
        jobs_[index].finished = true;
        while (next_ < jobs_.size() && jobs_[next_].finished) {
            const Job &job = jobs_[next_++];
            if (job.duplicate) {
                std::cerr << job.log << ": same KML " << job.target << " as an earlier log, skipped\n";
            } else if (!quiet_ || !cli::Succeeded(job.outcome)) {
                std::cerr << cli::DescribeOutcome(job.log, job.target, job.outcome) << '\n';
            }
        }
    }

  private:
    std::vector<Job> &jobs_;
    bool quiet_;
    std::mutex mutex_;
    size_t next_ = 0;
};

} // namespace

int main(int argc, char **argv) {
    cli::BatchOptions options;
    const int parsed = cli::ParseArguments(argc, argv, options);
    if (parsed >= 0) return parsed;

    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    std::signal(SIGPIPE, SIG_IGN); // a closed pipe is a write error, not a silent death

    std::vector<Job> jobs(options.logs.size());
    std::map<std::string, size_t> targets;
    for (size_t i = 0; i < jobs.size(); ++i) {
        jobs[i].log = options.logs[i];
        jobs[i].target = options.output.empty() ? conversion::TargetPathFor(jobs[i].log) : options.output;
        jobs[i].duplicate = !targets.emplace(jobs[i].target, i).second;
    }

    Reporter reporter(jobs, options.quiet);
    std::atomic<size_t> next{0};
    auto worker = [&] {
        for (size_t i; (i = next.fetch_add(1)) < jobs.size();) {
            Job &job = jobs[i];
            if (!job.duplicate) {
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

    if (gInterrupted.load()) return 128 + static_cast<int>(gSignal);
    const bool allDone = std::all_of(jobs.begin(), jobs.end(), [](const Job &job) {
        return !job.duplicate && cli::Succeeded(job.outcome);
    });
    return allDone ? 0 : 1;
}
