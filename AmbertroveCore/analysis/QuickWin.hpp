#pragma once

#include "analysis/QuickWinKind.hpp"
#include "analysis/TaskCancellation.hpp"
#include "model/DiskNode.hpp"
#include "model/ScanResult.hpp"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ambertrove {

// One group of suggested cleanup: its kind and the scan's entries in it, largest allocated size first.
struct QuickWin {
    // Where the user's Trash lives on Linux, besides folders named ".Trash": the home trash and the
    // per-user trash folder name at a volume's top.
    struct TrashFolders {
        std::string homeTrash;       // home + "/.local/share/Trash"; empty for none
        std::string volumeTrashName; // ".Trash-" + uid; empty for none

        [[nodiscard]] static TrashFolders forUser(std::string_view home, unsigned uid);
    };

    QuickWinKind kind = QuickWinKind::downloads;
    std::vector<DiskNode> nodes;

    [[nodiscard]] QuickWinKind id() const { return kind; }
    // The sum of the nodes' allocated sizes.
    [[nodiscard]] std::int64_t bytes() const;

    // Sorts the scan's entries into the twelve groups, one per kind in declaration order, empty ones
    // included. Nested entries of one kind are listed once, through the outermost. Throws
    // CancellationError when the task is cancelled.
    [[nodiscard]] static std::vector<QuickWin> discover(const ScanResult& scan,
                                                        const TrashFolders& trash = {},
                                                        const TaskCancellation& cancellation = {});
    // The nodes that lie below no other node of the list (by path text), sorted by path. Of nodes with
    // the same path the first is kept.
    [[nodiscard]] static std::vector<DiskNode> topmost(const std::vector<DiskNode>& nodes);
    // The same over paths: the positions of the paths kept, in path order.
    [[nodiscard]] static std::vector<std::size_t> topmostPositions(std::span<const std::string_view> paths);

    friend bool operator==(const QuickWin&, const QuickWin&) = default;
};

} // namespace ambertrove
