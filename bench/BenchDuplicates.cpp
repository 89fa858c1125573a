// ambertrove-bench duplicates: scans a folder, then finds the duplicate files of the whole scan.
// ambertrove-bench duplicates-sparse, duplicates-copies: the same on files they make themselves, sparse so
// that they cost no disk: two large files that differ early, and many copies of one file.
#include "BenchCommand.hpp"

#include "duplicates/DuplicateFinder.hpp"
#include "scan/DiskScanner.hpp"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <stdexcept>
#include <sys/resource.h>
#include <system_error>
#include <unistd.h>

namespace ambertrove::bench {

namespace {

int runDuplicates(const std::vector<std::string>& args) {
    std::string root, groupsOut;
    std::int64_t minimumSize = 0;
    bool understood = true;
    for (std::size_t k = 0; k < args.size() && understood; ++k) {
        if (args[k] == "--min-size" && k + 1 < args.size())
            minimumSize = std::stoll(args[++k]);
        else if (args[k] == "--groups-out" && k + 1 < args.size())
            groupsOut = args[++k];
        else if (root.empty() && !args[k].starts_with("--"))
            root = args[k];
        else
            understood = false;
    }
    if (root.empty() || !understood) {
        std::fprintf(stderr,
                     "usage: ambertrove-bench duplicates PATH [--min-size BYTES] [--groups-out FILE]\n");
        return 2;
    }
    CancellationFlag flag;
    const ScanResult scan = DiskScanner().scan(root, flag);
    std::size_t files = 0;
    scan.nodes.forEachNode([&](NodeIndex i) { files += scan.nodes[i].isRegularFile() ? 1 : 0; });

    const double start = nowSeconds();
    const DuplicateReport report =
        DuplicateFinder().find(scan, minimumSize, std::nullopt, flag, [](const DuplicateProgress&) {});
    const double seconds = secondsSince(start);

    std::size_t duplicates = 0;
    std::int64_t reclaimable = 0;
    for (const DuplicateGroup& group : report.groups) {
        duplicates += group.files.size();
        reclaimable += group.reclaimable();
    }
    if (!groupsOut.empty()) {
        // Every group's paths, one a line, groups separated by an empty line: for checking against other
        // tools.
        std::FILE* out = std::fopen(groupsOut.c_str(), "w");
        if (!out)
            throw std::runtime_error("cannot write " + groupsOut);
        for (const DuplicateGroup& group : report.groups) {
            for (const DiskNode& file : group.files)
                std::fprintf(out, "%s\n", file.path.c_str());
            std::fputc('\n', out);
        }
        std::fclose(out);
    }
    std::printf("files=%zu groups=%zu duplicate_files=%zu reclaimable_bytes=%lld seconds=%.3f\n", files,
                report.groups.size(), duplicates, static_cast<long long>(reclaimable), seconds);
    return 0;
}

// Bytes this process has read through read calls so far (page cache, disk or holes alike).
long long bytesReadSoFar() {
    std::ifstream io("/proc/self/io");
    std::string key;
    long long value = 0;
    while (io >> key >> value)
        if (key == "rchar:")
            return value;
    return 0;
}

double cpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// A folder of sparse files, removed with them.
class SparseFolder {
public:
    explicit SparseFolder(const std::string& base) {
        std::string pattern = base + "/ambertrove-bench-dups-XXXXXX";
        if (!::mkdtemp(pattern.data()))
            throw std::system_error(errno, std::generic_category(), "mkdtemp in " + base);
        m_path = pattern;
    }
    ~SparseFolder() {
        for (const std::string& file : m_files)
            ::unlink(file.c_str());
        ::rmdir(m_path.c_str());
    }
    SparseFolder(const SparseFolder&) = delete;
    SparseFolder& operator=(const SparseFolder&) = delete;

