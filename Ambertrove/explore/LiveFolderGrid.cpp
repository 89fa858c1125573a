#include "explore/LiveFolderGrid.hpp"

#include "widgets/Appearance.hpp"
#include "widgets/FolderShape.hpp"

#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>

#include <algorithm>

namespace ambertrove {

LiveFolderGrid::LiveFolderGrid(QWidget* parent)
    : QAbstractScrollArea(parent) {
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true);
    viewport()->setAutoFillBackground(false);
    verticalScrollBar()->setSingleStep(24);
}

void LiveFolderGrid::setContent(std::shared_ptr<const ScanProgress> progress, std::vector<std::size_t> order,
                                bool logical, ColorMode colorMode) {
    const std::string folder =
        progress && progress->browsing ? progress->browsing->folder.path : std::string();
    const bool newFolder = folder != m_folder;
    m_progress = std::move(progress);
    m_order = std::move(order);
    m_folder = folder;
    m_logical = logical;
    m_colorMode = colorMode;
    if (newFolder) {
        m_current = -1;
        m_hovered = -1;
    }
    m_current = std::min(m_current, count() - 1);
    updateScrollRange();
    // Another folder is another list: it starts at the top.
    if (newFolder)
        verticalScrollBar()->setValue(0);
    viewport()->update();
}

const DiskNode& LiveFolderGrid::node(int index) const {
    return m_progress->browsing->children[m_order[std::size_t(index)]];
}

int LiveFolderGrid::columnCount() const {
    const int width = viewport()->width();
    return std::max(1, (width + kColumnSpacing) / (kMinimumColumnWidth + kColumnSpacing));
}

int LiveFolderGrid::columnWidth() const {
    const int columns = columnCount();
    return std::max(1, (viewport()->width() - (columns - 1) * kColumnSpacing) / columns);
}

QRect LiveFolderGrid::cardRect(int index) const {
    const int columns = columnCount();
    const int row = index / columns;
    const int column = index % columns;
    const int x = column * (columnWidth() + kColumnSpacing);
    const int y = row * (kCardHeight + kRowSpacing) - verticalScrollBar()->value();
    return {x, y, columnWidth(), kCardHeight};
}

int LiveFolderGrid::indexAt(const QPoint& point) const {
    const int y = point.y() + verticalScrollBar()->value();
    if (y < 0 || point.x() < 0)
        return -1;
    const int row = y / (kCardHeight + kRowSpacing);
    const int column = point.x() / (columnWidth() + kColumnSpacing);
    if (column >= columnCount())
        return -1;
    const int index = row * columnCount() + column;
    if (index >= count() || !cardRect(index).contains(point))
        return -1;
    return index;
}

void LiveFolderGrid::updateScrollRange() {
    const int rows = (count() + columnCount() - 1) / columnCount();
    const int content = rows > 0 ? rows * kCardHeight + (rows - 1) * kRowSpacing : 0;
    verticalScrollBar()->setRange(0, std::max(0, content - viewport()->height()));
    verticalScrollBar()->setPageStep(viewport()->height());
}

void LiveFolderGrid::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollRange();
}

void LiveFolderGrid::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.setRenderHint(QPainter::Antialiasing);
    if (count() == 0)
        return;
    const int columns = columnCount();
    const int stride = kCardHeight + kRowSpacing;
    const int top = verticalScrollBar()->value();
    const int firstRow = std::max(0, top / stride);
    const int lastRow = (top + viewport()->height()) / stride;
    for (int row = firstRow; row <= lastRow; ++row)
        for (int column = 0; column < columns; ++column) {
            const int index = row * columns + column;
            if (index >= count())
                return;
            const QRect rect = cardRect(index);
            const DiskNode& card = node(index);
            FolderCard::paint(painter, rect, card, look(card, index));
            if (hasFocus() && index == m_current) {
                // The keyboard's card: a ring inside the outline.
                painter.setBrush(Qt::NoBrush);
                painter.setPen(QPen(Appearance::role(ColorRole::accent, 0.8), 1.5));
                painter.drawPath(FolderShape::path(QRectF(rect).adjusted(2, 2, -2, -2)));
            }
        }
}

