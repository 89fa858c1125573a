#pragma once

#include "base/Date.hpp"
#include "base/Uuid.hpp"
#include "model/DiskNode.hpp"
#include "model/NodeTable.hpp"
#include "model/ScanIssue.hpp"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ambertrove {

// One finished scan. Once built it is shared read-only (ScanResultPtr) and never copied per query.
struct ScanResult {
    Uuid id = Uuid::random();
    std::string rootPath;
    Date scannedAt;
    double duration = 0;
    NodeTable nodes; // keyed by absolute path
    std::vector<ScanIssue> issues;
    std::int64_t skippedCount = 0;

    // The node under rootPath, when the table has one.
    [[nodiscard]] std::optional<DiskNode> root() const { return nodes.node(rootPath); }
    [[nodiscard]] NodeIndex rootIndex() const { return nodes.find(rootPath); }
    // The child nodes of the node at `path`, largest first by the chosen size, ties by path.
    [[nodiscard]] std::vector<DiskNode> children(std::string_view path, bool logical) const;
    // The same order over indices; placeholders (child paths without a node) are skipped.
    [[nodiscard]] std::vector<NodeIndex> childIndices(NodeIndex parent, bool logical) const;
    // The same order over the children that `keep` accepts (tested before sorting).
    [[nodiscard]] std::vector<NodeIndex> childIndices(NodeIndex parent, bool logical,
                                                      const std::function<bool(NodeIndex)>& keep) const;
    // The same children with only the first `head` of them in that order, the others after them in no
    // given order: what a list shows first of a very wide folder, found in a fraction of a full sort.
    [[nodiscard]] std::vector<NodeIndex> childIndices(NodeIndex parent, bool logical,
                                                      const std::function<bool(NodeIndex)>& keep,
                                                      std::size_t head) const;
    // Every node strictly below `path`, in table order.
    [[nodiscard]] std::vector<DiskNode> descendants(std::string_view path) const;
    // The first node that one of the path's equivalent forms names and that is a folder (not a link).
    [[nodiscard]] std::optional<DiskNode> directory(std::string_view path) const;
    [[nodiscard]] NodeIndex directoryIndex(std::string_view path) const;

    // Whether `path` is `root` itself or lies below it.
    static bool contains(std::string_view path, std::string_view root);

    friend bool operator==(const ScanResult& a, const ScanResult& b);
};

using ScanResultPtr = std::shared_ptr<const ScanResult>;

} // namespace ambertrove
