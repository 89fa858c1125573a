#pragma once

#include "model/ScanResult.hpp"
#include "scan/CancellationFlag.hpp"
#include "scan/ScanFileSystem.hpp"
#include "scan/ScanNavigation.hpp"
#include "scan/ScanProgress.hpp"

#include <functional>
#include <memory>
#include <string>

namespace ambertrove {

// Walks one folder or mounted volume into a ScanResult: logical and allocated sizes (a hard-linked
// file's blocks counted once), compression savings, file and folder counts, and the entries it could
// not measure as issues. Never follows a symbolic link and never crosses into another volume.
class DiskScanner {
public:
    using ProgressCallback = std::function<void(const ScanProgress&)>;

    DiskScanner() = default;
    // A scanner whose file-system calls pass through `hooks` (tests only).
    explicit DiskScanner(std::shared_ptr<const ScanFileSystem> hooks)
        : m_hooks(std::move(hooks)) {}

    // With a navigation, totals are kept current during the walk and every report previews the folder
    // the user browses; without one (and without progress), totals are rolled up once at the end.
    // Both give the same result for the same tree.
    // Throws std::system_error, AmbertroveError or CancellationError.
    [[nodiscard]] ScanResult scan(const std::string& root, const CancellationFlag& cancellation,
                                  const ScanNavigation* navigation = nullptr,
                                  const ProgressCallback& progress = {}) const;

private:
    std::shared_ptr<const ScanFileSystem> m_hooks;
};

} // namespace ambertrove
