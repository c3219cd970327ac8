// The exit status from the jobs' ends, without running the program.
#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <vector>

#include "cli/batch_run.h"

namespace {

using conversion::OutcomeKind;

// One letter per job: D done, F failed, S skipped, C cancelled, U unfinished.
struct ExitCase {
    const char *name;
    std::string jobs;
    int signal;
    int status;
};
void PrintTo(const ExitCase &c, std::ostream *os) { *os << c.name; }

const ExitCase kExitCases[] = {
    {"AllDone", "DD", 0, 0},
    {"OneFailed", "DF", 0, 1},
    {"OneSkipped", "DS", 0, 1},
    {"OnlySkipped", "S", 0, 1},
    {"SignalStoppedOne", "DC", SIGINT, 128 + SIGINT},
    {"SignalBeforeOneStarted", "DU", SIGTERM, 128 + SIGTERM},
    {"SignalAfterTheLastWasInPlace", "DD", SIGINT, 0},
    {"SignalAfterASkip", "DS", SIGHUP, 1},
    {"SignalAfterAFailure", "FD", SIGINT, 1},
};

class CliExitStatus : public testing::TestWithParam<ExitCase> {};

TEST_P(CliExitStatus, FollowsTheJobs) {
    const ExitCase &c = GetParam();
    std::vector<cli::Job> jobs(c.jobs.size());
    for (size_t i = 0; i < jobs.size(); ++i) {
        const char state = c.jobs[i];
        jobs[i].finished = state != 'U';
        if (state == 'F') jobs[i].outcome.kind = OutcomeKind::WriteFailed;
        if (state == 'C') jobs[i].outcome.kind = OutcomeKind::Cancelled;
        if (state == 'S') jobs[i].skipReason = "skipped";
    }
    EXPECT_EQ(cli::ExitStatus(jobs, c.signal), c.status);
}

INSTANTIATE_TEST_SUITE_P(, CliExitStatus, testing::ValuesIn(kExitCases),
                         [](const testing::TestParamInfo<ExitCase> &info) { return std::string(info.param.name); });

} // namespace
