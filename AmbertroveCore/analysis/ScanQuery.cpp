#include "analysis/ScanQuery.hpp"

#include "analysis/CancellationPoints.hpp"
#include "analysis/NameMatcher.hpp"
#include "analysis/PathCache.hpp"
#include "analysis/PathOrder.hpp"
#include "base/PathText.hpp"

#include <algorithm>
#include <limits>
#include <utility>

namespace ambertrove {

namespace {

constexpr double kSecondsPerDay = 86400;

// Above this many rows a page is not kept in a heap: the matches are collected and sorted instead,
// which is cheaper when most of them are kept anyway.
constexpr std::int64_t kLargestHeap = 65536;

} // namespace

ScanQueryFilter::ScanQueryFilter(ScanQuery query, Date now)
    : m_query(std::move(query))
    , m_now(now)
    , m_text(m_query.text) {}

bool ScanQueryFilter::matches(std::string_view name, bool isDirectory, std::int64_t bytes,
                              Date modified) const {
    if (!m_query.showHidden && name.starts_with('.'))
        return false;
    if (!m_text.empty() && !m_text.matches(name))
        return false;
    if (bytes < m_query.minimumBytes)
        return false;
    if (m_query.category && (isDirectory || classifyFile(name) != *m_query.category))
        return false;
    if (m_query.modifiedBeforeDays != 0)
        return double(m_query.modifiedBeforeDays) * kSecondsPerDay <= m_now.secondsSince(modified);
    return true;
}

bool ScanQueryFilter::matches(const NodeTable& nodes, NodeIndex i) const {
    const NodeTable::NodeRef r = nodes[i];
    return matches(nodes.name(i), r.isDirectory(), r.bytes(m_query.logical), r.modifiedDate());
}

bool ScanQuery::matches(const DiskNode& node, Date now) const {
    return ScanQueryFilter(*this, now)
        .matches(PathText::name(node.path), node.isDirectory, node.bytes(logical), node.modified);
}

void ScanQuery::forEach(const ScanResult& scan, std::string_view focus, bool recursive, Date now,
                        const std::function<void(NodeIndex)>& visit,
                        const TaskCancellation& cancellation) const {
    CancellationPoints points(cancellation);
    points.check();
    const NodeTable& nodes = scan.nodes;
    const NodeIndex focusIndex = nodes.find(focus);
    if (focusIndex == kNoNode) {
        points.check();
        return;
    }
    const ScanQueryFilter filter(*this, now);
    std::vector<NodeIndex> stack(nodes.children(focusIndex).begin(), nodes.children(focusIndex).end());
    std::vector<bool> visited(nodes.recordCount(), false);
    while (!stack.empty()) {
        const NodeIndex i = stack.back();
        stack.pop_back();
        points.visit();
        if (visited[i])
            continue;
        visited[i] = true;
        if (i == focusIndex || !nodes.isNode(i))
            continue;
        if (filter.matches(nodes, i))
            visit(i);
        if (recursive) {
            const auto children = nodes.children(i);
            stack.insert(stack.end(), children.begin(), children.end());
        }
    }
    points.check();
}

std::vector<NodeIndex> ScanQuery::indices(const ScanResult& scan, std::string_view focus, bool recursive,
                                          Date now, const TaskCancellation& cancellation) const {
    std::vector<NodeIndex> out;
    forEach(
        scan, focus, recursive, now, [&](NodeIndex i) { out.push_back(i); }, cancellation);
    return out;
}

std::vector<DiskNode> ScanQuery::items(const ScanResult& scan, std::string_view focus, bool recursive,
                                       Date now, const TaskCancellation& cancellation) const {
    std::vector<DiskNode> out;
    forEach(
        scan, focus, recursive, now, [&](NodeIndex i) { out.push_back(scan.nodes.makeNode(i)); },
        cancellation);
    return out;
}

std::vector<std::string> ScanQuery::paths(const ScanResult& scan, std::string_view focus, bool recursive,
                                          const TaskCancellation& cancellation) const {
    std::vector<std::string> out;
    PathCache cache(scan.nodes);
    forEach(
        scan, focus, recursive, Date::now(), [&](NodeIndex i) { out.push_back(cache.path(i)); },
        cancellation);
    return out;
}

ScanQuery::RankedIndices ScanQuery::rankedIndices(const ScanResult& scan, std::string_view focus,
                                                  RankingScope scope, std::int64_t limit,
                                                  const TaskCancellation& cancellation) const {
    CancellationPoints points(cancellation);
    points.check();
    const NodeTable& nodes = scan.nodes;
    const std::int64_t effectiveLimit = std::max<std::int64_t>(limit, 0);
    const ScanQueryFilter filter(*this, Date::now());
    PathOrder pathOrder(nodes);
    const auto better = [&](NodeIndex a, NodeIndex b) {
        const std::int64_t sa = nodes[a].bytes(logical), sb = nodes[b].bytes(logical);
        if (sa != sb)
            return sa > sb;
        return pathOrder.less(a, b);
    };

    // A heap with the worst kept row on top, so that a better candidate replaces it; or, for limits
    // too large for a heap to pay, every match.
    const bool useHeap = effectiveLimit <= kLargestHeap;
    RankedIndices page;
    std::vector<NodeIndex>& rows = page.rows;
    const auto offer = [&](NodeIndex i) {
        if (!filter.matches(nodes, i))
            return;
        const bool isDirectory = nodes[i].isDirectory();
        if ((scope == RankingScope::folders && !isDirectory) || (scope == RankingScope::files && isDirectory))
            return;
        ++page.count;
        if (effectiveLimit == 0)
            return;
        if (!useHeap || static_cast<std::int64_t>(rows.size()) < effectiveLimit) {
            rows.push_back(i);
            if (useHeap)
                std::push_heap(rows.begin(), rows.end(), better);
        } else if (better(i, rows.front())) {
            std::pop_heap(rows.begin(), rows.end(), better);
            rows.back() = i;
            std::push_heap(rows.begin(), rows.end(), better);
        }
    };

    if (scope == RankingScope::current) {
        const NodeIndex focusIndex = nodes.find(focus);
        if (focusIndex != kNoNode) {
            // A child listed twice (possible in a stored scan) is offered once, and a folder listing
            // itself is not its own child.
            std::vector<bool> offered(nodes.recordCount(), false);
            offered[focusIndex] = true;
            for (NodeIndex c : nodes.children(focusIndex)) {
                points.visit();
                if (nodes.isNode(c) && !offered[c]) {
                    offered[c] = true;
                    offer(c);
                }
            }
        }
    } else {
        const NodeIndex root = scan.rootIndex();
        nodes.forEachNode([&](NodeIndex i) {
            if (i == root)
                return;
            points.visit();
            offer(i);
        });
    }

    points.check();
    if (!useHeap && rows.size() > 1)
        pathOrder.rank(rows, points);
    const auto counted = [&](NodeIndex a, NodeIndex b) {
        points.compare();
        return better(a, b);
    };
    if (!useHeap && static_cast<std::int64_t>(rows.size()) > effectiveLimit) {
        const auto keep = static_cast<std::ptrdiff_t>(effectiveLimit);
        std::partial_sort(rows.begin(), rows.begin() + keep, rows.end(), counted);
        rows.resize(static_cast<std::size_t>(keep));
    } else {
        std::sort(rows.begin(), rows.end(), counted);
    }
    points.check();
    return page;
}

RankedPage ScanQuery::rankedPage(const ScanResult& scan, std::string_view focus, RankingScope scope,
                                 std::int64_t limit, const TaskCancellation& cancellation) const {
    const RankedIndices found = rankedIndices(scan, focus, scope, limit, cancellation);
    RankedPage page;
    page.count = found.count;
    page.rows.reserve(found.rows.size());
    for (NodeIndex i : found.rows)
        page.rows.push_back(scan.nodes.makeNode(i));
    return page;
}

std::vector<DiskNode> ScanQuery::ranked(const ScanResult& scan, std::string_view focus, RankingScope scope,
                                        const TaskCancellation& cancellation) const {
    return rankedPage(scan, focus, scope, std::numeric_limits<std::int64_t>::max(), cancellation).rows;
}

} // namespace ambertrove

std::size_t std::hash<ambertrove::ScanQuery>::operator()(const ambertrove::ScanQuery& q) const noexcept {
    std::size_t h = std::hash<std::string>{}(q.text);
    const auto mix = [&h](std::size_t v) {
        h ^= v + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
    };
    mix(q.showHidden);
    mix(std::hash<std::int64_t>{}(q.minimumBytes));
    mix(q.category ? static_cast<std::size_t>(*q.category) + 1 : 0);
    mix(std::hash<std::int64_t>{}(q.modifiedBeforeDays));
    mix(q.logical);
    return h;
}
