#pragma once

#include "base/Date.hpp"
#include "model/FileCategory.hpp"
#include "model/FileIdentity.hpp"
#include "platform/Saturating.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ambertrove {

// Everything a node holds apart from its place in the tree (path, parent, children).
struct NodeData {
    bool isDirectory = false;
    bool isSymbolicLink = false;
    bool isCloudPlaceholder = false;
    std::int64_t logicalSize = 0;
    std::int64_t allocatedSize = 0;
    std::int64_t ownLogicalSize = 0;
    std::int64_t ownAllocatedSize = 0;
    std::int64_t compressedSavings = 0;
    std::int64_t fileCount = 0;
    std::int64_t folderCount = 0;
    Date created;
    Date modified;
    Date accessed;
    FileIdentity identity;

    // A node's own figures from its status record. An override replaces the allocated size
    // (the scanner passes 0 for the second and later links of one file so its blocks count once).
    static NodeData fromStatus(const FileIdentity& identity, const FileStatus& status,
                               std::optional<std::int64_t> allocatedOverride = std::nullopt);

    [[nodiscard]] std::int64_t bytes(bool logical) const { return logical ? logicalSize : allocatedSize; }
    [[nodiscard]] bool isRegularFile() const;

    friend bool operator==(const NodeData&, const NodeData&) = default;
};

// One entry of a scan as a plain value, keyed by its absolute path. Scans store nodes compactly
// (see NodeTable); a DiskNode is made on demand for callers that want the whole record.
struct DiskNode : NodeData {
    std::string path;
    std::optional<std::string> parent;
    std::vector<std::string> children;

    DiskNode() = default;
    DiskNode(std::string path, std::optional<std::string> parent, const FileIdentity& identity,
             const FileStatus& metadata, std::optional<std::int64_t> allocatedOverride = std::nullopt);

    [[nodiscard]] const std::string& id() const { return path; }
    [[nodiscard]] std::string name() const;
    [[nodiscard]] FileCategory category() const { return classifyFile(path); }

    friend bool operator==(const DiskNode&, const DiskNode&) = default;
};

// Saturating::add under the name the model's callers use.
inline std::int64_t saturatingAdd(std::int64_t a, std::int64_t b) {
    return Saturating::add(a, b);
}

} // namespace ambertrove
