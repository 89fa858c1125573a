#pragma once

#include "analysis/AgeRange.hpp"
#include "analysis/Calendar.hpp"
#include "analysis/ModificationMonth.hpp"
#include "analysis/ScanQuery.hpp"
#include "analysis/TaskCancellation.hpp"
#include "model/DiskNode.hpp"
#include "model/ScanResult.hpp"

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ambertrove {

// The files of one listing of a summary, in entry order (as AgeSummary::Entry::file), with their byte total.
struct AgeListing {
    std::vector<NodeIndex> files;
    std::int64_t bytes = 0;

    friend bool operator==(const AgeListing&, const AgeListing&) = default;
};

// How old the bytes below a folder are: totals per age range and per month of modification, and one entry
// per counted file (largest first, ties by path) so that a range, a month or the untouched files can be
// listed without walking the scan again. An entry names its file by index, not by path: a summary of a
// folder of millions of files would otherwise hold a path for each.
struct AgeSummary {
    // A file this large (logical bytes) that has been neither modified nor opened for this long is untouched.
    static constexpr std::int64_t kUntouchedBytes = 40'000'000;
    static constexpr double kUntouchedSeconds = 31'536'000; // 365 days

    struct Entry {
        // The file: its node in the scan the summary was made from, or its position in the list of nodes.
        NodeIndex file = kNoNode;
        std::int64_t bytes = 0;
        AgeRange range = AgeRange::week;
        ModificationMonth month;
        bool untouched = false;

        friend bool operator==(const Entry&, const Entry&) = default;
    };

    std::vector<Entry> entries;
    std::array<std::int64_t, 6> totals{}; // by AgeRange raw value
    std::map<ModificationMonth, std::int64_t> months;

    // Calls its argument with each node the summary counts; the explorer query's traversal of the focus's
    // whole subtree with its filter, which polls the cancellation itself.
    using NodeVisitor = std::function<void(NodeIndex)>;
    using Traversal = std::function<void(const NodeVisitor&)>;

    // The summary of the nodes a traversal of `scan` reports (directories among them count nothing).
    // `expectedFiles`, when known, is about how many files the traversal reports: room for them is made at
    // once.
    [[nodiscard]] static AgeSummary make(const ScanResult& scan, const Traversal& matchingNodes, bool logical,
                                         Date now, const Calendar& calendar,
                                         const TaskCancellation& cancellation = {},
                                         std::size_t expectedFiles = 0);
    // The summary of the files below `focus` that the explorer query matches, in the query's sizes.
    [[nodiscard]] static AgeSummary make(const ScanResult& scan, std::string_view focus,
                                         const ScanQuery& query, Date now, const Calendar& calendar,
                                         const TaskCancellation& cancellation = {});
    // The summary of the files in a list of nodes.
    [[nodiscard]] static AgeSummary make(std::span<const DiskNode> nodes, bool logical, Date now,
                                         const Calendar& calendar, const TaskCancellation& cancellation = {});

    // The files of a month when one is given, else of a range when one is given, else the untouched files.
    [[nodiscard]] AgeListing listing(std::optional<AgeRange> range, std::optional<ModificationMonth> month,
                                     const TaskCancellation& cancellation = {}) const;

    friend bool operator==(const AgeSummary&, const AgeSummary&) = default;
};

} // namespace ambertrove
