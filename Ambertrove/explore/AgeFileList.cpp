#include "explore/AgeFileList.hpp"

#include "controller/AppModel.hpp"
#include "controller/ChartSymbol.hpp"
#include "explore/NodeActions.hpp"
#include "model/Formatting.hpp"
#include "theme/Paper.hpp"
#include "widgets/Appearance.hpp"
#include "widgets/DateText.hpp"
#include "widgets/Icons.hpp"
#include "widgets/TroveButton.hpp"
#include "widgets/ViewText.hpp"

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

QFont nameFont() {
    return ViewText::font(11);
}

QFont dateFont() {
    return ViewText::font(8);
}

QFont sizeFont() {
    return ViewText::font(10, QFont::Medium);
}

QFont emptyFont() {
    return ViewText::font(11);
}

using ViewText::fromBytes;

} // namespace

AgeFileList::AgeFileList(AppModel& model, QWidget* parent)
    : QAbstractScrollArea(parent)
    , m_model(model) {
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setMouseTracking(true);
    viewport()->setAutoFillBackground(false);
    setAutoFillBackground(false);
    verticalScrollBar()->setSingleStep(24);
    m_more = new TroveButton(QStringLiteral("Show 40 more"), {false, true}, viewport());
    m_more->hide();
    connect(m_more, &TroveButton::clicked, this, &AgeFileList::moreRequested);
}

void AgeFileList::setContent(const ScanResultPtr& scan, const std::vector<NodeIndex>& nodes, bool more,
                             const QString& empty) {
    m_rows.clear();
    m_rows.reserve(nodes.size());
    for (NodeIndex i : nodes) {
        Row row;
        row.node = scan->nodes.makeNode(i, false);
        row.name = fromBytes(row.node.name());
        row.path = fromBytes(row.node.path);
        row.symbol = chartSymbol(row.node);
        const auto category =
            std::find(kAllFileCategories.begin(), kAllFileCategories.end(), row.node.category());
        const std::size_t colour =
            category == kAllFileCategories.end() ? 0 : std::size_t(category - kAllFileCategories.begin());
        row.colour = Appearance::color(Paper::colors()[colour]);
        m_rows.push_back(std::move(row));
    }
    m_empty = empty;
    m_more->setVisible(more);
    m_hovered = -1;
    layoutContent();
    viewport()->update();
}

void AgeFileList::setLogical(bool logical) {
    if (m_logical != logical) {
        m_logical = logical;
        viewport()->update();
    }
}

void AgeFileList::setCanClean(bool canClean) {
    if (m_canClean != canClean) {
        m_canClean = canClean;
        viewport()->update();
    }
}

int AgeFileList::rowHeight() const {
    return QFontMetrics(nameFont()).height() + kLineSpacing + QFontMetrics(dateFont()).height();
}

int AgeFileList::rowsHeight() const {
    const int rows = count();
    return rows == 0 ? 0 : rows * rowHeight() + (rows - 1) * kRowSpacing;
}

QRect AgeFileList::rowRect(int row) const {
    return {0, row * (rowHeight() + kRowSpacing) - verticalScrollBar()->value(), viewport()->width(),
            rowHeight()};
}

QRect AgeFileList::addRect(int row) const {
    const QRect box = rowRect(row);
    return {box.right() + 1 - kAddButton, box.center().y() - kAddButton / 2, kAddButton, kAddButton};
}

int AgeFileList::rowAt(const QPoint& point) const {
    const int y = point.y() + verticalScrollBar()->value();
    if (y < 0)
        return -1;
    const int row = y / (rowHeight() + kRowSpacing);
    if (row >= count() || !rowRect(row).contains(point))
        return -1;
    return row;
}

void AgeFileList::layoutContent() {
    int content = m_rows.empty() ? QFontMetrics(emptyFont()).height() : rowsHeight();
    if (m_more->isVisibleTo(this)) {
        const QSize button = m_more->sizeHint();
        const int top = content + kRowSpacing;
        m_more->setGeometry(0, top - verticalScrollBar()->value(), button.width(), button.height());
        content = top + button.height();
    }
    verticalScrollBar()->setRange(0, std::max(0, content - viewport()->height()));
    verticalScrollBar()->setPageStep(viewport()->height());
}

void AgeFileList::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    layoutContent();
}

void AgeFileList::scrollContentsBy(int, int dy) {
    m_more->move(m_more->x(), m_more->y() + dy);
    viewport()->update();
}

