#include "support/TempDir.hpp"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <ftw.h>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/time.h>
#include <time.h>
#include <unistd.h>
#include <utime.h>

namespace ambertrove::test {

namespace {

void check(bool ok, const std::string& what) {
    if (!ok)
        throw std::runtime_error(what + ": " + std::strerror(errno));
}

void makeParents(const std::string& path) {
    for (std::size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
        const std::string prefix = path.substr(0, slash);
        if (::mkdir(prefix.c_str(), 0755) != 0 && errno != EEXIST)
            check(false, "mkdir " + prefix);
    }
}

int makeWritable(const char* path, const struct stat* sb, int type, struct FTW*) {
    if (type == FTW_D || type == FTW_DNR)
        ::chmod(path, (sb->st_mode & 07777) | 0700);
    return 0;
}

int removeEntry(const char* path, const struct stat*, int type, struct FTW*) {
    if (type == FTW_DP || type == FTW_D || type == FTW_DNR)
        ::rmdir(path);
    else
        ::unlink(path);
    return 0;
}

int settleFolder(const char* path, const struct stat* sb, int type, struct FTW*) {
    if (type == FTW_D) {
        timespec times[2] = {{sb->st_atim.tv_sec, 0}, {0, UTIME_OMIT}};
        timespec now{};
        ::clock_gettime(CLOCK_REALTIME, &now);
        times[0].tv_sec = now.tv_sec + 3600;
        ::utimensat(AT_FDCWD, path, times, AT_SYMLINK_NOFOLLOW);
    }
    return 0;
}

} // namespace

void settleAccessTimes(const std::string& path) {
    ::nftw(path.c_str(), settleFolder, 32, FTW_PHYS);
}

void removeTree(const std::string& path) {
    // First pass top-down makes every folder enterable, the second removes bottom-up.
    ::nftw(path.c_str(), makeWritable, 32, FTW_PHYS);
    ::nftw(path.c_str(), removeEntry, 32, FTW_PHYS | FTW_DEPTH);
}

TempDir::TempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/ambertrove-test-XXXXXX";
    char* made = ::mkdtemp(pattern.data());
    check(made != nullptr, "mkdtemp");
    char resolved[PATH_MAX];
    check(::realpath(made, resolved) != nullptr, "realpath");
    m_path = resolved;
}

TempDir::~TempDir() {
    removeTree(m_path);
}

std::string TempDir::makeDir(const std::string& relative) {
    const std::string full = *this / relative;
    makeParents(full + "/");
    return full;
}

std::string TempDir::makeFile(const std::string& relative, const std::string& contents) {
    const std::string full = *this / relative;
    makeParents(full);
    const int fd = ::open(full.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    check(fd >= 0, "open " + full);
    std::size_t written = 0;
    while (written < contents.size()) {
        const ssize_t n = ::write(fd, contents.data() + written, contents.size() - written);
        check(n > 0, "write " + full);
        written += static_cast<std::size_t>(n);
    }
    ::close(fd);
    return full;
}

std::string TempDir::makeFileOfSize(const std::string& relative, std::int64_t size, char fill) {
    return makeFile(relative, std::string(static_cast<std::size_t>(size), fill));
}

std::string TempDir::makeSymlink(const std::string& relative, const std::string& target) {
    const std::string full = *this / relative;
    makeParents(full);
    check(::symlink(target.c_str(), full.c_str()) == 0, "symlink " + full);
    return full;
}

std::string TempDir::makeHardLink(const std::string& relative, const std::string& existingRelative) {
    const std::string full = *this / relative;
    makeParents(full);
    check(::link((*this / existingRelative).c_str(), full.c_str()) == 0, "link " + full);
    return full;
}

void TempDir::setTimes(const std::string& relative, std::int64_t modified, std::int64_t accessed) {
    const std::string full = *this / relative;
    timespec times[2] = {{static_cast<time_t>(accessed), 0}, {static_cast<time_t>(modified), 0}};
    check(::utimensat(AT_FDCWD, full.c_str(), times, AT_SYMLINK_NOFOLLOW) == 0, "utimensat " + full);
}

} // namespace ambertrove::test
