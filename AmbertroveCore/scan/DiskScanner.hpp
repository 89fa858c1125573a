#pragma once

#include "model/ScanResult.hpp"
#include "scan/CancellationFlag.hpp"
#include "scan/ScanFileSystem.hpp"
#include "scan/ScanNavigation.hpp"
#include "scan/ScanProgress.hpp"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

namespace ambertrove {

// Walks one folder or mounted volume into a ScanResult: logical and allocated sizes (a hard-linked
// file's blocks counted once), compression savings, file and folder counts, and the entries it could
// not measure as issues. Never follows a symbolic link and never crosses into another volume.
//
// Folders are listed and their entries' status read by worker threads, ahead of a walk on the calling
// thread that consumes the listings in its own order (a folder before its contents, in listing order) and
// does everything else; so the result is the same whatever the number of threads, down to which of a
// file's hard links carries its blocks and the order of the issues.
class DiskScanner {
public:
    using ProgressCallback = std::function<void(const ScanProgress&)>;

    // The most threads a scanner uses by default. The walking thread's own pace (about a third of a
    // microsecond an entry) keeps a warm scan from gaining beyond about this many.
    static constexpr unsigned kMaxThreads = 8;
    // The entries listed ahead of the walk at most (about 150 bytes each with its name: some 10 MB).
    static constexpr std::size_t kReadAhead = 1 << 16;

    // The number of threads a scanner uses by default: one per core it may run on, at most kMaxThreads.
    [[nodiscard]] static unsigned defaultThreads();

    DiskScanner() = default;
    // A scanner with `threads` threads in all (0: defaultThreads()); 1 walks on the calling thread alone.
    explicit DiskScanner(unsigned threads, std::size_t readAhead = kReadAhead)
        : m_threads(threads)
        , m_readAhead(readAhead) {}
    // A scanner whose file-system calls pass through `hooks` (tests only). The hooks are called on worker
    // threads as well as on the calling thread, one call at a time, in no particular order across folders.
    explicit DiskScanner(std::shared_ptr<const ScanFileSystem> hooks, unsigned threads = 0,
                         std::size_t readAhead = kReadAhead)
        : m_hooks(std::move(hooks))
        , m_threads(threads)
        , m_readAhead(readAhead) {}

    // With a navigation, totals are kept current during the walk and every report previews the folder
    // the user browses; without one (and without progress), totals are rolled up once at the end.
    // Both give the same result for the same tree. Progress is reported on the calling thread.
    // Throws std::system_error, AmbertroveError or CancellationError.
    [[nodiscard]] ScanResult scan(const std::string& root, const CancellationFlag& cancellation,
                                  const ScanNavigation* navigation = nullptr,
                                  const ProgressCallback& progress = {}) const;

private:
    std::shared_ptr<const ScanFileSystem> m_hooks;
    unsigned m_threads = 0;
    std::size_t m_readAhead = kReadAhead;
};

} // namespace ambertrove
