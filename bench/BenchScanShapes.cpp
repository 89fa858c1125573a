// ambertrove-bench scan-shape: how the scan's time and memory grow with the two shapes that stress it, one
// folder of N files and a chain of N nested folders, each next to the time `du -sx` takes on the same tree
// and the ratio of the two.
#include "BenchCommand.hpp"

#include "scan/DiskScanner.hpp"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <optional>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace ambertrove::bench {

namespace {

bool fail(const char* what, const std::string& path) {
    std::fprintf(stderr, "ambertrove-bench: %s %s: %s\n", what, path.c_str(), std::strerror(errno));
    return false;
}

// One folder holding `count` empty files.
bool makeFlat(const std::string& target, long count) {
    if (::mkdir(target.c_str(), 0755) != 0)
        return fail("cannot make", target);
    const int dir = ::open(target.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        return fail("cannot open", target);
    char name[32];
    for (long i = 0; i < count; ++i) {
        std::snprintf(name, sizeof name, "file-%07ld", i);
        const int fd = ::openat(dir, name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0)
            return fail("cannot make a file in", target);
        ::close(fd);
    }
    ::close(dir);
    return true;
}

// `levels` nested folders, each with one file beside the next folder; made through descriptors, since the
// paths soon pass what one system call takes.
bool makeChain(const std::string& target, long levels) {
    if (::mkdir(target.c_str(), 0755) != 0)
        return fail("cannot make", target);
    int dir = ::open(target.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (long level = 0; level < levels && dir >= 0; ++level) {
        const int fd = ::openat(dir, "f", O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0 || ::mkdirat(dir, "d", 0755) != 0)
            return fail("cannot fill a level of", target);
        ::close(fd);
        const int next = ::openat(dir, "d", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(dir);
        dir = next;
    }
    if (dir < 0)
        return fail("cannot open a level of", target);
    ::close(dir);
    return true;
}

// The peak resident size since the last reset, in bytes.
long long peakResidentBytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.starts_with("VmHWM:"))
            return std::atoll(line.c_str() + 6) * 1024;
    return 0;
}

void resetPeakResident() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

// Seconds `du -sx` takes on `path`, or -1 when it cannot be run.
double duSeconds(const std::string& path) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    char du[] = "du";
    char summary[] = "-sx";
    std::string target = path;
    char* argv[] = {du, summary, target.data(), nullptr};
    const double start = nowSeconds();
    pid_t pid = 0;
    const int error = ::posix_spawnp(&pid, "du", &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0)
        return -1;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? secondsSince(start) : -1;
}

int runScanShape(const std::vector<std::string>& args) {
    std::optional<std::string> shape;
    long size = -1;
    std::string parent = "/tmp";
    unsigned threads = 0;
    bool valid = true;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--dir" && i + 1 < args.size())
            parent = args[++i];
        else if (args[i] == "--threads" && i + 1 < args.size())
            threads = static_cast<unsigned>(std::strtoul(args[++i].c_str(), nullptr, 10));
        else if (!shape && (args[i] == "flat" || args[i] == "chain"))
            shape = args[i];
        else if (shape && size < 0 && !args[i].starts_with("--"))
            size = std::strtol(args[i].c_str(), nullptr, 10);
        else
            valid = false;
    }
    if (!valid || !shape || size < 0) {
        std::fprintf(stderr,
                     "usage: ambertrove-bench scan-shape flat|chain N [--dir FOLDER] [--threads N]\n");
        return 2;
    }

    // Made once and kept, like the generated tree: the same arguments find the same tree.
    const std::string target = parent + "/ambertrove-bench-" + *shape + "-" + std::to_string(size);
    struct stat st {};
    if (::lstat(target.c_str(), &st) != 0) {
        const bool made = *shape == "flat" ? makeFlat(target, size) : makeChain(target, size);
        if (!made)
            return 1;
    }

    CancellationFlag flag;
    releaseFreeMemory();
    const long long before = residentBytes();
    resetPeakResident();
    const double start = nowSeconds();
    const DiskScanner scanner(threads); // threads 0: the scanner's default
    const ScanResult scan = scanner.scan(target, flag);
    const double seconds = secondsSince(start);
    const long long peak = peakResidentBytes() - before;
    releaseFreeMemory();
    const long long rss = residentBytes() - before;
    const std::size_t entries = scan.nodes.size();
    const double du = duSeconds(target);
    std::printf("shape=%s size=%ld entries=%zu seconds=%.3f rss_bytes=%lld peak_rss_bytes=%lld "
                "bytes_per_entry=%.1f issues=%zu du_seconds=%.3f ratio_du=%.2f\n",
                shape->c_str(), size, entries, seconds, rss, peak,
                entries ? double(rss) / double(entries) : 0.0, scan.issues.size(), du,
                du > 0 ? seconds / du : 0.0);
    return 0;
}

} // namespace

const Registration scanShape("scan-shape", "scan-shape flat|chain N [--dir FOLDER] [--threads N]",
                             runScanShape);

} // namespace ambertrove::bench