void AgeFileList::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor muted = Appearance::role(ColorRole::muted);
    const QColor ink = Appearance::role(ColorRole::ink);
    if (m_rows.empty()) {
        painter.setFont(emptyFont());
        painter.setPen(muted);
        painter.drawText(QRect(0, -verticalScrollBar()->value(), viewport()->width(), viewport()->height()),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, m_empty);
        return;
    }
    const QFontMetrics nameMetrics(nameFont());
    const QFontMetrics dateMetrics(dateFont());
    const QFontMetrics sizeMetrics(sizeFont());
    const int stride = rowHeight() + kRowSpacing;
    const int first = std::max(0, verticalScrollBar()->value() / stride);
    const int last = std::min(count() - 1, (verticalScrollBar()->value() + viewport()->height()) / stride);
    const Date now = Date::now();
    for (int i = first; i <= last; ++i) {
        const Row& row = m_rows[std::size_t(i)];
        const QRect box = rowRect(i);
        if (i == m_hovered) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(Appearance::role(ColorRole::ink, 0.05));
            painter.drawRoundedRect(QRectF(box).adjusted(-4, -4, 4, 4), 6, 6);
        }
        Icons::paint(
            painter, row.symbol,
            QRectF(box.left() + (kIconWidth - kIcon) / 2.0, box.center().y() - kIcon / 2.0, kIcon, kIcon),
            row.colour);
        // The plus button, then the size, from the right.
        const QRect add = addRect(i);
        Icons::paint(painter, QStringLiteral("plus.circle"), QRectF(add).adjusted(3, 3, -3, -3),
                     Appearance::role(ColorRole::ink, m_canClean ? 1.0 : 0.38));
        const QString size = QString::fromStdString(formattedBytes(row.node.bytes(m_logical)));
        const int sizeWidth = sizeMetrics.horizontalAdvance(size);
        const int sizeRight = add.left() - kSpacing;
        painter.setFont(sizeFont());
        painter.setPen(ink);
        painter.drawText(QRect(sizeRight - sizeWidth, box.top(), sizeWidth, box.height()),
                         Qt::AlignRight | Qt::AlignVCenter, size);
        const int textLeft = box.left() + kIconWidth + kSpacing;
        const int textWidth = std::max(0, sizeRight - sizeWidth - kSpacing - textLeft);
        painter.setFont(nameFont());
        painter.drawText(QRect(textLeft, box.top(), textWidth, nameMetrics.height()),
                         Qt::AlignLeft | Qt::AlignVCenter,
                         ViewText::elided(nameMetrics, row.name, Qt::ElideMiddle, textWidth));
        painter.setFont(dateFont());
        painter.setPen(muted);
        painter.drawText(
            QRect(textLeft, box.top() + nameMetrics.height() + kLineSpacing, textWidth, dateMetrics.height()),
            Qt::AlignLeft | Qt::AlignVCenter,
            ViewText::elided(dateMetrics, DateText::relative(row.node.modified, now), Qt::ElideRight,
                             textWidth));
    }
}

void AgeFileList::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    const int row = rowAt(at);
    if (row != m_hovered) {
        m_hovered = row;
        viewport()->update();
    }
    viewport()->setCursor(row >= 0 ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void AgeFileList::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !isEnabled())
        return;
    const QPoint at = event->position().toPoint();
    const int row = rowAt(at);
    if (row < 0)
        return;
    const DiskNode chosen = node(row);
    if (addRect(row).contains(at)) {
        if (m_canClean)
            m_model.stage({chosen}, nullptr, NodeActions::kStageReason.toStdString());
        return;
    }
    m_model.setSelection(chosen.path);
}

void AgeFileList::leaveEvent(QEvent* event) {
    QAbstractScrollArea::leaveEvent(event);
    if (m_hovered >= 0) {
        m_hovered = -1;
        viewport()->update();
    }
}

void AgeFileList::contextMenuEvent(QContextMenuEvent* event) {
    const int row = rowAt(event->pos());
    if (row < 0 || !isEnabled())
        return;
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    NodeActions::fill(*menu, m_model, node(row));
    menu->popup(event->globalPos());
}

bool AgeFileList::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const int row = rowAt(help->pos());
        if (row < 0) {
            QToolTip::hideText();
        } else if (addRect(row).contains(help->pos())) {
            QToolTip::showText(help->globalPos(), QStringLiteral("Add to Cleanup"), viewport(), addRect(row));
        } else {
            QToolTip::showText(help->globalPos(), ViewText::plainToolTip(m_rows[std::size_t(row)].path),
                               viewport(), rowRect(row));
        }
        return true;
    }
    return QAbstractScrollArea::viewportEvent(event);
}

} // namespace ambertrove
