#pragma once

#include "analysis/ScanQuery.hpp"
#include "analysis/ScanSortCache.hpp"
#include "analysis/ScanSortField.hpp"
#include "analysis/TaskCancellation.hpp"
#include "model/NodeTable.hpp"
#include "model/ScanResult.hpp"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace ambertrove {

// One key of the file table's sort order: a column's field and its direction.
struct TableSortKey {
    ScanSortField field = ScanSortField::allocatedSize;
    bool ascending = false;

    friend bool operator==(const TableSortKey&, const TableSortKey&) = default;
};

// The file table's listing in its sort order. One key is the core's sorted listing; any other number of
// keys is sorted here, by the keys in turn, then by path.
//
// The order is strict and total: nodes the scan holds come first, by the keys (names and kinds in the
// localized order, numbers by value, dates by time, each in its own direction), equal ones by path;
// paths the scan does not hold come last, by path. Text keys are made once per row, not per comparison.
// Cancellation is polled every 1024 comparisons and throws; it never shortens or changes the answer.
namespace FileTableSort {

// The rows below `focus` that `filter` matches, sorted by `keys`.
// `cache`, kept by the caller between sorts of the same scan, spares later sorts work the first did.
[[nodiscard]] std::vector<NodeIndex> rows(const ScanResult& scan, const ScanQuery& filter,
                                          std::string_view focus, bool recursive,
                                          const std::vector<TableSortKey>& keys,
                                          const TaskCancellation& cancellation = {},
                                          const std::shared_ptr<ScanSortCache>& cache = nullptr);

// `rows` (nodes of `scan`) sorted by `keys`, then by path.
[[nodiscard]] std::vector<NodeIndex> sorted(const ScanResult& scan, std::vector<NodeIndex> rows,
                                            const std::vector<TableSortKey>& keys,
                                            const TaskCancellation& cancellation = {},
                                            const std::string& locale = {});

// `paths` sorted by `keys`: those the scan holds by the keys, then by path; the others last, by path.
[[nodiscard]] std::vector<std::string> sorted(const ScanResult& scan, std::vector<std::string> paths,
                                              const std::vector<TableSortKey>& keys,
                                              const TaskCancellation& cancellation = {},
                                              const std::string& locale = {});

} // namespace FileTableSort

} // namespace ambertrove
