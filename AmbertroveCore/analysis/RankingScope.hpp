#pragma once

#include "analysis/TaskCancellation.hpp"
#include "model/DiskNode.hpp"
#include "model/NodeTable.hpp"
#include "model/ScanResult.hpp"

#include <array>
#include <optional>
#include <string_view>
#include <vector>

namespace ambertrove {

// Which entries a ranked list of the largest draws from.
enum class RankingScope {
    current, // the direct children of the focused folder, files and folders
    files,   // every entry that is not a directory, except the scan root
    folders, // every directory except the scan root
};

inline constexpr std::array<RankingScope, 3> kAllRankingScopes = {RankingScope::current, RankingScope::files,
                                                                  RankingScope::folders};

// The scope's display title ("In this folder").
[[nodiscard]] std::string_view rawValue(RankingScope scope);
// The scope whose title is exactly `title`, or nothing.
[[nodiscard]] std::optional<RankingScope> rankingScopeFromRawValue(std::string_view title);

// The scope's candidates, unfiltered, largest first by the chosen size, equal sizes by path.
// Throws CancellationError when the task is cancelled.
[[nodiscard]] std::vector<NodeIndex> itemIndices(RankingScope scope, const ScanResult& scan,
                                                 std::string_view focus, bool logical,
                                                 const TaskCancellation& cancellation = {});
[[nodiscard]] std::vector<DiskNode> items(RankingScope scope, const ScanResult& scan, std::string_view focus,
                                          bool logical, const TaskCancellation& cancellation = {});

} // namespace ambertrove
