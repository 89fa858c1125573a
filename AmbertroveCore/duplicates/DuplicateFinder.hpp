#pragma once

#include "duplicates/DuplicateFileHooks.hpp"
#include "duplicates/DuplicateProgress.hpp"
#include "duplicates/DuplicateReport.hpp"
#include "model/ScanResult.hpp"
#include "scan/CancellationFlag.hpp"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace ambertrove {

// Finds the files of a finished scan whose contents are identical. Candidates are narrowed by logical size,
// then by a digest of their first 64 KiB, then by comparing the files of one start chunk by chunk, each
// read only until it differs from all the others; two files are reported as copies only once their bytes
// were seen to be equal, and the group's identifier is the digest of its whole content. The file system
// is never walked: only the contents of the scan's files are read, each after checking that it is still
// the file the scan saw, and every file of a group is checked again after the last read of its group.
// Hard links to one file count as one file.
class DuplicateFinder {
public:
    DuplicateFinder() = default;
    // A finder whose file operations pass through `hooks` (tests only).
    explicit DuplicateFinder(std::shared_ptr<const DuplicateFileHooks> hooks)
        : m_hooks(std::move(hooks)) {}

    using DetailProgress = std::function<void(const DuplicateProgress&)>;
    // (files sampled so far, files taking part), after every sampled file.
    using CountProgress = std::function<void(std::int64_t, std::int64_t)>;

    // Searches the whole scan, or only below the folder `scope` names (in any of its path forms). Files
    // smaller than `minimumSize` (and empty files) take part in nothing. Both callbacks run on the
    // calling thread. A file that cannot be read, or changed since the scan, is counted and described in
    // the report's issues; the search goes on without it.
    // Throws CancellationError once `cancellation` is set, AmbertroveError when the scope is not a folder
    // of the scan.
    [[nodiscard]] DuplicateReport find(const ScanResult& scan, std::int64_t minimumSize,
                                       const std::optional<std::string>& scope,
                                       const CancellationFlag& cancellation,
                                       const DetailProgress& detailProgress,
                                       const CountProgress& progress = {}) const;

private:
    std::shared_ptr<const DuplicateFileHooks> m_hooks;
};

} // namespace ambertrove
