#include "analysis/PathOrder.hpp"

#include "analysis/CancellationPoints.hpp"

#include <algorithm>
#include <cstring>

namespace ambertrove {

int PathOrder::compareNames(std::string_view na, bool aGoesOn, std::string_view nb, bool bGoesOn) {
    // Compares a name followed by "/" (when its path goes on) with another; the end of a path sorts
    // before every byte.
    const std::size_t common = std::min(na.size(), nb.size());
    if (common > 0)
        if (const int c = std::memcmp(na.data(), nb.data(), common); c != 0)
            return c;
    const int nextA = na.size() > common ? static_cast<unsigned char>(na[common]) : (aGoesOn ? '/' : -1);
    const int nextB = nb.size() > common ? static_cast<unsigned char>(nb[common]) : (bGoesOn ? '/' : -1);
    return nextA - nextB;
}

int PathOrder::compareByTree(NodeIndex a, NodeIndex b) {
    m_chainA.clear();
    m_chainB.clear();
    for (NodeIndex x = a; x != 0 && x != kNoNode; x = m_nodes[x].parent())
        m_chainA.push_back(x);
    for (NodeIndex x = b; x != 0 && x != kNoNode; x = m_nodes[x].parent())
        m_chainB.push_back(x);
    // Both chains end below the root "/"; walk down from there while they agree.
    std::size_t i = m_chainA.size(), j = m_chainB.size();
    while (i > 0 && j > 0 && m_chainA[i - 1] == m_chainB[j - 1]) {
        --i;
        --j;
    }
    if (i == 0 && j == 0)
        return 0;
    if (i == 0) // a is an ancestor of b: its path is a prefix
        return -1;
    if (j == 0)
        return 1;
    return compareNames(m_nodes.name(m_chainA[i - 1]), i > 1, m_nodes.name(m_chainB[j - 1]), j > 1);
}

int PathOrder::compare(NodeIndex a, NodeIndex b) {
    if (a == b)
        return 0;
    if (!m_ranks.empty() && m_ranks[a] != kUnranked && m_ranks[b] != kUnranked)
        return m_ranks[a] < m_ranks[b] ? -1 : 1;
    if (isDetached(a) || isDetached(b)) {
        const std::string pa = m_nodes.path(a), pb = m_nodes.path(b);
        return pa.compare(pb);
    }
    return compareByTree(a, b);
}

void PathOrder::rank(std::span<const NodeIndex> rows, CancellationPoints& points) {
    const std::size_t count = m_nodes.recordCount();
    m_ranks.assign(count, kUnranked);
    // The rows with every ancestor. Only indices are kept: on scans of millions of entries the memory
    // these tables take is most of the cost.
    constexpr std::uint32_t kMarked = kUnranked - 1;
    std::vector<NodeIndex> marked;
    marked.reserve(rows.size() + rows.size() / 4);
    m_ranks[0] = kMarked;
    for (NodeIndex r : rows) {
        points.visit();
        if (isDetached(r))
            continue;
        for (NodeIndex x = r; m_ranks[x] == kUnranked; x = m_nodes[x].parent()) {
            m_ranks[x] = kMarked;
            marked.push_back(x);
        }
    }
    // Grouped by parent (a counting sort): the children of p are children[start[p]] to children[start[p +
    // 1]]. The counts are made in `start` and turned into ends while the children are placed.
    std::vector<std::uint32_t> start(count + 1, 0);
    for (NodeIndex x : marked)
        ++start[m_nodes[x].parent() + 1];
    for (std::size_t p = 0; p < count; ++p)
        start[p + 1] += start[p];
    std::vector<NodeIndex> children(marked.size());
    for (NodeIndex x : marked) {
        const NodeIndex parent = m_nodes[x].parent();
        children[start[parent]++] = x;
    }
    std::vector<NodeIndex>().swap(marked);
    // Each start now holds the next parent's start: shifted back, start[p] to start[p + 1] again.
    for (std::size_t p = count; p > 0; --p)
        start[p] = start[p - 1];
    start[0] = 0;
    const auto hasChildren = [&](NodeIndex i) {
        return start[i + 1] > start[i];
    };

    // Depth first over the marked tree. Under one parent every child has two slots, its own path
    // (the name alone) and the paths below it (the name and "/"); sorting the slots interleaves
    // the subtrees exactly as the full paths sort.
    struct Slot {
        std::string_view name;
        NodeIndex node;
        bool goesOn;
    };
    struct Frame {
        std::size_t start, next, end;
    };
    std::vector<Slot> slots;
    std::vector<Frame> frames;
    std::uint32_t nextRank = 0;
    const auto open = [&](NodeIndex parent) {
        const std::size_t first = slots.size();
        for (std::uint32_t k = start[parent]; k < start[parent + 1]; ++k) {
            const NodeIndex child = children[k];
            const std::string_view name = m_nodes.name(child);
            slots.push_back({name, child, false});
            if (hasChildren(child))
                slots.push_back({name, child, true});
        }
        std::sort(slots.begin() + static_cast<std::ptrdiff_t>(first), slots.end(),
                  [&](const Slot& x, const Slot& y) {
                      points.compare();
                      return compareNames(x.name, x.goesOn, y.name, y.goesOn) < 0;
                  });
        frames.push_back({first, first, slots.size()});
    };
    m_ranks[0] = nextRank++;
    open(0);
    while (!frames.empty()) {
        Frame& top = frames.back();
        if (top.next == top.end) {
            slots.resize(top.start);
            frames.pop_back();
            continue;
        }
        const Slot slot = slots[top.next++];
        if (slot.goesOn)
            open(slot.node);
        else
            m_ranks[slot.node] = nextRank++;
    }
}

} // namespace ambertrove
