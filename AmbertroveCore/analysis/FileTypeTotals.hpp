#pragma once

#include "model/DiskNode.hpp"
#include "model/FileCategory.hpp"

#include <cstdint>
#include <map>

namespace ambertrove {

// Allocated and logical bytes per file category. A category that received no file is absent from
// both tables (never present with 0), so both always have the same keys.
struct FileTypeTotals {
    std::map<FileCategory, std::int64_t> allocated;
    std::map<FileCategory, std::int64_t> logical;

    // Adds the node's own sizes (not its subtree's) to the category.
    void add(const DiskNode& node, FileCategory category) {
        add(node.ownAllocatedSize, node.ownLogicalSize, category);
    }
    void add(std::int64_t ownAllocated, std::int64_t ownLogical, FileCategory category);
    [[nodiscard]] const std::map<FileCategory, std::int64_t>& values(bool logicalSizes) const {
        return logicalSizes ? logical : allocated;
    }
    [[nodiscard]] bool empty() const { return allocated.empty(); }

    friend bool operator==(const FileTypeTotals&, const FileTypeTotals&) = default;
};

} // namespace ambertrove