    // A file of `size` bytes, all zero but for `mark` written at each of `at`.
    void add(const std::string& name, std::int64_t size, const std::string& mark,
             const std::vector<std::int64_t>& at) {
        const std::string path = m_path + "/" + name;
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0)
            throw std::system_error(errno, std::generic_category(), path);
        m_files.push_back(path);
        bool written = ::ftruncate(fd, size) == 0;
        for (std::int64_t offset : at)
            written = written &&
                      ::pwrite(fd, mark.data(), mark.size(), offset) == static_cast<ssize_t>(mark.size());
        ::close(fd);
        if (!written)
            throw std::runtime_error("cannot write " + path);
    }
    [[nodiscard]] const std::string& path() const { return m_path; }

private:
    std::string m_path;
    std::vector<std::string> m_files;
};

// Scans the folder, finds its duplicates and prints one line: `label` first, then the figures.
void findAndPrint(const std::string& label, const std::string& root) {
    CancellationFlag flag;
    const ScanResult scan = DiskScanner().scan(root, flag);
    const long long readBefore = bytesReadSoFar();
    const double cpuBefore = cpuSeconds();
    const double start = nowSeconds();
    const DuplicateReport report =
        DuplicateFinder().find(scan, 0, std::nullopt, flag, [](const DuplicateProgress&) {});
    const double seconds = secondsSince(start);
    const double cpu = cpuSeconds() - cpuBefore;
    const long long bytesRead = bytesReadSoFar() - readBefore;
    std::size_t duplicates = 0;
    for (const DuplicateGroup& group : report.groups)
        duplicates += group.files.size();
    std::printf("%s groups=%zu duplicate_files=%zu skipped=%lld bytes_read=%lld seconds=%.3f "
                "cpu_seconds=%.3f\n",
                label.c_str(), report.groups.size(), duplicates, static_cast<long long>(report.skipped),
                bytesRead, seconds, cpu);
}

// Reads `--name VALUE` options into `values`; false on anything else.
bool readOptions(const std::vector<std::string>& args,
                 std::vector<std::pair<std::string, std::string*>> values) {
    for (std::size_t k = 0; k < args.size(); ++k) {
        bool known = false;
        for (auto& [name, value] : values)
            if (args[k] == name && k + 1 < args.size()) {
                *value = args[++k];
                known = true;
                break;
            }
        if (!known)
            return false;
    }
    return true;
}

int runSparsePair(const std::vector<std::string>& args) {
    std::string size = "4294967296", differAt = "70000", base = "/tmp";
    if (!readOptions(args, {{"--size", &size}, {"--differ-at", &differAt}, {"--dir", &base}})) {
        std::fprintf(stderr, "usage: ambertrove-bench duplicates-sparse [--size BYTES] [--differ-at BYTES] "
                             "[--dir FOLDER]\n");
        return 2;
    }
    const std::int64_t bytes = std::stoll(size), at = std::stoll(differAt);
    SparseFolder folder(base);
    folder.add("one.bin", bytes, {}, {});
    folder.add("two.bin", bytes, "x", {at});
    findAndPrint("files=2 size=" + size + " differ_at=" + differAt, folder.path());
    return 0;
}

int runCopies(const std::vector<std::string>& args) {
    // 10 GB in all by default, which the page cache holds: what is measured is then the finder's own work
    // rather than the kernel reclaiming pages for files larger than memory.
    std::string count = "2000", size = "5000000", base = "/tmp";
    if (!readOptions(args, {{"--files", &count}, {"--size", &size}, {"--dir", &base}})) {
        std::fprintf(stderr,
                     "usage: ambertrove-bench duplicates-copies [--files N] [--size BYTES] [--dir FOLDER]\n");
        return 2;
    }
    const int files = std::stoi(count);
    const std::int64_t bytes = std::stoll(size);
    SparseFolder folder(base);
    for (int k = 0; k < files; ++k) {
        char name[32];
        std::snprintf(name, sizeof name, "copy-%05d.bin", k);
        // The same few bytes at the start, the middle and the end of every copy.
        folder.add(name, bytes, "ambertrove", {0, bytes / 2, std::max<std::int64_t>(0, bytes - 10)});
    }
    findAndPrint("files=" + count + " size=" + size, folder.path());
    return 0;
}

} // namespace

AMBERTROVE_BENCH_COMMAND(duplicates, "duplicates PATH [--min-size BYTES] [--groups-out FILE]", runDuplicates);
// Registered directly: their names are not identifiers.
static const Registration
    duplicatesSparse("duplicates-sparse",
                     "duplicates-sparse [--size BYTES] [--differ-at BYTES] [--dir FOLDER]", runSparsePair);
static const Registration duplicatesCopies("duplicates-copies",
                                           "duplicates-copies [--files N] [--size BYTES] [--dir FOLDER]",
                                           runCopies);

} // namespace ambertrove::bench
