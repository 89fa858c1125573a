#pragma once

#include "analysis/TaskCancellation.hpp"
#include "model/NodeTable.hpp"

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace ambertrove {

class CancellationPoints;

// Orders records of a scan by their full path in plain byte order ("/a-b" before "/a/x") without
// building the paths: two records are compared at the first components where their paths part, each
// component followed by "/" when its path goes on. After rank(), records of the ranked set compare by
// one integer each, which is what large sorts with many equal keys need.
class PathOrder {
public:
    explicit PathOrder(const NodeTable& nodes)
        : m_nodes(nodes) {}

    // Negative, zero or positive as path(a) sorts before, equal to or after path(b).
    [[nodiscard]] int compare(NodeIndex a, NodeIndex b);
    [[nodiscard]] bool less(NodeIndex a, NodeIndex b) { return compare(a, b) < 0; }

    // The record's place among the ranked records, when rank() numbered it.
    [[nodiscard]] std::optional<std::uint32_t> rankOf(NodeIndex i) const {
        if (m_ranks.empty() || m_ranks[i] == kUnranked)
            return std::nullopt;
        return m_ranks[i];
    }

    // Numbers the records in `rows` (and their ancestors) in path order. Polls `cancellation` per record.
    void rank(std::span<const NodeIndex> rows, CancellationPoints& points);
    // The ranks rank() made, by record (kUnranked for records it left out); the order has none after.
    [[nodiscard]] std::vector<std::uint32_t> takeRanks() { return std::move(m_ranks); }
    // Whether ranking `rows` records of a table of `records` costs less than comparing them by the tree:
    // ranking goes over tables as long as the whole scan, which only many rows repay.
    [[nodiscard]] static bool ranksPayOff(std::size_t rows, std::size_t records) {
        return rows > 64 && rows * 16 > records;
    }

private:
    static constexpr std::uint32_t kUnranked = 0xFFFFFFFFu;

    [[nodiscard]] int compareByTree(NodeIndex a, NodeIndex b);
    [[nodiscard]] static int compareNames(std::string_view a, bool aGoesOn, std::string_view b, bool bGoesOn);
    [[nodiscard]] bool isDetached(NodeIndex i) const { return m_nodes[i].flags() & NodeTable::kDetached; }

    const NodeTable& m_nodes;
    std::vector<std::uint32_t> m_ranks; // by record; empty until rank()
    std::vector<NodeIndex> m_chainA, m_chainB;
};

} // namespace ambertrove
