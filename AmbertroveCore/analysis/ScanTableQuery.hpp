#pragma once

#include "analysis/ScanQuery.hpp"
#include "analysis/ScanSortCache.hpp"
#include "analysis/ScanSortField.hpp"
#include "analysis/TaskCancellation.hpp"
#include "model/ScanResult.hpp"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace ambertrove {

// The file table's sorted listing: the entries a query matches below a folder, sorted by one column.
// Text columns follow the localized standard order (case-insensitive, digits by value); entries with
// equal keys come in ascending path order whatever the direction.
struct ScanTableQuery {
    ScanQuery query;
    ScanSortField field = ScanSortField::name;
    bool ascending = true;
    std::string locale; // ICU locale name for the text order; empty for the user's locale
    // What sorts of the same scan share, when the caller keeps it between them.
    std::shared_ptr<ScanSortCache> cache;

    // Throws CancellationError when the task is cancelled.
    [[nodiscard]] std::vector<NodeIndex> sortedIndices(const ScanResult& scan, std::string_view focus,
                                                       bool recursive,
                                                       const TaskCancellation& cancellation = {}) const;
    [[nodiscard]] std::vector<std::string> sortedPaths(const ScanResult& scan, std::string_view focus,
                                                       bool recursive,
                                                       const TaskCancellation& cancellation = {}) const;
};

} // namespace ambertrove
