#include "analysis/PathCache.hpp"

#include "analysis/CancellationPoints.hpp"

namespace ambertrove {

PathCache::PathCache(const NodeTable& nodes)
    : m_nodes(nodes)
    , m_start(nodes.recordCount(), kNotBuilt)
    , m_length(nodes.recordCount(), 0) {}

std::string_view PathCache::folderPath(NodeIndex i) {
    if (m_start[i] == kNotBuilt) {
        // Build the missing ancestors from the top down, each from its parent's kept path.
        m_pending.clear();
        for (NodeIndex x = i; x != kNoNode && m_start[x] == kNotBuilt; x = m_nodes[x].parent()) {
            m_pending.push_back(x);
            if (x == 0 || (m_nodes[x].flags() & NodeTable::kDetached))
                break;
        }
        for (auto it = m_pending.rbegin(); it != m_pending.rend(); ++it) {
            const NodeIndex x = *it;
            const std::size_t start = m_text.size();
            const NodeIndex parent = m_nodes[x].parent();
            if (x == 0 || parent == kNoNode || (m_nodes[x].flags() & NodeTable::kDetached)) {
                m_nodes.appendPath(x, m_text);
            } else {
                if (parent != 0)
                    m_text.append(m_text, m_start[parent], m_length[parent]);
                m_text.push_back('/');
                m_text.append(m_nodes.name(x));
            }
            if (m_text.size() > UINT32_MAX - 1) {
                // Too much text to index: keep nothing further; paths are then built whole.
                m_text.resize(start);
                return {};
            }
            m_start[x] = static_cast<std::uint32_t>(start);
            m_length[x] = static_cast<std::uint32_t>(m_text.size() - start);
        }
    }
    return std::string_view(m_text).substr(m_start[i], m_length[i]);
}

std::string PathCache::path(NodeIndex i) {
    const NodeTable::NodeRef r = m_nodes[i];
    // A node whose stored path differs from its key (an odd saved scan) keeps its stored path.
    if (r.flags() & NodeTable::kHasExtras)
        return m_nodes.nodePath(i);
    if (i == 0 || r.parent() == kNoNode || (r.flags() & NodeTable::kDetached))
        return m_nodes.path(i);
    const NodeIndex parent = r.parent();
    if (m_start[parent] == kNotBuilt && folderPath(parent).empty())
        return m_nodes.path(i);
    const std::string_view folder =
        parent == 0 ? std::string_view() : std::string_view(m_text).substr(m_start[parent], m_length[parent]);
    const std::string_view name = m_nodes.name(i);
    std::string out;
    out.reserve(folder.size() + 1 + name.size());
    out.append(folder);
    out.push_back('/');
    out.append(name);
    return out;
}

std::vector<std::string> PathCache::paths(std::span<const NodeIndex> records, CancellationPoints& points) {
    std::vector<std::string> out;
    out.reserve(records.size());
    // Records in sorted order lie all over the table: fetch a few ahead so that the reads overlap.
    constexpr std::size_t kAhead = 16;
    for (std::size_t k = 0; k < records.size(); ++k) {
        if (k + kAhead < records.size())
            m_nodes.prefetch(records[k + kAhead]);
        points.visit();
        out.push_back(path(records[k]));
    }
    return out;
}

} // namespace ambertrove
