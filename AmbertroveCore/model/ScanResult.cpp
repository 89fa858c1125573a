#include "model/ScanResult.hpp"

#include "scan/ScanPaths.hpp"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>

namespace ambertrove {

bool ScanResult::contains(std::string_view path, std::string_view root) {
    if (path == root)
        return true;
    if (root == "/")
        return path.starts_with('/');
    return path.size() > root.size() && path.starts_with(root) && path[root.size()] == '/';
}

namespace {

// The first eight bytes of a name as a number that orders as the bytes do (names hold no NUL, so a shorter
// name's padding sorts before any byte).
std::uint64_t namePrefix(std::string_view name) {
    std::uint64_t prefix = 0;
    for (std::size_t k = 0; k < 8; ++k)
        prefix = (prefix << 8) | (k < name.size() ? static_cast<unsigned char>(name[k]) : 0u);
    return prefix;
}

} // namespace

std::vector<NodeIndex> ScanResult::childIndices(NodeIndex parent, bool logical) const {
    return childIndices(parent, logical, {});
}

std::vector<NodeIndex> ScanResult::childIndices(NodeIndex parent, bool logical,
                                                const std::function<bool(NodeIndex)>& keep) const {
    return childIndices(parent, logical, keep, std::numeric_limits<std::size_t>::max());
}

std::vector<NodeIndex> ScanResult::childIndices(NodeIndex parent, bool logical,
                                                const std::function<bool(NodeIndex)>& keep,
                                                std::size_t head) const {
    std::vector<NodeIndex> out;
    if (parent == kNoNode)
        return out;
    // Children that sit below their parent in the table and keep the path the table gives them have one
    // path prefix, so their paths compare as their names do: no path needs to be built.
    bool byName = true;
    for (NodeIndex c : nodes.children(parent)) {
        if (!nodes.isNode(c) || (keep && !keep(c)))
            continue;
        out.push_back(c);
        const NodeTable::NodeRef r = nodes[c];
        byName = byName && r.parent() == parent && !(r.flags() & NodeTable::kDetached) && nodes.nodePathIsKey(c);
    }
    if (byName) {
        // Sibling names differ, so the order is total and a plain sort gives the one answer. The keys are
        // copied out of the records, and most ties of size are settled by the names' first bytes.
        struct Key {
            std::int64_t bytes;
            std::uint64_t prefix;
            std::string_view name;
            NodeIndex node;
        };
        std::vector<Key> keys;
        keys.reserve(out.size());
        for (NodeIndex c : out) {
            const std::string_view name = nodes.name(c);
            keys.push_back({nodes[c].bytes(logical), namePrefix(name), name, c});
        }
        const auto before = [](const Key& a, const Key& b) {
            if (a.bytes != b.bytes)
                return a.bytes > b.bytes;
            if (a.prefix != b.prefix)
                return a.prefix < b.prefix;
            return a.name < b.name;
        };
        if (head < keys.size())
            std::partial_sort(keys.begin(), keys.begin() + std::ptrdiff_t(head), keys.end(), before);
        else
            std::sort(keys.begin(), keys.end(), before);
        for (std::size_t k = 0; k < keys.size(); ++k)
            out[k] = keys[k].node;
        return out;
    }
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
