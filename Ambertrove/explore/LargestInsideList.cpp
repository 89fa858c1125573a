#include "explore/LargestInsideList.hpp"

#include "model/Formatting.hpp"
#include "widgets/Appearance.hpp"
#include "widgets/ViewText.hpp"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace ambertrove {

namespace {

QFont nameFont() {
    return ViewText::font(10);
}

QFont sizeFont() {
    return ViewText::font(10, QFont::Medium);
}

} // namespace

LargestInsideList::LargestInsideList(QWidget* parent)
    : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setMouseTracking(true);
    setCursor(Qt::PointingHandCursor);
}

void LargestInsideList::setRows(std::vector<Row> rows, std::int64_t folderBytes) {
    m_rows = std::move(rows);
    m_folderBytes = folderBytes;
    m_hovered = -1;
    updateGeometry();
    update();
}

double LargestInsideList::barFraction(std::int64_t bytes, std::int64_t folderBytes) {
    return std::clamp(double(bytes) / double(std::max<std::int64_t>(folderBytes, 1)), 0.0, 1.0);
}

int LargestInsideList::rowHeight() const {
    return QFontMetrics(nameFont()).height() + kLineSpacing + kBarHeight;
}

QRect LargestInsideList::rowRect(int index) const {
    return {0, index * (rowHeight() + kRowSpacing), width(), rowHeight()};
}

int LargestInsideList::rowAt(const QPoint& point) const {
    for (int i = 0; i < int(m_rows.size()); ++i) {
        if (rowRect(i).contains(point))
            return i;
    }
    return -1;
}

QSize LargestInsideList::sizeHint() const {
    const int count = int(m_rows.size());
    return {0, count == 0 ? 0 : count * rowHeight() + (count - 1) * kRowSpacing};
}

QSize LargestInsideList::minimumSizeHint() const {
    return sizeHint();
}

void LargestInsideList::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QFontMetrics nameMetrics(nameFont());
    const QFontMetrics sizeMetrics(sizeFont());
    const int line = nameMetrics.height();
    for (int i = 0; i < int(m_rows.size()); ++i) {
        const Row& row = m_rows[std::size_t(i)];
        const QRect box = rowRect(i);
        if (i == m_hovered) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(Appearance::role(ColorRole::ink, 0.05));
            painter.drawRoundedRect(QRectF(box).adjusted(-3, -3, 3, 3), 4, 4);
        }
        painter.setPen(Qt::NoPen);
        painter.setBrush(row.colour);
        painter.drawEllipse(QRectF(box.left(), box.top() + (line - kDot) / 2.0, kDot, kDot));

        const QString size = QString::fromStdString(formattedBytes(row.bytes));
        const int sizeWidth = sizeMetrics.horizontalAdvance(size);
        painter.setFont(sizeFont());
        painter.setPen(Appearance::role(ColorRole::ink));
        painter.drawText(QRect(box.right() - sizeWidth + 1, box.top(), sizeWidth, line),
                         Qt::AlignRight | Qt::AlignVCenter, size);
        const int nameLeft = box.left() + kDot + 5;
        const int nameWidth = std::max(0, box.right() - sizeWidth - 2 - nameLeft);
        painter.setFont(nameFont());
        painter.drawText(QRect(nameLeft, box.top(), nameWidth, line), Qt::AlignLeft | Qt::AlignVCenter,
                         ViewText::elided(nameMetrics, row.name, Qt::ElideRight, nameWidth));

        const QRectF track(box.left(), box.top() + line + kLineSpacing, box.width(), kBarHeight);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Appearance::role(ColorRole::border, 0.5));
        painter.drawRoundedRect(track, kBarHeight / 2.0, kBarHeight / 2.0);
        const double fraction = barFraction(row.bytes, m_folderBytes);
        if (fraction > 0) {
            painter.setBrush(row.colour);
            painter.drawRoundedRect(QRectF(track.left(), track.top(), track.width() * fraction, kBarHeight),
                                    kBarHeight / 2.0, kBarHeight / 2.0);
        }
    }
}

void LargestInsideList::mouseMoveEvent(QMouseEvent* event) {
    const int row = rowAt(event->position().toPoint());
    if (row != m_hovered) {
        m_hovered = row;
        update();
    }
}

void LargestInsideList::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    const int row = rowAt(event->position().toPoint());
    if (row >= 0)
        emit chosen(m_rows[std::size_t(row)].path);
}

void LargestInsideList::leaveEvent(QEvent*) {
    if (m_hovered >= 0) {
        m_hovered = -1;
        update();
    }
}

} // namespace ambertrove
