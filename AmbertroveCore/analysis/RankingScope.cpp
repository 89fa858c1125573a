#include "analysis/RankingScope.hpp"

#include "analysis/CancellationPoints.hpp"
#include "analysis/PathOrder.hpp"

#include <algorithm>

namespace ambertrove {

std::string_view rawValue(RankingScope scope) {
    switch (scope) {
    case RankingScope::current:
        return "In this folder";
    case RankingScope::files:
        return "Biggest files anywhere";
    case RankingScope::folders:
        return "Biggest folders anywhere";
    }
    return {};
}

std::optional<RankingScope> rankingScopeFromRawValue(std::string_view title) {
    for (RankingScope scope : kAllRankingScopes)
        if (rawValue(scope) == title)
            return scope;
    return std::nullopt;
}

std::vector<NodeIndex> itemIndices(RankingScope scope, const ScanResult& scan, std::string_view focus,
                                   bool logical, const TaskCancellation& cancellation) {
    CancellationPoints points(cancellation);
    points.check();
    const NodeTable& nodes = scan.nodes;
    std::vector<NodeIndex> rows;
    if (scope == RankingScope::current) {
        const NodeIndex focusIndex = nodes.find(focus);
        if (focusIndex != kNoNode)
            for (NodeIndex c : nodes.children(focusIndex)) {
                points.visit();
                if (nodes.isNode(c))
                    rows.push_back(c);
            }
    } else {
        const NodeIndex root = scan.rootIndex();
        const bool wantDirectories = scope == RankingScope::folders;
        nodes.forEachNode([&](NodeIndex i) {
            points.visit();
            if (i != root && nodes[i].isDirectory() == wantDirectories)
                rows.push_back(i);
        });
    }
    PathOrder pathOrder(nodes);
    if (rows.size() > 1)
        pathOrder.rank(rows, points);
    std::stable_sort(rows.begin(), rows.end(), [&](NodeIndex a, NodeIndex b) {
        points.compare();
        const std::int64_t sa = nodes[a].bytes(logical), sb = nodes[b].bytes(logical);
        if (sa != sb)
            return sa > sb;
        return pathOrder.less(a, b);
    });
    points.check();
    return rows;
}

std::vector<DiskNode> items(RankingScope scope, const ScanResult& scan, std::string_view focus, bool logical,
                            const TaskCancellation& cancellation) {
    std::vector<DiskNode> out;
    for (NodeIndex i : itemIndices(scope, scan, focus, logical, cancellation))
        out.push_back(scan.nodes.makeNode(i));
    return out;
}

} // namespace ambertrove
