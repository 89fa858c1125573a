#include "explore/NodeRowSection.hpp"

#include "controller/AppModel.hpp"
#include "explore/ExploreCanvas.hpp"
#include "widgets/Appearance.hpp"

#include <QPainter>

#include <algorithm>
#include <utility>

namespace ambertrove {

namespace {
constexpr int kDivider = 1;
} // namespace

NodeRowSection::NodeRowSection(ExploreCanvas& canvas)
    : m_canvas(canvas)
    , m_queued(canvas.model().queue())
    , m_rowHeight(NodeRow::height(false)) {
    QObject::connect(&canvas.model(), &AppModel::cleanupChanged, &canvas,
                     [this] { m_queued = QueuedPaths(m_canvas.model().queue()); });
}

NodeRow::Context NodeRowSection::context() const {
    return NodeRow::Context::read(m_canvas.model(), &m_queued);
}

void NodeRowSection::setRows(int count, NodeAt nodeAt, const NodeRow::Options& options) {
    m_count = std::max(0, count);
    m_ordered = m_count;
    m_nodeAt = std::move(nodeAt);
    m_options = options;
    m_rowHeight = NodeRow::height(options.showPath);
    m_pressedIndex = -1;
}

void NodeRowSection::setOrderedCount(int count) {
    m_ordered = std::clamp(count, 0, m_count);
}

void NodeRowSection::setGeometry(int left, int top, int width) {
    m_left = left;
    m_top = top;
    m_width = width;
}

int NodeRowSection::stride() const {
    return m_rowHeight + kDivider;
}

QRect NodeRowSection::rowRect(int index) const {
    return {m_left, m_top + index * stride(), m_width, m_rowHeight};
}

int NodeRowSection::indexAt(const QPoint& point) const {
    if (m_count == 0 || point.x() < m_left || point.x() >= m_left + m_width || point.y() < m_top)
        return -1;
    const int index = (point.y() - m_top) / stride();
    if (index >= m_ordered || !rowRect(index).contains(point))
        return -1;
    return index;
}

void NodeRowSection::paint(QPainter& painter, const QRect& exposed) const {
    if (m_count == 0 || exposed.bottom() < m_top || exposed.top() >= m_top + height())
        return;
    const NodeRow::Context context = this->context();
    const int first = std::max(0, (exposed.top() - m_top) / stride());
    const int last = std::min(m_count - 1, (exposed.bottom() - m_top) / stride());
    const QColor divider = Appearance::role(ColorRole::border);
    const QColor placeholder = Appearance::role(ColorRole::border, 0.35);
    for (int index = first; index <= last; ++index) {
        const QRect row = rowRect(index);
        if (index >= m_ordered)
            painter.fillRect(row.adjusted(0, row.height() / 3, 0, -row.height() / 3), placeholder);
        else
            NodeRow::paint(painter, row, m_nodeAt(index), m_options, context);
        painter.fillRect(QRect(m_left, row.bottom() + 1, m_width, kDivider), divider);
    }
}

bool NodeRowSection::press(const QPoint& point) {
    m_pressedIndex = indexAt(point);
    if (m_pressedIndex < 0)
        return false;
    m_pressedPart = NodeRow::partAt(rowRect(m_pressedIndex), node(m_pressedIndex), m_options, point);
    return true;
}

bool NodeRowSection::release(const QPoint& point) {
    const int pressed = std::exchange(m_pressedIndex, -1);
    const int index = indexAt(point);
    if (index < 0)
        return false;
    const DiskNode chosen = node(index);
    const NodeRow::Part part = NodeRow::partAt(rowRect(index), chosen, m_options, point);
    if (index == pressed && part == m_pressedPart)
        NodeRow::activate(part, m_canvas.model(), chosen);
    return true;
}

bool NodeRowSection::showMenu(const QPoint& point, const QPoint& global) {
    const int index = indexAt(point);
    if (index < 0)
        return false;
    m_canvas.showNodeMenu(node(index), global);
    return true;
}

QString NodeRowSection::toolTipAt(const QPoint& point, QRect* area) const {
    const int index = indexAt(point);
    if (index < 0)
        return {};
    const QRect row = rowRect(index);
    const DiskNode shown = node(index);
    const NodeRow::Part part = NodeRow::partAt(row, shown, m_options, point);
    if (area) {
        const NodeRow::Geometry g = NodeRow::geometry(row, shown, m_options);
        *area = part == NodeRow::Part::focusButton   ? g.focusButton
                : part == NodeRow::Part::queueButton ? g.queueButton
                                                     : row;
    }
    return NodeRow::toolTip(part);
}

} // namespace ambertrove
