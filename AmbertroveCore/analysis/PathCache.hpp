#pragma once

#include "analysis/TaskCancellation.hpp"
#include "model/NodeTable.hpp"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ambertrove {

class CancellationPoints;

// Builds the full paths of many records of one scan. Each folder's path is built once and kept, so a
// record's path is its folder's path, "/" and its name: two copies instead of a walk to the root.
class PathCache {
public:
    explicit PathCache(const NodeTable& nodes);

    // DiskNode::path of the record.
    [[nodiscard]] std::string path(NodeIndex i);
    // The paths of many records in any order; polls `cancellation` per record.
    [[nodiscard]] std::vector<std::string> paths(std::span<const NodeIndex> records,
                                                 CancellationPoints& points);

private:
    // The path of a record with children, built on first use.
    [[nodiscard]] std::string_view folderPath(NodeIndex i);

    static constexpr std::uint32_t kNotBuilt = 0xFFFFFFFFu;

    const NodeTable& m_nodes;
    std::string m_text;                  // folder paths, one after another
    std::vector<std::uint32_t> m_start;  // by record: where its folder path starts in m_text, or kNotBuilt
    std::vector<std::uint32_t> m_length; // by record
    std::vector<NodeIndex> m_pending;
};

} // namespace ambertrove
