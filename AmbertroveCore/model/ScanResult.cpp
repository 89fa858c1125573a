#include "model/ScanResult.hpp"

#include "scan/ScanPaths.hpp"

#include <algorithm>

namespace ambertrove {

bool ScanResult::contains(std::string_view path, std::string_view root) {
    if (path == root)
        return true;
    if (root == "/")
        return path.starts_with('/');
    return path.size() > root.size() && path.starts_with(root) && path[root.size()] == '/';
}

std::vector<NodeIndex> ScanResult::childIndices(NodeIndex parent, bool logical) const {
    std::vector<NodeIndex> out;
    if (parent == kNoNode)
        return out;
    for (NodeIndex c : nodes.children(parent))
        if (nodes.isNode(c))
            out.push_back(c);
    std::vector<std::string> paths; // sort keys, built once
    paths.reserve(out.size());
    std::vector<std::size_t> order(out.size());
    for (std::size_t k = 0; k < out.size(); ++k) {
        paths.push_back(nodes.nodePath(out[k]));
        order[k] = k;
    }
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const std::int64_t sa = nodes[out[a]].bytes(logical), sb = nodes[out[b]].bytes(logical);
        if (sa != sb)
            return sa > sb;
        return paths[a] < paths[b];
    });
    std::vector<NodeIndex> sorted;
    sorted.reserve(out.size());
    for (std::size_t k : order)
        sorted.push_back(out[k]);
    return sorted;
}

std::vector<DiskNode> ScanResult::children(std::string_view path, bool logical) const {
    std::vector<DiskNode> out;
    for (NodeIndex c : childIndices(nodes.find(path), logical))
        out.push_back(nodes.makeNode(c));
    return out;
}

std::vector<DiskNode> ScanResult::descendants(std::string_view path) const {
    std::vector<DiskNode> out;
    nodes.forEachNode([&](NodeIndex i) {
        const std::string p = nodes.nodePath(i);
        if (p != path && contains(p, path))
            out.push_back(nodes.makeNode(i));
    });
    return out;
}

NodeIndex ScanResult::directoryIndex(std::string_view path) const {
    if (nodes.empty())
        return kNoNode;
    for (const std::string& form : ScanPaths::candidates(path)) {
        const NodeIndex i = nodes.find(form);
        if (i != kNoNode && nodes[i].isDirectory() && !nodes[i].isSymbolicLink())
            return i;
    }
    return kNoNode;
}

std::optional<DiskNode> ScanResult::directory(std::string_view path) const {
    const NodeIndex i = directoryIndex(path);
    if (i == kNoNode)
        return std::nullopt;
    return nodes.makeNode(i);
}

bool operator==(const ScanResult& a, const ScanResult& b) {
    return a.id == b.id && a.rootPath == b.rootPath && a.scannedAt == b.scannedAt &&
           a.duration == b.duration && a.issues == b.issues && a.skippedCount == b.skippedCount &&
           a.nodes.sameNodes(b.nodes);
}

} // namespace ambertrove
