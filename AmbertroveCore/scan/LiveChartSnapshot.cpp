#include "scan/LiveChartSnapshot.hpp"

#include <algorithm>
#include <deque>
#include <utility>
#include <vector>

namespace ambertrove::LiveChartSnapshot {

namespace {

// Copies one node of `source` into `cut` without its children list.
NodeIndex copyNode(const NodeTable& source, NodeIndex i, NodeTable& cut) {
    const NodeIndex j = cut.ensurePath(source.path(i));
    if (source[i].flags() & NodeTable::kHasExtras) {
        cut.setNode(j, source.makeNode(i, false));
    } else {
        cut.setNode(j, source.data(i), source.hasParent(i));
    }
    return j;
}

} // namespace

Cut make(const NodeTable& nodes, std::string_view root, long limit, long depth, long fanout) {
    Cut result;
    result.scan.rootPath = std::string(root);
    result.scan.scannedAt = Date::now();
    result.scan.duration = 0;
    const NodeIndex rootIndex = nodes.find(root);
    if (nodes.empty() || rootIndex == kNoNode || limit < 1) {
        result.scan.nodes.finish();
        return result;
    }

    // Sibling order: larger key first, then the smaller path. Siblings share their parent's path, so
    // comparing names is comparing paths; anything unusual compares whole paths.
    auto key = [&](NodeIndex i) {
        return std::max(nodes[i].logicalSize(), nodes[i].allocatedSize());
    };
    auto before = [&](NodeIndex a, NodeIndex b) {
        const std::int64_t ka = key(a), kb = key(b);
        if (ka != kb)
            return ka > kb;
        const auto& ra = nodes[a];
        const auto& rb = nodes[b];
        if (ra.parent() == rb.parent() && ra.parent() != kNoNode && !((ra.flags() | rb.flags()) & NodeTable::kDetached))
            return nodes.name(a) < nodes.name(b);
        return nodes.path(a) < nodes.path(b);
    };

    NodeTable& cut = result.scan.nodes;
    std::vector<std::pair<NodeIndex, NodeIndex>> lists; // (owner in cut, child in cut)
    copyNode(nodes, rootIndex, cut);

    struct Entry {
        NodeIndex source;
        NodeIndex inCut;
        long level;
    };
    std::deque<Entry> queue;
    queue.push_back({rootIndex, cut.find(root), 0});
    std::vector<NodeIndex> selection;
    while (!queue.empty()) {
        const Entry entry = queue.front();
        queue.pop_front();
        const long remaining = limit - static_cast<long>(cut.size());
        const std::size_t childPaths = nodes.childCount(entry.source);
        if (entry.level < depth && remaining > 0) {
            const long take = std::min(fanout, remaining);
            selection.clear();
            if (take > 0) {
                // A heap whose top is the selection's last node in sibling order.
                nodes.forEachChild(entry.source, [&](NodeIndex c) {
                    if (!nodes.isNode(c))
                        return;
                    if (static_cast<long>(selection.size()) < take) {
                        selection.push_back(c);
                        std::push_heap(selection.begin(), selection.end(), before);
                    } else if (before(c, selection.front())) {
                        std::pop_heap(selection.begin(), selection.end(), before);
                        selection.back() = c;
                        std::push_heap(selection.begin(), selection.end(), before);
                    }
                });
            }
            if (selection.size() < childPaths)
                result.limited = true;
            std::sort(selection.begin(), selection.end(), before);
            for (NodeIndex c : selection) {
                const NodeIndex j = copyNode(nodes, c, cut);
                lists.emplace_back(entry.inCut, j);
                if (nodes[c].isDirectory())
                    queue.push_back({c, j, entry.level + 1});
            }
        } else if (childPaths > 0) {
            result.limited = true;
        }
    }
    cut.finish(std::move(lists));
    return result;
}

} // namespace ambertrove::LiveChartSnapshot
