#include "screens/RowListView.hpp"

#include "screens/RowDelegate.hpp"
#include "widgets/ViewText.hpp"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QToolTip>

namespace ambertrove {

RowListView::RowListView(bool fitsContent, QWidget* parent)
    : QListView(parent)
    , m_fits(fitsContent) {
    setFrameShape(QFrame::NoFrame);
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
    setUniformItemSizes(true);
    // Rows are drawn on whatever lies behind the list.
    QPalette colours = palette();
    colours.setColor(QPalette::Base, Qt::transparent);
    setPalette(colours);
    viewport()->setAutoFillBackground(false);
    if (m_fits) {
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }
}

void RowListView::setModel(QAbstractItemModel* model) {
    if (QAbstractItemModel* old = this->model())
        disconnect(old, nullptr, this, nullptr);
    QListView::setModel(model);
    if (!model)
        return;
    for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(model, signal, this, &RowListView::fitHeight);
    connect(model, &QAbstractItemModel::modelReset, this, &RowListView::fitHeight);
    connect(model, &QAbstractItemModel::layoutChanged, this, &RowListView::fitHeight);
    connect(model, &QAbstractItemModel::dataChanged, this, &RowListView::fitHeight);
    fitHeight();
}

void RowListView::setRowDelegate(RowDelegate* delegate) {
    m_delegate = delegate;
    setItemDelegate(delegate);
    fitHeight();
}

int RowListView::contentHeight() const {
    if (!model() || !m_delegate)
        return 0;
    const int rows = model()->rowCount();
    if (rows == 0)
        return 0;
    const int width = viewport()->width();
    const int gap = m_delegate->gap();
    if (uniformItemSizes())
        return rows * (m_delegate->rowHeight(model()->index(0, 0), width) + gap) - gap;
    int height = 0;
    for (int row = 0; row < rows; ++row)
        height += m_delegate->rowHeight(model()->index(row, 0), width) + gap;
    return height - gap;
}

QSize RowListView::sizeHint() const {
    if (!m_fits)
        return QListView::sizeHint();
    return {QListView::sizeHint().width(), contentHeight()};
}

QSize RowListView::minimumSizeHint() const {
    if (!m_fits)
        return QListView::minimumSizeHint();
    return {0, contentHeight()};
}

void RowListView::fitHeight() {
    if (m_fits) {
        const int height = contentHeight();
        if (height != this->height() || minimumHeight() != height)
            setFixedHeight(height);
    }
    // Rows of new heights are laid out again.
    scheduleDelayedItemsLayout();
}

void RowListView::scrollTo(const QModelIndex& index, ScrollHint hint) {
    if (!m_fits)
        QListView::scrollTo(index, hint);
}

std::optional<RowButton> RowListView::button(int row, int action) const {
    if (!model() || !m_delegate || row < 0 || row >= model()->rowCount())
        return std::nullopt;
    const QModelIndex index = model()->index(row, 0);
    const QRect rect = visualRect(index).adjusted(0, 0, 0, -m_delegate->gap());
    for (const RowButton& candidate : m_delegate->buttons(rect, index))
        if (candidate.action == action)
            return candidate;
    return std::nullopt;
}

std::optional<std::pair<QModelIndex, RowButton>> RowListView::buttonAt(const QPoint& position) const {
    if (!m_delegate)
        return std::nullopt;
    const QModelIndex index = indexAt(position);
    if (!index.isValid())
        return std::nullopt;
    const QRect rect = visualRect(index).adjusted(0, 0, 0, -m_delegate->gap());
    for (const RowButton& candidate : m_delegate->buttons(rect, index))
        if (candidate.rect.contains(position))
            return std::make_pair(index, candidate);
    return std::nullopt;
}

bool RowListView::isPressed(const QModelIndex& index, int action) const {
    return m_pressedAction && *m_pressedAction == action && m_pressedRow == index;
}

void RowListView::mousePressEvent(QMouseEvent* event) {
    if (const auto hit = buttonAt(event->position().toPoint())) {
        // A button takes the press whole: the row is not selected or clicked.
        if (event->button() == Qt::LeftButton && hit->second.enabled) {
            m_pressedRow = hit->first;
            m_pressedAction = hit->second.action;
            viewport()->update(hit->second.rect);
        }
        event->accept();
        return;
    }
    QListView::mousePressEvent(event);
}

void RowListView::mouseDoubleClickEvent(QMouseEvent* event) {
    // A quick second press on a button is a second press, as on any button.
    if (buttonAt(event->position().toPoint())) {
        mousePressEvent(event);
        return;
    }
    QListView::mouseDoubleClickEvent(event);
}

void RowListView::mouseReleaseEvent(QMouseEvent* event) {
    if (m_pressedAction) {
        const int action = *m_pressedAction;
        const QPersistentModelIndex row = m_pressedRow;
        m_pressedAction.reset();
        m_pressedRow = QPersistentModelIndex();
        viewport()->update();
        const auto hit = buttonAt(event->position().toPoint());
        if (event->button() == Qt::LeftButton && hit && hit->first == row && hit->second.action == action &&
            hit->second.enabled) {
            const QRect anchor(viewport()->mapToGlobal(hit->second.rect.topLeft()), hit->second.rect.size());
            emit buttonClicked(row.row(), action, anchor);
        }
        event->accept();
        return;
    }
    if (buttonAt(event->position().toPoint())) {
        event->accept();
        return;
    }
    QListView::mouseReleaseEvent(event);
}

void RowListView::mouseMoveEvent(QMouseEvent* event) {
    setHover(event->position().toPoint());
    QListView::mouseMoveEvent(event);
}

void RowListView::leaveEvent(QEvent* event) {
    setHover(std::nullopt);
    QListView::leaveEvent(event);
}

void RowListView::setHover(std::optional<QPoint> position) {
    if (position == m_hover)
        return;
    // Only the rows the pointer leaves and enters are drawn again.
    if (m_hover)
        viewport()->update(visualRect(indexAt(*m_hover)));
    m_hover = position;
    if (m_hover)
        viewport()->update(visualRect(indexAt(*m_hover)));
}

void RowListView::wheelEvent(QWheelEvent* event) {
    if (m_fits) {
        // The scroll area around the list scrolls.
        event->ignore();
        return;
    }
    QListView::wheelEvent(event);
}

void RowListView::resizeEvent(QResizeEvent* event) {
    QListView::resizeEvent(event);
    if (!uniformItemSizes() || m_fits)
        fitHeight();
}

bool RowListView::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        QString text;
        if (const auto hit = buttonAt(help->pos()))
            text = hit->second.toolTip;
        else if (const QModelIndex index = indexAt(help->pos()); index.isValid())
            text = index.data(Qt::ToolTipRole).toString();
        if (text.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), ViewText::plainToolTip(text), viewport());
        return true;
    }
    return QListView::viewportEvent(event);
}

} // namespace ambertrove
