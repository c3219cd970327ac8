#include "scratch_file.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/random.h>
#include <unistd.h>

namespace conversion {
namespace {

// Twelve hex digits from the kernel's random source: a name another user
// cannot create first.
std::string RandomPart() {
    unsigned char bytes[6] = {};
    size_t got = 0;
    while (got < sizeof bytes) {
        const ssize_t n = ::getrandom(bytes + got, sizeof bytes - got, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    static const char kHex[] = "0123456789abcdef";
    std::string text;
    for (unsigned char b : bytes) {
        text += kHex[b >> 4];
        text += kHex[b & 0xF];
    }
    return text;
}

// ".NAME.RANDOM.tmp" for the target, beside it so that rename stays on one
// file system. A target name near the longest allowed leaves no room for the
// suffix: only its start is kept, cut on a character boundary.
std::string TemporaryName(const std::string &target) {
    std::string base = std::filesystem::path(target).filename().string();
    constexpr size_t kBaseMax = 100;
    if (base.size() > kBaseMax) {
        size_t n = kBaseMax;
        while (n > 0 && (static_cast<unsigned char>(base[n]) & 0xC0) == 0x80) --n;
        base.resize(n);
    }
    return "." + base + "." + RandomPart() + ".tmp";
}

} // namespace

int CreateTemporaryBeside(const std::string &target, int &folderFd, std::string &tempName) {
    const std::filesystem::path parent = std::filesystem::path(target).parent_path();
    folderFd = ::open(parent.empty() ? "." : parent.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (folderFd < 0) return -1;
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempName = TemporaryName(target);
        const int fd = ::openat(folderFd, tempName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0) return fd;
        if (errno != EEXIST) break;
    }
    const int error = errno;
    ::close(folderFd);
    folderFd = -1;
    errno = error;
    return -1;
}

std::string ScratchFolder() {
    const char *folder = std::getenv("TMPDIR");
    return folder && *folder ? folder : "/tmp";
}

int OpenScratchFile(const std::string &folder) {
    int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)) return fd;
    // A file system without unnamed files: a fresh name, removed at once.
    std::string path;
    for (int attempt = 0; attempt < 100; ++attempt) {
        path = (std::filesystem::path(folder) / (".sentrova-" + RandomPart() + ".tmp")).string();
        fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::unlink(path.c_str());
            return fd;
        }
        if (errno != EEXIST) return -1;
    }
    errno = EEXIST;
    return -1;
}

} // namespace conversion
