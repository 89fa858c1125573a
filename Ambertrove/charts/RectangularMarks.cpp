// The treemap (nested tiles with a header band per opened folder) and the flame chart (one row per level,
// each child under its parent's span).
#include "charts/GraphMarks.hpp"

#include "analysis/StorageLayouts.hpp"
#include "platform/Saturating.hpp"

#include <algorithm>
#include <string>

namespace ambertrove::chart_detail {

namespace {

QPainterPath roundedRect(const QRectF& r, double radius) {
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    return path;
}

} // namespace

void MarkBuilder::treemap() {
    treemapVisit(m_topLevel, m_content, 1);
}

void MarkBuilder::treemapVisit(const std::vector<NodeIndex>& nodes, const QRectF& rect, int level) {
    if (level > m_input.depth || rect.width() <= 5 || rect.height() <= 5 || cancelled() ||
        m_marks.size() >= kRectangularMarkBudget)
        return;
    std::vector<WeightedItem> items;
    items.reserve(nodes.size());
    for (std::size_t k = 0; k < nodes.size(); ++k)
        items.emplace_back(std::to_string(k), double(size(nodes[k])));
    const auto tiles = StorageLayouts::treemap(items, Rect(rect.x(), rect.y(), rect.width(), rect.height()));
    for (const WeightedRect& tile : tiles) {
        // A sliver is not drawn, nor anything inside it.
        if (tile.rect.width() <= 3 || tile.rect.height() <= 3)
            continue;
        if (cancelled() || m_marks.size() >= kRectangularMarkBudget)
            break;
        const NodeIndex node = nodes[positionOf(tile.id)];
        const QRectF r = QRectF(tile.rect.minX(), tile.rect.minY(), tile.rect.width(), tile.rect.height())
                             .adjusted(0.8, 0.8, -0.8, -0.8);
        // Only a tile with room for a header below the deepest level asks for its children.
        static const std::vector<NodeIndex> kNone;
        const bool room = level < m_input.depth && r.width() > 28 && r.height() > 28;
        const std::vector<NodeIndex>& kids = room ? childNodes(node) : kNone;
        const bool header = room && !kids.empty();
        const QRectF label = header ? QRectF(r.x(), r.y() + 1, r.width(), 18) : r;
        append(node, roundedRect(r, 2), label, baseColor(node));
        if (header)
            treemapVisit(kids, QRectF(r.x() + 1, r.y() + 17, r.width() - 2, r.height() - 18), level + 1);
    }
}

void MarkBuilder::flame() {
    const QRectF& c = m_content;
    const double rowHeight = std::min(c.height() / double(std::max(m_input.depth + 1, 1)), 76.0);
    // Bars keep at least 1 of height, as they keep at least 1 of width: a low chart would otherwise get
    // bars of negative height.
    const QRectF rootBar(c.x(), c.y(), c.width(), std::max(rowHeight - 5, 1.0));
    append(m_input.root, roundedRect(rootBar, 6), rootBar, paletteColor(7));
    flameVisit(m_topLevel, c.x(), c.width(), c.y() + rowHeight, 1);
}

void MarkBuilder::flameVisit(const std::vector<NodeIndex>& nodes, double x, double width, double y,
                             int level) {
    if (level > m_input.depth || cancelled() || m_marks.size() >= kRectangularMarkBudget || nodes.empty())
        return;
    const double rowHeight = std::min(m_content.height() / double(std::max(m_input.depth + 1, 1)), 76.0);
    std::int64_t sum = 0;
    for (NodeIndex node : nodes)
        sum = Saturating::add(sum, size(node));
    const double total = double(std::max<std::int64_t>(sum, 1));
    const double opacity = 1 - 0.12 * double(level - 1);
    double x0 = x;
    for (NodeIndex node : nodes) {
        const double w = width * double(size(node)) / total;
        if (w > 3) {
            const QRectF bar(x0 + 1, y, std::max(w - 2, 1.0), std::max(rowHeight - 5, 1.0));
            append(node, roundedRect(bar, 5), bar, baseColor(node, opacity));
            if (m_nodes[node].isDirectory() && level < m_input.depth)
                flameVisit(childNodes(node), x0, w, y + rowHeight, level + 1);
        }
        x0 += w;
    }
}

} // namespace ambertrove::chart_detail
