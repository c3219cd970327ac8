#include "support/xml_check.h"

#include <cerrno>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace sentrova_test {

std::string XmlProblems(const std::string &path) {
    static const char kXmllint[] = "/usr/bin/xmllint";
    if (::access(kXmllint, X_OK) != 0) return "xmllint is missing: install the Debian package libxml2-utils";
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    const char *argv[] = {kXmllint, "--noout", path.c_str(), nullptr};
    pid_t pid = -1;
    const int error = ::posix_spawn(&pid, kXmllint, &quiet, nullptr, const_cast<char **>(argv), environ);
    posix_spawn_file_actions_destroy(&quiet);
    if (error != 0) return "xmllint could not be started";
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return "xmllint could not be waited for";
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? "" : "xmllint finds " + path + " not well-formed";
}

} // namespace sentrova_test
