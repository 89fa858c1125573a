#include "widgets/RowCanvas.hpp"

#include "widgets/Appearance.hpp"
#include "widgets/ViewText.hpp"

#include <QFocusEvent>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QToolTip>

#include <algorithm>

namespace ambertrove {

RowCanvas::RowCanvas(QWidget* parent)
    : QWidget(parent) {
    setMouseTracking(true);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void RowCanvas::setRowHeights(std::vector<int> heights) {
    m_heights = std::move(heights);
    m_tops.resize(m_heights.size());
    int y = 0;
    for (std::size_t i = 0; i < m_heights.size(); ++i) {
        m_tops[i] = y;
        y += m_heights[i] + (i + 1 < m_heights.size() ? m_spacing : 0);
    }
    const bool grew = y != m_height;
    m_height = y;
    if (m_hovered.row >= rowCount())
        m_hovered = {};
    if (m_pressed.row >= rowCount())
        m_pressed = {};
    if (m_keyboard.row >= rowCount())
        m_keyboard = {};
    if (grew) {
        setFixedHeight(m_height);
        updateGeometry();
    }
    update();
}

void RowCanvas::setRowSpacing(int spacing) {
    m_spacing = spacing;
    setRowHeights(std::move(m_heights));
}

void RowCanvas::setPreferredWidth(int width) {
    m_preferredWidth = width;
    updateGeometry();
}

QRect RowCanvas::rowRect(int row) const {
    if (row < 0 || row >= rowCount())
        return {};
    return {0, m_tops[std::size_t(row)], width(), m_heights[std::size_t(row)]};
}

int RowCanvas::rowAt(int y) const {
    if (m_tops.empty() || y < 0)
        return -1;
    const auto after = std::upper_bound(m_tops.begin(), m_tops.end(), y);
    const int row = int(after - m_tops.begin()) - 1;
    if (row < 0 || y >= m_tops[std::size_t(row)] + m_heights[std::size_t(row)])
        return -1;
    return row;
}

std::pair<int, int> RowCanvas::rowsIn(const QRect& rect) const {
    if (m_heights.empty() || rect.isEmpty())
        return {-1, -1};
    // The last row starting at or above the top, unless it ends above it; then on while rows start above
    // the bottom.
    int first =
        std::max(0, int(std::upper_bound(m_tops.begin(), m_tops.end(), rect.top()) - m_tops.begin()) - 1);
    if (m_tops[std::size_t(first)] + m_heights[std::size_t(first)] <= rect.top())
        ++first;
    const int last = int(std::upper_bound(m_tops.begin(), m_tops.end(), rect.bottom()) - m_tops.begin()) - 1;
    if (first >= rowCount() || last < first)
        return {-1, -1};
    return {first, last};
}

std::optional<RowCanvas::Target> RowCanvas::target(int row, int kind) const {
    if (row < 0 || row >= rowCount())
        return std::nullopt;
    for (const Target& each : targets(row, rowRect(row))) {
        if (each.kind == kind)
            return each;
    }
    return std::nullopt;
}

std::vector<RowCanvas::Target> RowCanvas::rowTargets(int row) const {
    if (row < 0 || row >= rowCount())
        return {};
    return targets(row, rowRect(row));
}

QSize RowCanvas::sizeHint() const {
    return {m_preferredWidth, m_height};
}

QSize RowCanvas::minimumSizeHint() const {
    return {0, m_height};
}

void RowCanvas::paintBackground(QPainter&, const QRect&) const {}

std::vector<RowCanvas::Target> RowCanvas::targets(int, const QRect&) const {
    return {};
}

void RowCanvas::activate(int, int) {}

QString RowCanvas::rowToolTip(int, const QRect&, const QPoint&) const {
    return {};
}

bool RowCanvas::isHovered(int row, int kind) const {
    return m_hovered == Spot{row, kind};
}

bool RowCanvas::isPressed(int row, int kind) const {
    return m_pressed == Spot{row, kind} && m_hovered == m_pressed;
}

void RowCanvas::updateRow(int row) {
    if (row >= 0 && row < rowCount())
        update(rowRect(row));
}

void RowCanvas::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRect exposed = event->rect();
    paintBackground(painter, exposed);
    m_painted = rowsIn(exposed);
    for (int row = m_painted.first; row >= 0 && row <= m_painted.second; ++row) {
        painter.save();
        paintRow(painter, row, rowRect(row));
        painter.restore();
    }
    if (hasFocus() && m_keyboard.row >= m_painted.first && m_keyboard.row <= m_painted.second) {
        if (const std::optional<Target> focused = target(m_keyboard.row, m_keyboard.kind)) {
            const QRectF ring = QRectF(focused->rect).adjusted(1, 1, -1, -1);
            const double radius = std::min(9.0, ring.height() / 2);
            QPainterPath shape;
            shape.addRoundedRect(ring, radius, radius);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.strokePath(shape, QPen(Appearance::role(ColorRole::accent), 2));
        }
    }
}

std::optional<std::pair<RowCanvas::Spot, RowCanvas::Target>> RowCanvas::targetAt(const QPoint& point) const {
    const int row = rowAt(point.y());
    if (row < 0)
        return std::nullopt;
    for (const Target& each : targets(row, rowRect(row))) {
        if (each.rect.contains(point))
            return std::pair{Spot{row, each.kind}, each};
    }
    return std::nullopt;
}

void RowCanvas::setHovered(Spot spot) {
    if (spot == m_hovered)
        return;
    const Spot old = m_hovered;
    m_hovered = spot;
    updateRow(old.row);
    updateRow(spot.row);
}

void RowCanvas::mouseMoveEvent(QMouseEvent* event) {
    const auto found = targetAt(event->position().toPoint());
    setHovered(found ? found->first : Spot{});
    QWidget::mouseMoveEvent(event);
}

void RowCanvas::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const auto found = targetAt(event->position().toPoint());
    setHovered(found ? found->first : Spot{});
    if (found && found->second.enabled) {
        m_pressed = found->first;
        updateRow(m_pressed.row);
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void RowCanvas::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || m_pressed.row < 0) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    const Spot pressed = m_pressed;
    m_pressed = {};
    updateRow(pressed.row);
    const auto found = targetAt(event->position().toPoint());
    event->accept();
    // Asked again: what the click would do may have been refused since the press.
    if (found && found->first == pressed && found->second.enabled)
        activate(pressed.row, pressed.kind);
}

