// Running the built sentrova-convert as a child process, and the small logs
// and folders its tests need.
#pragma once

#include <string>
#include <string_view>
#include <sys/resource.h>
#include <sys/types.h>
#include <vector>

#include "conversion/file_conversion.h"
#include "support/logs.h"
#include "support/real_logs.h"
#include "support/sentences.h"
#include "support/xml_check.h"

namespace clitest {

struct ProcessResult {
    bool exited = false; // false: ended by a signal, or killed after the deadline
    int status = -1;     // exit status when exited
    int signal = 0;      // the signal that ended it otherwise
    bool timedOut = false;
    std::string out;
    std::string err;
};

// A descriptor of SpawnOptions: the pipe to the test, closed, or one given.
constexpr int kPipe = -1;
constexpr int kClosed = -2;

struct SpawnOptions {
    std::string workDir;                      // empty: the test's own
    rlim_t fileSizeLimit = RLIM_INFINITY;     // RLIMIT_FSIZE (SIGXFSZ left as it is)
    rlim_t addressSpaceLimit = RLIM_INFINITY; // RLIMIT_AS
    std::vector<std::string> environment;     // NAME=VALUE added to the test's own, or replacing it
    int standardOutput = kPipe;
    int standardError = kPipe;
};

// A running child whose standard streams are pipes to us. Output is collected
// while we write, so that neither side can block the other.
class Process {
  public:
    Process(const std::vector<std::string> &argv, const SpawnOptions &options = {});
    ~Process();
    Process(const Process &) = delete;
    Process &operator=(const Process &) = delete;

    pid_t Pid() const { return pid_; }
    // False once the child no longer reads its input.
    bool Write(std::string_view bytes);
    void CloseInput();
    // Collects output until the child has read all input written so far and
    // sleeps, waiting for more; false if that does not happen within seconds.
    bool AwaitInputConsumed();
    void Signal(int signal);
    // Collects output for a while.
    void Pump(int milliseconds);
    // Collects everything and reaps the child; a child still running after
    // the deadline is killed and reported as timed out.
    ProcessResult Wait(int timeoutMilliseconds = 30000, bool closeInput = true);

  private:
    void PollOnce(int milliseconds, bool wantWrite);

    pid_t pid_ = -1;
    int in_ = -1;
    int out_ = -1;
    int err_ = -1;
    ProcessResult result_;
};

// Runs sentrova-convert with these arguments and this standard input.
ProcessResult RunConvert(const std::vector<std::string> &args, std::string_view input = {},
                         const SpawnOptions &options = {});

// A fresh folder under /tmp, removed with everything in it at the end.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    const std::string &Path() const { return path_; }
    std::string operator/(std::string_view name) const { return path_ + "/" + std::string(name); }

  private:
    std::string path_;
};

// What a target held before a run that must leave it alone.
inline const std::string kOldDocument = "<kml>the document of an earlier run</kml>\r\n";

std::string ReadFile(const std::string &path);
void WriteFile(const std::string &path, std::string_view bytes);
bool Exists(const std::string &path);
// The command that runs `argv` as user nobody when we are root (as is CI), so
// that cases of another user's files run rather than skip; `argv` as it is otherwise.
std::vector<std::string> AsNobody(std::vector<std::string> argv);
// Gives a file or link to nobody when we are root: planted by another user.
void GiveToNobody(const std::string &path);
// Runs a tool from a Debian package; a missing tool fails the test, naming the package.
ProcessResult RunTool(const std::vector<std::string> &argv, std::string_view package);
// Names of the temporary files ("." ... ".tmp") anywhere under the folder.
std::vector<std::string> TemporaryFiles(const std::string &folder);

using sentrova_test::DriveLog;
using sentrova_test::Nmea;
using sentrova_test::RealLogs;
using sentrova_test::Retalked;
using sentrova_test::WithBadChecksum;
using sentrova_test::XmlProblems;

// The engine's document for a log, written by ConvertFile into a scratch folder.
struct EngineResult {
    conversion::ConversionOutcome outcome;
    std::string kml;
};
EngineResult EngineConvert(const std::string &logPath, const conversion::ConversionOptions &options,
                           conversion::CycleHook *hook = nullptr);

std::vector<std::string> Lines(const std::string &text);

// The real logs, each linked into a folder of its own under `dir`, so that one
// command line converts them all, each document beside its link; empty when
// the logs are absent.
std::vector<std::string> LinkedRealLogs(const TempDir &dir);
// The KML document a LOG of the command line gets: LOG with the extension .kml.
std::string KmlBeside(const std::string &log);
// The converter's line about one LOG of a command line: the one that begins with its path.
std::string LineAbout(const std::string &err, const std::string &log);

} // namespace clitest
