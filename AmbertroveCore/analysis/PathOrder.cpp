#include "analysis/PathOrder.hpp"

#include "analysis/TaskCancellation.hpp"

#include <algorithm>
#include <cstring>

namespace ambertrove {

int PathOrder::compareSlots(NodeIndex a, bool aGoesOn, NodeIndex b, bool bGoesOn) const {
    // Compares name(a) followed by "/" (when aGoesOn) with the same for b; the end of a path sorts
    // before every byte.
    const std::string_view na = m_nodes.name(a), nb = m_nodes.name(b);
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
    for (NodeIndex x = a; x != 0 && x != kNoNode; x = m_nodes[x].parent)
        m_chainA.push_back(x);
    for (NodeIndex x = b; x != 0 && x != kNoNode; x = m_nodes[x].parent)
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
    return compareSlots(m_chainA[i - 1], i > 1, m_chainB[j - 1], j > 1);
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

void PathOrder::rank(std::span<const NodeIndex> rows, TaskCancellation& cancellation) {
    const std::size_t count = m_nodes.recordCount();
    m_ranks.assign(count, kUnranked);
    // The rows with every ancestor, as (parent, child) pairs grouped by parent.
    std::vector<bool> marked(count, false), hasChildren(count, false);
    std::vector<std::uint64_t> pairs;
    pairs.reserve(rows.size() + rows.size() / 4);
    marked[0] = true;
    for (NodeIndex r : rows) {
        cancellation.visit();
        if (isDetached(r))
            continue;
        for (NodeIndex x = r; x != kNoNode && !marked[x]; x = m_nodes[x].parent) {
            marked[x] = true;
            if (m_nodes[x].parent != kNoNode)
                hasChildren[m_nodes[x].parent] = true;
            pairs.push_back(std::uint64_t(m_nodes[x].parent) << 32 | x);
        }
    }
    std::sort(pairs.begin(), pairs.end());
    const auto childrenOf = [&](NodeIndex parent) {
        const auto first = std::lower_bound(pairs.begin(), pairs.end(), std::uint64_t(parent) << 32);
        auto last = first;
        while (last != pairs.end() && (*last >> 32) == parent)
            ++last;
        return std::pair(first - pairs.begin(), last - pairs.begin());
    };

    // Depth first over the marked tree. Under one parent every child has two slots, its own path
    // (the name alone) and the paths below it (the name and "/"); sorting the slots interleaves
    // the subtrees exactly as the full paths sort.
    struct Slot {
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
        const auto [first, last] = childrenOf(parent);
        const std::size_t start = slots.size();
        for (auto k = first; k < last; ++k) {
            const auto child = static_cast<NodeIndex>(pairs[k] & 0xFFFFFFFFu);
            slots.push_back({child, false});
            if (hasChildren[child])
                slots.push_back({child, true});
        }
        std::sort(slots.begin() + static_cast<std::ptrdiff_t>(start), slots.end(),
                  [&](const Slot& x, const Slot& y) {
                      cancellation.compare();
                      return compareSlots(x.node, x.goesOn, y.node, y.goesOn) < 0;
                  });
        frames.push_back({start, start, slots.size()});
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
