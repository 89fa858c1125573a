#include "explore/ExploreCanvas.hpp"

#include "explore/NodeActions.hpp"

#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>

#include <algorithm>

namespace ambertrove {

namespace {
constexpr int kScrollStep = 24;
} // namespace

ExploreCanvas::ExploreCanvas(AppModel& model, QWidget* parent)
    : QAbstractScrollArea(parent)
    , m_model(model) {
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setMouseTracking(true);
    viewport()->setAutoFillBackground(false);
    verticalScrollBar()->setSingleStep(kScrollStep);
}

QPoint ExploreCanvas::toContent(const QPoint& viewportPoint) const {
    return viewportPoint + QPoint(0, verticalScrollBar()->value());
}

QRect ExploreCanvas::toViewport(const QRect& contentRect) const {
    return contentRect.translated(0, -verticalScrollBar()->value());
}

QMenu* ExploreCanvas::showNodeMenu(const DiskNode& node, const QPoint& global) {
    if (m_menu)
        m_menu->close();
    m_menu = NodeActions::popup(this, m_model, node, global);
    return m_menu;
}

QMenu* ExploreCanvas::nodeMenu() const {
    return m_menu;
}

void ExploreCanvas::scrollToTop() {
    verticalScrollBar()->setValue(0);
}

void ExploreCanvas::relayout() {
    m_contentHeight = layoutContent(viewport()->width());
    m_laidOutWidth = viewport()->width();
    updateScrollRange();
    movePlaced();
    viewport()->update();
}

void ExploreCanvas::place(QWidget* widget, const QRect& rect) {
    const auto found = std::find_if(m_placed.begin(), m_placed.end(),
                                    [widget](const Placed& placed) { return placed.widget == widget; });
    if (found != m_placed.end())
        found->rect = rect;
    else
        m_placed.push_back({widget, rect});
    widget->setGeometry(toViewport(rect));
}

void ExploreCanvas::updateScrollRange() {
    QScrollBar* bar = verticalScrollBar();
    bar->setPageStep(viewport()->height());
    bar->setRange(0, std::max(0, m_contentHeight - viewport()->height()));
}

void ExploreCanvas::movePlaced() {
    std::erase_if(m_placed, [](const Placed& placed) { return placed.widget.isNull(); });
    for (const Placed& placed : m_placed)
        placed.widget->setGeometry(toViewport(placed.rect));
}

void ExploreCanvas::paintEvent(QPaintEvent* event) {
    if (m_laidOutWidth != viewport()->width())
        relayout();
    QPainter painter(viewport());
    const int top = verticalScrollBar()->value();
    painter.translate(0, -top);
    paintContent(painter, event->rect().translated(0, top));
}

void ExploreCanvas::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    // The content may change its height with the width (the grid's rows, wrapped text).
    relayout();
}

void ExploreCanvas::scrollContentsBy(int, int) {
    movePlaced();
    viewport()->update();
}

void ExploreCanvas::mouseMoveEvent(QMouseEvent* event) {
    pointerMoved(toContent(event->position().toPoint()));
    QAbstractScrollArea::mouseMoveEvent(event);
}

void ExploreCanvas::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        pressed(toContent(event->position().toPoint()));
    QAbstractScrollArea::mousePressEvent(event);
}

void ExploreCanvas::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        released(toContent(event->position().toPoint()));
    QAbstractScrollArea::mouseReleaseEvent(event);
}

void ExploreCanvas::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        doubleClicked(toContent(event->position().toPoint()));
    QAbstractScrollArea::mouseDoubleClickEvent(event);
}

void ExploreCanvas::contextMenuEvent(QContextMenuEvent* event) {
    // Delivered through the viewport: the position is the viewport's.
    menuRequested(toContent(event->pos()), event->globalPos());
}

bool ExploreCanvas::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        QRect area;
        const QString text = toolTipAt(toContent(help->pos()), &area);
        if (text.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), text, viewport(),
                               area.isNull() ? QRect() : toViewport(area));
        return true;
    }
    if (event->type() == QEvent::Leave)
        pointerLeft();
    return QAbstractScrollArea::viewportEvent(event);
}

} // namespace ambertrove