FolderCard::Look LiveFolderGrid::look(const DiskNode& card, int index) const {
    FolderCard::Look look;
    look.hovered = index == m_hovered;
    look.logical = m_logical;
    look.colorMode = m_colorMode;
    // While the scan runs a card's colours are relative to its own folder; no type mix is known yet.
    look.root = card.parent ? std::string_view(*card.parent) : std::string_view();
    look.now = Date::now();
    return look;
}

QRect LiveFolderGrid::menuButtonRect(int index) const {
    return FolderCard::menuButtonRect(cardRect(index), look(node(index), index));
}

void LiveFolderGrid::mouseMoveEvent(QMouseEvent* event) {
    const int index = indexAt(event->position().toPoint());
    if (index != m_hovered) {
        m_hovered = index;
        viewport()->setCursor(index >= 0 ? Qt::PointingHandCursor : Qt::ArrowCursor);
        viewport()->update();
    }
    QAbstractScrollArea::mouseMoveEvent(event);
}

void LiveFolderGrid::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const QPoint at = event->position().toPoint();
        m_pressed = indexAt(at);
        m_pressedMenu = m_pressed >= 0 && m_pressed == m_hovered && menuButtonRect(m_pressed).contains(at);
        if (m_pressed >= 0) {
            m_current = m_pressed;
            viewport()->update();
        }
    }
    QAbstractScrollArea::mousePressEvent(event);
}

void LiveFolderGrid::mouseReleaseEvent(QMouseEvent* event) {
    const int pressed = m_pressed;
    m_pressed = -1;
    if (event->button() == Qt::LeftButton && pressed >= 0 &&
        pressed == indexAt(event->position().toPoint())) {
        // Copied: the activation may replace the content this node lives in.
        const DiskNode chosen = node(pressed);
        if (m_pressedMenu)
            emit menuRequested(chosen, viewport()->mapToGlobal(menuButtonRect(pressed).bottomLeft()));
        else
            emit activated(chosen);
        return;
    }
    QAbstractScrollArea::mouseReleaseEvent(event);
}

void LiveFolderGrid::contextMenuEvent(QContextMenuEvent* event) {
    const int index = indexAt(event->pos());
    if (index >= 0) {
        const DiskNode chosen = node(index);
        emit menuRequested(chosen, event->globalPos());
    }
}

void LiveFolderGrid::leaveEvent(QEvent* event) {
    if (m_hovered >= 0) {
        m_hovered = -1;
        viewport()->update();
    }
    QAbstractScrollArea::leaveEvent(event);
}

void LiveFolderGrid::keyPressEvent(QKeyEvent* event) {
    if (count() == 0) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    const int columns = columnCount();
    int next = m_current < 0 ? 0 : m_current;
    switch (event->key()) {
    case Qt::Key_Left:
        next = std::max(0, next - 1);
        break;
    case Qt::Key_Right:
        next = std::min(count() - 1, m_current < 0 ? 0 : next + 1);
        break;
    case Qt::Key_Up:
        next = std::max(0, next - columns);
        break;
    case Qt::Key_Down:
        next = std::min(count() - 1, m_current < 0 ? 0 : next + columns);
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (m_current >= 0) {
            const DiskNode chosen = node(m_current);
            emit activated(chosen);
        }
        return;
    default:
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    m_current = next;
    // Keep the current card in sight.
    const QRect card = cardRect(m_current);
    if (card.top() < 0)
        verticalScrollBar()->setValue(verticalScrollBar()->value() + card.top());
    else if (card.bottom() > viewport()->height())
        verticalScrollBar()->setValue(verticalScrollBar()->value() + card.bottom() - viewport()->height());
    viewport()->update();
}

bool LiveFolderGrid::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const int index = indexAt(help->pos());
        if (index >= 0) {
            const DiskNode& card = node(index);
            const bool folder = card.isDirectory && !card.isSymbolicLink;
            QToolTip::showText(help->globalPos(),
                               folder ? QStringLiteral("Open folder") : QStringLiteral("Quick Look"),
                               viewport(), cardRect(index));
        } else {
            QToolTip::hideText();
        }
        return true;
    }
    return QAbstractScrollArea::viewportEvent(event);
}

} // namespace ambertrove
