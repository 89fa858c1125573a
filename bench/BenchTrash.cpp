// ambertrove-bench trash: stages small files in a temporary home, moves them to that home's Trash through
// the cleanup service and restores them all in one call, with a policy for each job as the application
// makes them: one for the staging, one for the move, one for the restore. The policy reads this system's
// own processes, as the application's does: a check of an entry looks for programs running from it.
#include "BenchCommand.hpp"

#include "cleanup/CleanupBatch.hpp"
#include "cleanup/CleanupEntry.hpp"
#include "cleanup/CleanupPolicy.hpp"
#include "cleanup/CleanupService.hpp"
#include "platform/FreedesktopTrash.hpp"
#include "scan/DiskScanner.hpp"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <ftw.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace ambertrove::bench {

namespace {

void makeFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0700) != 0)
        throw std::runtime_error("cannot make " + path);
}

void makeFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0 || ::write(fd, "small file\n", 11) != 11)
        throw std::runtime_error("cannot write " + path);
    ::close(fd);
}

int removeEntry(const char* path, const struct stat*, int, FTW*) {
    ::remove(path);
    return 0;
}

int runTrash(const std::vector<std::string>& args) {
    std::size_t count = 1000;
    bool understood = true;
    for (std::size_t k = 0; k < args.size() && understood; ++k) {
        if (args[k] == "--files" && k + 1 < args.size())
            count = std::stoul(args[++k]);
        else
            understood = false;
    }
    if (!understood || count == 0) {
        std::fprintf(stderr, "usage: ambertrove-bench trash [--files N]\n");
        return 2;
    }
    const char* base = std::getenv("TMPDIR");
    std::string root = std::string(base && *base ? base : "/tmp") + "/ambertrove-bench-trash-XXXXXX";
    if (!::mkdtemp(root.data()))
        throw std::runtime_error("cannot make a temporary folder");
    const std::string home = root + "/home";
    const std::string data = home + "/.local/share";
    for (const std::string& folder : {home, home + "/.local", data, home + "/docs"})
        makeFolder(folder);
    for (std::size_t i = 0; i < count; ++i)
        makeFile(home + "/docs/file-" + std::to_string(i) + ".txt");

    CancellationFlag flag;
    const ScanResult scan = DiskScanner().scan(home + "/docs", flag);
    const auto policy = [&] {
        return CleanupPolicy(home, data);
    };
    std::vector<std::string> paths;
    paths.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        paths.push_back(home + "/docs/file-" + std::to_string(i) + ".txt");
    double start = nowSeconds();
    const std::vector<CleanupEntry> entries =
        CleanupBatch::prepare(paths, scan, "bench", flag, {}, policy).entries;
    const double stageSeconds = secondsSince(start);

    // The policy alone: one made for the job and asked about every entry.
    start = nowSeconds();
    std::size_t allowed = 0;
    const CleanupPolicy jobPolicy = policy();
    for (const CleanupEntry& entry : entries)
        allowed += jobPolicy.rejection(entry.node.path) ? 0 : 1;
    const double policySeconds = secondsSince(start);

    FreedesktopTrash::Locations where;
    where.homeTrash = data + "/Trash";
    where.uid = ::getuid();
    const CleanupService service(std::make_shared<FreedesktopTrash>(where), policy);
    start = nowSeconds();
    const CleanupOutcome outcome = service.moveToTrash(entries, true);
    const double trashSeconds = secondsSince(start);

    start = nowSeconds();
    std::size_t restored = 0;
    for (const std::exception_ptr& failure : service.restoreAll(outcome.receipts))
        restored += failure ? 0 : 1;
    const double restoreSeconds = secondsSince(start);
    ::nftw(root.c_str(), removeEntry, 32, FTW_PHYS | FTW_DEPTH);

    std::printf("files=%zu staged_seconds=%.3f allowed=%zu policy_seconds=%.3f trashed=%zu refused=%zu "
                "trash_seconds=%.3f restored=%zu restore_seconds=%.3f\n",
                count, stageSeconds, allowed, policySeconds, outcome.receipts.size(), outcome.errors.size(),
                trashSeconds, restored, restoreSeconds);
    return 0;
}

} // namespace

AMBERTROVE_BENCH_COMMAND(trash, "trash [--files N]", runTrash);

} // namespace ambertrove::bench
