// ambertrove-bench startup: how long the real program takes from its start to its first painted window, over
// a state folder that holds 20 saved scans of 100,000 entries each and a cleanup queue of 1,000 entries,
// made in a temporary home of its own. One start warms the caches, then the median of the measured starts
// is printed:
//   startup_ms=X
// Each start's time and the best go to stderr. The program reports its first painted frame through
// FirstPaintReport's variable; it runs on the offscreen platform unless the caller chose another.
#include "BenchCommand.hpp"
#include "SyntheticScan.hpp"

#include "controller/StateFiles.hpp"
#include "shell/FirstPaintReport.hpp"
#include "snapshots/SnapshotStore.hpp"
#include "storage/AppStorage.hpp"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace ambertrove::bench {

namespace {

constexpr int kSavedScans = 20;
constexpr std::size_t kScanEntries = 100'000;
constexpr std::size_t kQueueEntries = 1'000;
constexpr int kDefaultRuns = 5;
constexpr double kGiveUpSeconds = 60;

namespace fs = std::filesystem;

long long steadyNanoseconds() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The program built beside this one: build/bench/ambertrove-bench and build/Ambertrove/ambertrove.
fs::path defaultProgram() {
    return fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "Ambertrove" / "ambertrove";
}

// A staged file as the cleanup queue keeps it.
CleanupEntry queuedFile(const std::string& home, std::size_t i) {
    CleanupEntry e;
    const std::string folder = home + "/Projects/archive-" + std::to_string(i / 100);
    e.node.path = folder + "/build output " + std::to_string(i) + ".o";
    e.node.parent = folder;
    e.node.logicalSize = 40'000 + std::int64_t(i % 977) * 131;
    e.node.allocatedSize = (e.node.logicalSize + 4095) / 4096 * 4096;
    e.node.ownLogicalSize = e.node.logicalSize;
    e.node.ownAllocatedSize = e.node.allocatedSize;
    e.node.fileCount = 1;
    e.node.modified = Date::fromUnixSeconds(1'600'000'100 + std::int64_t(i));
    e.node.created = e.node.modified;
    e.node.accessed = e.node.modified;
    e.node.identity = FileIdentity{2049,
                                   1'000'000 + i,
                                   e.node.logicalSize,
                                   1'600'000'100 + std::int64_t(i),
                                   0,
                                   1'600'000'300 + std::int64_t(i),
                                   0,
                                   0100644,
                                   1};
    e.identities.emplace(e.node.path, e.node.identity);
    e.stagedAt = Date::fromUnixSeconds(1'700'000'000);
    e.reason = "Not opened for over a year";
    return e;
}

// The home of the measured program: its state folder where the program looks for it, with the saved scans
// and the queue.
void prepareHome(const std::string& home) {
    const std::string state =
        AppStorage::resolve(AppStorage::applicationSupport(home + "/.local/share", home));
    (void)AppStorage::openPrivateFolder(state, 1, true);
    const double start = nowSeconds();
    const ScanResult scan = syntheticScan(kScanEntries, true);
    SnapshotStore store = SnapshotStore::inStateFolder(state);
    for (int i = 0; i < kSavedScans; ++i)
        (void)store.save(scan, "Saved scan " + std::to_string(i + 1));
    std::vector<CleanupEntry> queue;
    queue.reserve(kQueueEntries);
    for (std::size_t i = 0; i < kQueueEntries; ++i)
        queue.push_back(queuedFile(home, i));
    StateFiles(state, std::make_shared<SystemClock>()).save(queue, {}, {});
    std::fprintf(stderr, "state folder %s: %d saved scans of %zu entries, %zu queued, made in %.1f s\n",
                 state.c_str(), kSavedScans, scan.nodes.size(), kQueueEntries, secondsSince(start));
}

// The caller's environment with the home and the report's file replaced.
std::vector<std::string> childEnvironment(const std::string& home, const std::string& report) {
    std::vector<std::string> out;
    const auto replaced = [](std::string_view entry) {
        for (const char* name : {"HOME=", "XDG_DATA_HOME=", "XDG_CONFIG_HOME=", "XDG_CACHE_HOME=",
                                 "AmbertroveTestStateDirectory=", "AmbertroveFirstPaintFile="})
            if (entry.starts_with(name))
                return true;
        return false;
    };
    for (char** e = environ; *e; ++e)
        if (!replaced(*e))
            out.emplace_back(*e);
    out.push_back("HOME=" + home);
    out.push_back("XDG_DATA_HOME=" + home + "/.local/share");
    out.push_back("XDG_CONFIG_HOME=" + home + "/.config");
    out.push_back("XDG_CACHE_HOME=" + home + "/.cache");
    out.push_back(std::string(FirstPaintReport::kVariable) + "=" + report);
    if (!std::getenv("QT_QPA_PLATFORM"))
        out.emplace_back("QT_QPA_PLATFORM=offscreen");
    return out;
}

// The monotonic time the report holds, or -1 while it is not there.
long long reportedPaint(const std::string& report) {
    std::ifstream in(report);
    std::string line;
    if (!std::getline(in, line) || !line.starts_with("first_paint_ns="))
        return -1;
    return std::stoll(line.substr(std::strlen("first_paint_ns=")));
}

// One start of the program: milliseconds from its start to its first painted frame. The program is ended
// once it has painted.
double startOnce(const std::string& program, const std::string& home) {
    const std::string report = home + "/first-paint";
    const std::string log = home + "/program.log";
    fs::remove(report);
    const std::vector<std::string> environment = childEnvironment(home, report);
    std::vector<char*> envp;
    for (const std::string& e : environment)
        envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    std::string programCopy = program;
    char* argv[] = {programCopy.data(), nullptr};

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);

    pid_t child = 0;
    const long long started = steadyNanoseconds();
    const int failed = posix_spawn(&child, program.c_str(), &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0)
        throw std::runtime_error("cannot start " + program + ": " + std::strerror(failed));

    long long painted = -1;
    bool ended = false;
    int status = 0;
    const double giveUp = nowSeconds() + kGiveUpSeconds;
    while (painted < 0 && !ended && nowSeconds() < giveUp) {
        ::usleep(1000);
        painted = reportedPaint(report);
        ended = ::waitpid(child, &status, WNOHANG) == child;
    }
    if (!ended) {
        ::kill(child, SIGKILL);
        ::waitpid(child, &status, 0);
    }
    if (painted < 0) {
        std::ifstream in(log);
        std::fprintf(stderr, "%s", std::string(std::istreambuf_iterator<char>(in), {}).c_str());
        throw std::runtime_error(ended ? "the program ended without painting its window"
                                       : "the program painted no window in time");
    }
    return double(painted - started) / 1e6;
}

int runStartup(const std::vector<std::string>& args) {
    std::string program = defaultProgram().string();
    int runs = kDefaultRuns;
    bool keep = false;
    bool understood = true;
    for (std::size_t k = 0; k < args.size() && understood; ++k) {
        if (args[k] == "--program" && k + 1 < args.size())
            program = args[++k];
        else if (args[k] == "--runs" && k + 1 < args.size())
            runs = std::max(1, std::atoi(args[++k].c_str()));
        else if (args[k] == "--keep")
            keep = true;
        else
            understood = false;
    }
    if (!understood) {
        std::fprintf(stderr, "usage: ambertrove-bench startup [--program PATH] [--runs N] [--keep]\n");
        return 2;
    }
    if (::access(program.c_str(), X_OK) != 0) {
        std::fprintf(stderr, "ambertrove-bench startup: no program at %s (--program PATH names it)\n",
                     program.c_str());
        return 1;
    }
    const char* base = std::getenv("TMPDIR");
    std::string home = std::string(base && *base ? base : "/tmp") + "/ambertrove-bench-startup-XXXXXX";
    if (!::mkdtemp(home.data()))
        throw std::runtime_error("cannot make a temporary folder");
    struct Cleanup {
        std::string home;
        bool keep;
        ~Cleanup() {
            if (keep) {
                std::fprintf(stderr, "the home is kept: %s\n", home.c_str());
                return;
            }
            std::error_code ignored;
            fs::remove_all(home, ignored);
        }
    } cleanup{home, keep};

    prepareHome(home);
    const double warm = startOnce(program, home);
    std::fprintf(stderr, "warm-up start: %.1f ms\n", warm);
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        times.push_back(startOnce(program, home));
        std::fprintf(stderr, "start %d: %.1f ms\n", i + 1, times.back());
    }
    std::sort(times.begin(), times.end());
    const double median = times.size() % 2 ? times[times.size() / 2]
                                           : (times[times.size() / 2 - 1] + times[times.size() / 2]) / 2;
    std::fprintf(stderr, "median of %d starts (printed): %.1f ms, best %.1f ms\n", runs, median,
                 times.front());
    std::printf("startup_ms=%.1f\n", median);
    return 0;
}

} // namespace

AMBERTROVE_BENCH_COMMAND(startup, "startup [--program PATH] [--runs N] [--keep]", runStartup);

} // namespace ambertrove::bench
