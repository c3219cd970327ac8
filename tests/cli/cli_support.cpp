#include "cli/cli_support.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <array>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <stdexcept>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace clitest {
namespace fs = std::filesystem;

namespace {

void Fail(const char *what) { throw std::runtime_error(std::string(what) + ": " + std::strerror(errno)); }

void CloseFd(int &fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

// A child that writes into a closed pipe must not take the test with it.
const bool gPipeIgnored = [] {
    std::signal(SIGPIPE, SIG_IGN);
    return true;
}();

} // namespace

Process::Process(const std::vector<std::string> &argv, const SpawnOptions &options) {
    (void)gPipeIgnored;
    int in[2], out[2], err[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) Fail("pipe2");

    // Built before fork: the child may only make system calls.
    std::vector<char *> args;
    for (const std::string &a : argv) args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    const char *workDir = options.workDir.empty() ? nullptr : options.workDir.c_str();
    std::vector<std::string> variables;
    for (char **v = environ; *v; ++v) {
        const std::string_view variable(*v);
        const auto replaced = [&](const std::string &extra) {
            const size_t eq = extra.find('=');
            return variable.substr(0, variable.find('=') + 1) == std::string_view(extra).substr(0, eq + 1);
        };
        if (std::none_of(options.environment.begin(), options.environment.end(), replaced))
            variables.emplace_back(variable);
    }
    variables.insert(variables.end(), options.environment.begin(), options.environment.end());
    std::vector<char *> environment;
    for (std::string &v : variables) environment.push_back(v.data());
    environment.push_back(nullptr);

    pid_ = ::fork();
    if (pid_ < 0) Fail("fork");
    if (pid_ == 0) {
        ::dup2(in[0], STDIN_FILENO);
        for (const auto &[given, fd, pipeEnd] : {std::array<int, 3>{options.standardOutput, STDOUT_FILENO, out[1]},
                                                 std::array<int, 3>{options.standardError, STDERR_FILENO, err[1]}}) {
            if (given == kClosed) {
                ::close(fd);
            } else {
                ::dup2(given == kPipe ? pipeEnd : given, fd);
            }
        }
        ::signal(SIGPIPE, SIG_DFL);
        for (const auto &[resource, value] : {std::pair<int, rlim_t>{RLIMIT_FSIZE, options.fileSizeLimit},
                                              std::pair<int, rlim_t>{RLIMIT_AS, options.addressSpaceLimit}}) {
            const struct rlimit limit = {value, value};
            if (value != RLIM_INFINITY) ::setrlimit(resource, &limit);
        }
        if (workDir && ::chdir(workDir) != 0) ::_exit(126);
        ::execve(args[0], args.data(), environment.data());
        ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);
    in_ = in[1];
    out_ = out[0];
    err_ = err[0];
    for (int fd : {in_, out_, err_}) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
}

Process::~Process() {
    CloseFd(in_);
    CloseFd(out_);
    CloseFd(err_);
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
}

void Process::PollOnce(int milliseconds, bool wantWrite) {
    struct pollfd fds[3];
    nfds_t count = 0;
    int *owners[3];
    std::string *sinks[3];
    if (out_ >= 0) {
        fds[count] = {out_, POLLIN, 0};
        owners[count] = &out_;
        sinks[count++] = &result_.out;
    }
    if (err_ >= 0) {
        fds[count] = {err_, POLLIN, 0};
        owners[count] = &err_;
        sinks[count++] = &result_.err;
    }
    if (wantWrite && in_ >= 0) {
        fds[count] = {in_, POLLOUT, 0};
        owners[count] = &in_;
        sinks[count++] = nullptr;
    }
    if (count == 0) return;
    if (::poll(fds, count, milliseconds) < 0) {
        if (errno == EINTR) return;
        Fail("poll");
    }
    for (nfds_t i = 0; i < count; ++i) {
        if (!sinks[i] || fds[i].revents == 0) continue;
        char buffer[65536];
        const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
        if (n > 0) {
            sinks[i]->append(buffer, static_cast<size_t>(n));
        } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
            CloseFd(*owners[i]);
        }
    }
}

bool Process::Write(std::string_view bytes) {
    while (!bytes.empty()) {
        if (in_ < 0) return false;
        const ssize_t n = ::write(in_, bytes.data(), bytes.size());
        if (n > 0) {
            bytes.remove_prefix(static_cast<size_t>(n));
        } else if (n < 0 && errno == EPIPE) {
            CloseFd(in_);
            return false;
        } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
            Fail("write to child");
        }
        if (!bytes.empty()) PollOnce(100, true);
    }
    return true;
}

void Process::CloseInput() { CloseFd(in_); }

namespace {

// The state letter of /proc/PID/stat: 'S' while blocked in a read.
char ProcessState(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    const size_t paren = line.rfind(')');
    return paren != std::string::npos && paren + 2 < line.size() ? line[paren + 2] : '?';
}

} // namespace

