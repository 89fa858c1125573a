#pragma once

#include "analysis/NameMatcher.hpp"
#include "analysis/RankedPage.hpp"
#include "analysis/RankingScope.hpp"
#include "analysis/TaskCancellation.hpp"
#include "base/Date.hpp"
#include "model/DiskNode.hpp"
#include "model/FileCategory.hpp"
#include "model/NodeTable.hpp"
#include "model/ScanResult.hpp"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ambertrove {

// The one filter of the explore views and the listings built on it. A query is a plain value: its
// equality and hash decide whether a view's listing must run again.
//
// Every listing runs on an immutable scan, polls `cancellation` at its start and end and every 512 entries,
// and throws CancellationError when it is requested (never returning part of a result).
struct ScanQuery {
    std::string text;                     // names must contain it, ignoring case; empty for no text filter
    bool showHidden = true;               // false leaves out names beginning with "."
    std::int64_t minimumBytes = 0;        // smaller entries (in the chosen size) are left out
    std::optional<FileCategory> category; // only files of this category; never a directory
    std::int64_t modifiedBeforeDays = 0;  // when not 0, only entries modified at least this long ago
    bool logical = false; // logical sizes instead of allocated sizes, for the size test and ranking

    // Ranked rows as indices into the scan's table.
    struct RankedIndices {
        std::vector<NodeIndex> rows;
        std::int64_t count = 0;
    };

    [[nodiscard]] bool matches(const DiskNode& node, Date now) const;

    // Calls `visit` with each matching entry below `focus` (its direct children, or its whole subtree
    // when `recursive`), depth first with each folder's children taken last to first. The focus itself
    // is never reported; folders that do not match are still descended into.
    void forEach(const ScanResult& scan, std::string_view focus, bool recursive, Date now,
                 const std::function<void(NodeIndex)>& visit,
                 const TaskCancellation& cancellation = {}) const;
    [[nodiscard]] std::vector<NodeIndex> indices(const ScanResult& scan, std::string_view focus,
                                                 bool recursive, Date now,
                                                 const TaskCancellation& cancellation = {}) const;
    [[nodiscard]] std::vector<DiskNode> items(const ScanResult& scan, std::string_view focus, bool recursive,
                                              Date now, const TaskCancellation& cancellation = {}) const;
    // The matching paths in visiting order, measured against the current date.
    [[nodiscard]] std::vector<std::string> paths(const ScanResult& scan, std::string_view focus,
                                                 bool recursive,
                                                 const TaskCancellation& cancellation = {}) const;

    // The largest matching entries of the scope, at most `limit` (none for a limit of 0 or less), with
    // the count of all that matched. Equal sizes are ranked by path.
    [[nodiscard]] RankedIndices rankedIndices(const ScanResult& scan, std::string_view focus,
                                              RankingScope scope, std::int64_t limit,
                                              const TaskCancellation& cancellation = {}) const;
    [[nodiscard]] RankedPage rankedPage(const ScanResult& scan, std::string_view focus, RankingScope scope,
                                        std::int64_t limit, const TaskCancellation& cancellation = {}) const;
    // Every matching entry of the scope, ranked.
    [[nodiscard]] std::vector<DiskNode> ranked(const ScanResult& scan, std::string_view focus,
                                               RankingScope scope,
                                               const TaskCancellation& cancellation = {}) const;

    friend bool operator==(const ScanQuery&, const ScanQuery&) = default;
};

// The node test of a query prepared for testing many entries of a table: the filter text is folded once.
// One instance serves one thread (the name matcher reuses a buffer).
class ScanQueryFilter {
public:
    ScanQueryFilter(ScanQuery query, Date now);

    [[nodiscard]] bool matches(std::string_view name, bool isDirectory, std::int64_t bytes,
                               Date modified) const;
    [[nodiscard]] bool matches(const NodeTable& nodes, NodeIndex i) const;
    [[nodiscard]] const ScanQuery& query() const { return m_query; }

private:
    ScanQuery m_query;
    Date m_now;
    NameMatcher m_text;
};

} // namespace ambertrove

template <> struct std::hash<ambertrove::ScanQuery> {
    std::size_t operator()(const ambertrove::ScanQuery& query) const noexcept;
};
