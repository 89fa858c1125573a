#include "charts/GraphMarks.hpp"

#include "theme/Paper.hpp"

#include <algorithm>
#include <charconv>
#include <utility>

namespace ambertrove::chart_detail {

namespace {

// The content rectangle: the bounds less 5 on the sides and 8 at the top and bottom.
QRectF contentOf(const QRectF& bounds) {
    return bounds.adjusted(5, 8, -5, -8);
}

} // namespace

std::size_t positionOf(const std::string& id) {
    std::size_t position = 0;
    std::from_chars(id.data(), id.data() + id.size(), position);
    return position;
}

MarkBuilder::MarkBuilder(const GraphLayoutInput& input, const QRectF& bounds,
                         const TaskCancellation& cancellation)
    : m_input(input)
    , m_nodes(input.scan->nodes)
    , m_content(contentOf(bounds))
    , m_cancellation(cancellation)
    , m_filter(input.query(), input.now)
    , m_rootPath(m_nodes.nodePath(input.root)) {
    // One sorted list of the root's children gives both the scene's items and the charted top level.
    for (NodeIndex child : input.scan->childIndices(input.root, input.logical)) {
        if (!m_filter.matches(m_nodes, child))
            continue;
        m_items.push_back(child);
        if (size(child) > 0)
            m_topLevel.push_back(child);
    }
    m_memo.emplace(input.root, m_topLevel);
}

bool MarkBuilder::passes(NodeIndex child) const {
    return size(child) > 0 && m_filter.matches(m_nodes, child);
}

const std::vector<NodeIndex>& MarkBuilder::childNodes(NodeIndex node) {
    static const std::vector<NodeIndex> kNone;
    if (cancelled() || !m_nodes[node].isDirectory())
        return kNone;
    if (const auto found = m_memo.find(node); found != m_memo.end())
        return found->second;
    std::vector<NodeIndex> kids =
        m_input.scan->childIndices(node, m_input.logical, [this](NodeIndex child) { return passes(child); });
    // Values of an unordered_map stay where they are, so the reference outlives later insertions.
    return m_memo.emplace(node, std::move(kids)).first->second;
}

QColor MarkBuilder::baseColor(NodeIndex node) const {
    return Paper::color(m_nodes.nodePath(node), m_nodes[node].modifiedDate(), m_input.colorMode, m_rootPath,
                        m_input.now)
        .resolved(m_input.dark);
}

QColor MarkBuilder::baseColor(NodeIndex node, double opacity) const {
    QColor c = baseColor(node);
    c.setAlphaF(float(std::clamp(opacity, 0.0, 1.0)));
    return c;
}

QColor MarkBuilder::paletteColor(std::size_t index) const {
    if (index < m_input.palette.size())
        return m_input.palette[index];
    // A short palette: the theme's own entry stands in.
    const auto& colors = Paper::colors();
    return colors[std::min(index, colors.size() - 1)].resolved(m_input.dark);
}

void MarkBuilder::append(NodeIndex node, QPainterPath path, const QRectF& label, const QColor& color,
                         std::optional<QColor> textColor, double rotation) {
    path.setFillRule(Qt::WindingFill);
    m_marks.push_back(GraphMark{node, std::move(path), label, color, std::move(textColor), rotation});
}

std::vector<GraphMark> MarkBuilder::makeMarks() {
    switch (m_input.storageView) {
    case StorageView::treemap:
        treemap();
        break;
    case StorageView::flame:
        if (!m_topLevel.empty())
            flame();
        break;
    case StorageView::sunburst:
        if (!m_topLevel.empty())
            sunburst();
        break;
    case StorageView::bubbles:
        if (!m_topLevel.empty())
            bubbles();
        break;
    case StorageView::mindMap:
        if (!m_topLevel.empty())
            mindMap();
        break;
    case StorageView::folders:
    case StorageView::topSizes:
    case StorageView::ageMap:
    case StorageView::table:
        break;
    }
    return std::move(m_marks);
}

} // namespace ambertrove::chart_detail