bool Process::AwaitInputConsumed() {
    int quiet = 0;
    for (int i = 0; i < 1000 && quiet < 5; ++i) {
        int pending = -1;
        const bool idle =
            in_ >= 0 && ::ioctl(in_, FIONREAD, &pending) == 0 && pending == 0 && ProcessState(pid_) == 'S';
        quiet = idle ? quiet + 1 : 0;
        Pump(10);
    }
    return quiet >= 5;
}

void Process::Signal(int signal) {
    if (pid_ > 0) ::kill(pid_, signal);
}

void Process::Pump(int milliseconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    for (auto now = std::chrono::steady_clock::now(); now < deadline; now = std::chrono::steady_clock::now()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count();
        if (out_ < 0 && err_ < 0) {
            ::usleep(static_cast<useconds_t>(left) * 1000);
            return;
        }
        PollOnce(static_cast<int>(left), false);
    }
}

ProcessResult Process::Wait(int timeoutMilliseconds, bool closeInput) {
    if (closeInput) CloseInput();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMilliseconds);
    while ((out_ >= 0 || err_ >= 0) && std::chrono::steady_clock::now() < deadline) PollOnce(50, false);
    int status = 0;
    pid_t reaped = ::waitpid(pid_, &status, WNOHANG);
    while (reaped == 0 && std::chrono::steady_clock::now() < deadline) {
        ::usleep(10000);
        reaped = ::waitpid(pid_, &status, WNOHANG);
    }
    if (reaped == 0) {
        result_.timedOut = true;
        ::kill(pid_, SIGKILL);
        reaped = ::waitpid(pid_, &status, 0);
    }
    pid_ = -1;
    CloseFd(out_);
    CloseFd(err_);
    if (WIFEXITED(status)) {
        result_.exited = true;
        result_.status = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        result_.signal = WTERMSIG(status);
    }
    return result_;
}

ProcessResult RunConvert(const std::vector<std::string> &args, std::string_view input, const SpawnOptions &options) {
    std::vector<std::string> argv{SENTROVA_CONVERT_BIN};
    argv.insert(argv.end(), args.begin(), args.end());
    Process process(argv, options);
    process.Write(input);
    return process.Wait();
}

TempDir::TempDir() {
    char pattern[] = "/tmp/sentrova-cli-XXXXXX";
    if (!::mkdtemp(pattern)) Fail("mkdtemp");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

std::string ReadFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void WriteFile(const std::string &path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) throw std::runtime_error("cannot write " + path);
}

bool Exists(const std::string &path) {
    std::error_code error;
    return fs::exists(fs::symlink_status(path, error));
}

std::vector<std::string> AsNobody(std::vector<std::string> argv) {
    if (::geteuid() != 0) return argv;
    argv.insert(argv.begin(), {"/usr/bin/setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"});
    return argv;
}

void GiveToNobody(const std::string &path) {
    if (::geteuid() == 0 && ::lchown(path.c_str(), 65534, 65534) != 0) Fail("lchown");
}

std::vector<std::string> TemporaryFiles(const std::string &folder) {
    std::vector<std::string> found;
    std::error_code error;
    for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.size() > 5 && name.front() == '.' && name.ends_with(".tmp")) found.push_back(it->path().string());
    }
    return found;
}

ProcessResult RunTool(const std::vector<std::string> &argv, std::string_view package) {
    if (!Exists(argv.at(0))) {
        ADD_FAILURE() << argv[0] << " is missing: install the Debian package " << package;
        return {};
    }
    Process tool(argv);
    return tool.Wait(120000);
}

EngineResult EngineConvert(const std::string &logPath, const conversion::ConversionOptions &options,
                           conversion::CycleHook *hook) {
    TempDir scratch;
    conversion::ConversionRequest request;
    request.sourcePath = logPath;
    request.targetPath = scratch / "engine.kml";
    request.options = options;
    request.hook = hook;
    EngineResult result;
    result.outcome = conversion::ConvertFile(request);
    if (Exists(request.targetPath)) result.kml = ReadFile(request.targetPath);
    return result;
}

std::vector<std::string> Lines(const std::string &text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::vector<std::string> LinkedRealLogs(const TempDir &dir) {
    std::vector<std::string> links;
    for (const fs::path &log : RealLogs()) {
        const std::string folder = dir / std::to_string(links.size());
        fs::create_directory(folder);
        links.push_back(folder + "/" + log.filename().string());
        fs::create_symlink(log, links.back());
    }
    return links;
}

std::string KmlBeside(const std::string &log) { return fs::path(log).replace_extension(".kml").string(); }

std::string LineAbout(const std::string &err, const std::string &log) {
    for (const std::string &line : Lines(err)) {
        if (line.starts_with(log) && line.size() > log.size() && (line[log.size()] == ' ' || line[log.size()] == ':'))
            return line;
    }
    return "";
}

} // namespace clitest