void RowCanvas::leaveEvent(QEvent* event) {
    setHovered({});
    QWidget::leaveEvent(event);
}

std::vector<RowCanvas::Target> RowCanvas::orderedTargets(int row) const {
    std::vector<Target> list = targets(row, rowRect(row));
    std::stable_sort(list.begin(), list.end(),
                     [](const Target& a, const Target& b) { return a.rect.left() < b.rect.left(); });
    return list;
}

RowCanvas::Spot RowCanvas::stepFrom(Spot from, int step) const {
    int row = from.row;
    std::vector<Target> list = row >= 0 ? orderedTargets(row) : std::vector<Target>{};
    auto at = std::find_if(list.begin(), list.end(), [&](const Target& t) { return t.kind == from.kind; });
    int index = at == list.end() ? (step > 0 ? -1 : int(list.size())) : int(at - list.begin());
    if (row < 0) {
        row = step > 0 ? 0 : rowCount() - 1;
        list = row >= 0 ? orderedTargets(row) : std::vector<Target>{};
        index = step > 0 ? -1 : int(list.size());
    }
    while (row >= 0 && row < rowCount()) {
        index += step;
        if (index >= 0 && index < int(list.size()))
            return {row, list[std::size_t(index)].kind};
        row += step;
        if (row < 0 || row >= rowCount())
            break;
        list = orderedTargets(row);
        index = step > 0 ? -1 : int(list.size());
    }
    return from;
}

void RowCanvas::setKeyboardTarget(Spot spot) {
    if (spot == m_keyboard)
        return;
    const Spot old = m_keyboard;
    m_keyboard = spot;
    updateRow(old.row);
    updateRow(spot.row);
    // Brought into view when the list lies in a scroll area.
    for (QWidget* ancestor = parentWidget(); ancestor; ancestor = ancestor->parentWidget()) {
        if (auto* scroll = qobject_cast<QScrollArea*>(ancestor); scroll && scroll->widget()) {
            if (const std::optional<Target> focused = target(spot.row, spot.kind)) {
                const QPoint centre = mapTo(scroll->widget(), focused->rect.center());
                scroll->ensureVisible(centre.x(), centre.y(), 0, focused->rect.height() / 2 + 8);
            }
            break;
        }
    }
}

void RowCanvas::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Down:
    case Qt::Key_Right:
        setKeyboardTarget(stepFrom(m_keyboard, 1));
        return;
    case Qt::Key_Up:
    case Qt::Key_Left:
        setKeyboardTarget(stepFrom(m_keyboard, -1));
        return;
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (const std::optional<Target> focused = target(m_keyboard.row, m_keyboard.kind);
            focused && focused->enabled)
            activate(m_keyboard.row, m_keyboard.kind);
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void RowCanvas::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    if (!target(m_keyboard.row, m_keyboard.kind))
        m_keyboard = stepFrom({}, event->reason() == Qt::BacktabFocusReason ? -1 : 1);
    updateRow(m_keyboard.row);
}

void RowCanvas::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    updateRow(m_keyboard.row);
}

bool RowCanvas::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        QString text;
        if (const auto found = targetAt(help->pos()); found && !found->second.toolTip.isEmpty()) {
            text = found->second.toolTip;
        } else if (const int row = rowAt(help->pos().y()); row >= 0) {
            text = rowToolTip(row, rowRect(row), help->pos());
        }
        if (text.isEmpty()) {
            QToolTip::hideText();
            event->ignore();
        } else {
            QToolTip::showText(help->globalPos(), ViewText::plainToolTip(text), this);
        }
        return true;
    }
    return QWidget::event(event);
}

} // namespace ambertrove
