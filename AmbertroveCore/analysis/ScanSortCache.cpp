#include "analysis/ScanSortCache.hpp"

#include "analysis/PathOrder.hpp"

namespace ambertrove {

std::shared_ptr<const std::vector<std::uint32_t>> ScanSortCache::pathRanks(const ScanResult& scan,
                                                                           CancellationPoints& points) {
    const ScanResultPtr owner = m_scan.lock();
    if (owner.get() != &scan)
        return nullptr;
    // One sort makes the ranks; another that needs them meanwhile waits for them rather than making
    // them twice.
    const std::lock_guard lock(m_mutex);
    if (m_ranks)
        return m_ranks;
    const NodeTable& nodes = scan.nodes;
    std::vector<NodeIndex> all;
    all.reserve(nodes.size());
    nodes.forEachNode([&](NodeIndex i) { all.push_back(i); });
    PathOrder order(nodes);
    order.rank(all, points);
    m_ranks = std::make_shared<const std::vector<std::uint32_t>>(order.takeRanks());
    return m_ranks;
}

} // namespace ambertrove
