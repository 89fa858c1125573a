// ambertrove-bench state: how long the controller takes to load a large cleanup queue from its state folder,
// and how much memory the load takes at its peak, beside the size of the file.
#include "BenchCommand.hpp"

#include "cleanup/CleanupJson.hpp"
#include "controller/StateFiles.hpp"
#include "platform/AtomicFile.hpp"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace ambertrove::bench {

namespace {

// The peak resident size since the last reset, in bytes.
long long peakResidentBytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.starts_with("VmHWM:"))
            return std::stoll(line.substr(6)) * 1024;
    return 0;
}

// Starts the peak over from the present size.
void resetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

// A file staged from the age map, as staging makes it: the node as scanned and its own identity.
CleanupEntry queuedFile(std::size_t i) {
    CleanupEntry e;
    const std::string folder = "/home/user/Projects/archive-" + std::to_string(i / 100);
    e.node.path = folder + "/build output " + std::to_string(i) + ".o";
    e.node.parent = folder;
    e.node.logicalSize = 40'000 + std::int64_t(i % 977) * 131;
    e.node.allocatedSize = (e.node.logicalSize + 4095) / 4096 * 4096;
    e.node.ownLogicalSize = e.node.logicalSize;
    e.node.ownAllocatedSize = e.node.allocatedSize;
    e.node.fileCount = 1;
    e.node.created = Date::fromUnixSeconds(1'600'000'000 + std::int64_t(i));
    e.node.modified = Date::fromUnixSeconds(1'600'000'100 + std::int64_t(i));
    e.node.accessed = Date::fromUnixSeconds(1'600'000'200 + std::int64_t(i));
    e.node.identity = FileIdentity{2049,
                                   1'000'000 + i,
                                   e.node.logicalSize,
                                   1'600'000'100 + std::int64_t(i),
                                   123'456'789,
                                   1'600'000'300 + std::int64_t(i),
                                   987'654'321,
                                   0100644,
                                   1};
    e.identities.emplace(e.node.path, e.node.identity);
    e.stagedAt = Date::fromUnixSeconds(1'700'000'000);
    e.reason = "Not opened for over a year";
    return e;
}

int runState(const std::vector<std::string>& args) {
    std::size_t count = 100'000;
    bool understood = true;
    for (std::size_t k = 0; k < args.size() && understood; ++k) {
        if (args[k] == "--entries" && k + 1 < args.size())
            count = std::stoul(args[++k]);
        else
            understood = false;
    }
    if (!understood) {
        std::fprintf(stderr, "usage: ambertrove-bench state [--entries N]\n");
        return 2;
    }
    const char* base = std::getenv("TMPDIR");
    std::string folder = std::string(base && *base ? base : "/tmp") + "/ambertrove-bench-state-XXXXXX";
    if (!::mkdtemp(folder.data()))
        throw std::runtime_error("cannot make a temporary folder");
    const std::string queueFile = folder + "/" + std::string(StateFiles::kQueueFile);
    // Written one entry at a time, so that making the file leaves no peak of its own.
    writeFileAtomically(
        queueFile,
        [&](std::FILE* file) {
            JsonOutput out(file);
            JsonWriter writer(out);
            writer.StartArray();
            for (std::size_t i = 0; i < count; ++i)
                CleanupJson::writeEntry(writer, queuedFile(i));
            writer.EndArray();
            out.Flush();
        },
        kPrivateFileMode);
    struct stat status {};
    ::stat(queueFile.c_str(), &status);

    releaseFreeMemory();
    resetPeak();
    const long long before = residentBytes();
    const double start = nowSeconds();
    StateFiles files(folder, std::make_shared<SystemClock>());
    StateFiles::Loaded loaded = files.load();
    const double seconds = secondsSince(start);
    const long long peak = peakResidentBytes() - before;
    releaseFreeMemory();
    const long long kept = residentBytes() - before;
    const std::size_t entries = loaded.queue.size();
    const bool failed = !loaded.messages.isEmpty();
    if (failed)
        std::fprintf(stderr, "%s\n", loaded.messages.join(u'\n').toStdString().c_str());
    loaded = {};
    // Once more into the memory the first load gave back: the same work without the cost of the system
    // handing the process fresh memory, which some virtual machines make dear.
    const double again = nowSeconds();
    loaded = StateFiles(folder, std::make_shared<SystemClock>()).load();
    const double warmSeconds = secondsSince(again);
    loaded = {};
    std::remove(queueFile.c_str());
    ::rmdir(folder.c_str());
    std::printf(
        "entries=%zu file_bytes=%lld load_s=%.3f peak_bytes=%lld peak_per_file_byte=%.2f kept_bytes=%lld "
        "warm_load_s=%.3f\n",
        entries, static_cast<long long>(status.st_size), seconds, peak,
        status.st_size ? double(peak) / double(status.st_size) : 0.0, kept, warmSeconds);
    return failed ? 1 : 0;
}

} // namespace

AMBERTROVE_BENCH_COMMAND(state, "state [--entries N]", runState);

} // namespace ambertrove::bench
