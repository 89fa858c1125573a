#pragma once

#include "analysis/FileTypeTotals.hpp"
#include "analysis/QuickWin.hpp"
#include "analysis/TaskCancellation.hpp"
#include "model/ScanResult.hpp"

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace ambertrove {

// What the views show about a whole scan beyond its tree: bytes per file category for the scan and
// for each top-level folder, the quick wins, and the quick wins' bytes with nested ones counted once.
struct ScanPresentation {
    // Category totals of a folder's subtree: of every file below it, and per top-level folder below it
    // (keyed by that folder's path; folders with no file below them have no entry).
    struct Distribution {
        FileTypeTotals total;
        std::map<std::string, FileTypeTotals> folders;

        friend bool operator==(const Distribution&, const Distribution&) = default;
    };

    FileTypeTotals types;
    std::map<std::string, FileTypeTotals> folderTypes;
    std::vector<QuickWin> quickWins;
    std::int64_t uniqueQuickWinBytes = 0;

    // Everything above for the scan's root. Throws CancellationError when the task is cancelled.
    [[nodiscard]] static ScanPresentation make(const ScanResult& scan,
                                               const QuickWin::TrashFolders& trash = {},
                                               const TaskCancellation& cancellation = {});
    // The totals below `focus`; empty when the scan has no node there or it has no children. Throws
    // CancellationError when the task is cancelled, never returning part of the totals.
    [[nodiscard]] static Distribution distribution(const ScanResult& scan, std::string_view focus,
                                                   const TaskCancellation& cancellation = {});

    friend bool operator==(const ScanPresentation&, const ScanPresentation&) = default;
};

} // namespace ambertrove
