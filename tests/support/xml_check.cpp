#include "support/xml_check.h"

#include <cerrno>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace sentrova_test {

namespace {
const char kXmllint[] = "/usr/bin/xmllint";

// xmllint --noout on the files: empty when it exits 0, else why not.
std::string RunXmllint(const std::vector<std::string> &paths) {
    if (::access(kXmllint, X_OK) != 0) return "xmllint is missing: install the Debian package libxml2-utils";
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<const char *> argv{kXmllint, "--noout"};
    for (const std::string &path : paths) argv.push_back(path.c_str());
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int error = ::posix_spawn(&pid, kXmllint, &quiet, nullptr, const_cast<char **>(argv.data()), environ);
    posix_spawn_file_actions_destroy(&quiet);
    if (error != 0) return "xmllint could not be started";
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return "xmllint could not be waited for";
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? "" : "not well-formed";
}
} // namespace

std::string XmlProblems(const std::string &path) {
    const std::string problem = RunXmllint({path});
    return problem == "not well-formed" ? "xmllint finds " + path + " not well-formed" : problem;
}

std::string XmlProblems(const std::vector<std::string> &paths) {
    if (paths.empty() || RunXmllint(paths).empty()) return "";
    std::string problems;
    for (const std::string &path : paths) {
        const std::string problem = XmlProblems(path);
        if (!problem.empty()) problems += problem + "\n";
    }
    return problems.empty() ? "xmllint fails on the files together, on none alone" : problems;
}

} // namespace sentrova_test
