#include "explore/LiveFolderGrid.hpp"

#include "model/Formatting.hpp"
#include "theme/Paper.hpp"
#include "widgets/Appearance.hpp"
#include "widgets/FolderShape.hpp"
#include "widgets/Icons.hpp"
#include "widgets/ViewText.hpp"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>

#include <algorithm>

namespace ambertrove {

namespace {

constexpr int kPadding = 14;
constexpr double kCornerRadius = 14;
constexpr int kGlyphWidth = 34;
constexpr int kGlyphHeight = 27;

QString fromBytes(const std::string& text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

} // namespace

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
                                bool logical) {
    const std::string folder =
        progress && progress->browsing ? progress->browsing->folder.path : std::string();
    const bool newFolder = folder != m_folder;
    m_progress = std::move(progress);
    m_order = std::move(order);
    m_folder = folder;
    m_logical = logical;
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
            paintCard(painter, cardRect(index), node(index), index == m_hovered,
                      hasFocus() && index == m_current);
        }
}

QPixmap LiveFolderGrid::cardBackground(const QSize& size, bool hovered, bool current) const {
    // Every card has the same rounded background: drawn once per size and state, then copied, since
    // antialiased rounded shapes are the dearest part of a card.
    const qreal ratio = devicePixelRatioF();
    const int state = (hovered ? 1 : 0) | (current ? 2 : 0);
    const QColor surface = Appearance::role(ColorRole::surface);
    if (m_backgroundSize != size || m_backgroundRatio != ratio || m_backgroundSurface != surface) {
        for (QPixmap& cached : m_backgrounds)
            cached = QPixmap();
        m_backgroundSize = size;
        m_backgroundRatio = ratio;
        m_backgroundSurface = surface;
    }
    QPixmap& cached = m_backgrounds[std::size_t(state)];
    if (!cached.isNull())
        return cached;
    cached = QPixmap(size * ratio);
    cached.setDevicePixelRatio(ratio);
    cached.fill(Qt::transparent);
    QPainter painter(&cached);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = QRectF(QPointF(0, 0), QSizeF(size)).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setBrush(surface);
    painter.setPen(QPen(current ? Appearance::role(ColorRole::accent)
                                : Appearance::role(ColorRole::border, hovered ? 1.0 : 0.8),
                        current ? 1.5 : 1));
    painter.drawRoundedRect(bounds, kCornerRadius, kCornerRadius);
    if (hovered) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(Appearance::role(ColorRole::ink, 0.03));
        painter.drawRoundedRect(bounds, kCornerRadius, kCornerRadius);
    }
    return cached;
}

void LiveFolderGrid::paintCard(QPainter& painter, const QRect& rect, const DiskNode& card, bool hovered,
                               bool current) const {
    painter.drawPixmap(rect.topLeft(), cardBackground(rect.size(), hovered, current));

    const std::string& root = m_progress->browsing->rootPath;
    const QColor colour = Appearance::color(Paper::color(card, ColorMode::folder, root, Date::now()));
    const QRectF glyph(rect.left() + kPadding, rect.top() + kPadding, kGlyphWidth, kGlyphHeight);
    if (card.isDirectory && !card.isSymbolicLink) {
        // The folder outline is drawn at a quarter of its size: its corners are absolute.
        painter.save();
        painter.translate(glyph.topLeft());
        painter.scale(0.25, 0.25);
        painter.setPen(Qt::NoPen);
        painter.setBrush(colour);
        painter.drawPath(FolderShape::path(QRectF(0, 0, kGlyphWidth * 4, kGlyphHeight * 4)));
        painter.restore();
    } else {
        const double side = kGlyphHeight;
        // The palette's light tints are fills; a file's outline is drawn in the muted colour to be seen.
        Icons::paint(painter,
                     card.isSymbolicLink ? QStringLiteral("arrow.up.forward.square") : QStringLiteral("doc"),
                     QRectF(glyph.left(), glyph.top(), side, side), Appearance::role(ColorRole::muted));
    }

    const int textLeft = rect.left() + kPadding;
    const int textWidth = rect.width() - 2 * kPadding;
    const QFont nameFont = ViewText::font(13, QFont::DemiBold);
    const QFont sizeFont = ViewText::font(12, QFont::DemiBold);
    const QFont detailFont = ViewText::font(11);
    const QFontMetrics nameMetrics(nameFont);
    const QFontMetrics sizeMetrics(sizeFont);
    const QFontMetrics detailMetrics(detailFont);
    int y =
        rect.bottom() - kPadding - detailMetrics.height() - sizeMetrics.height() - nameMetrics.height() - 4;

    painter.setFont(nameFont);
    painter.setPen(Appearance::role(ColorRole::ink));
    painter.drawText(QRect(textLeft, y, textWidth, nameMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
                     ViewText::elided(nameMetrics, fromBytes(card.name()), Qt::ElideMiddle, textWidth));
    y += nameMetrics.height() + 2;
    painter.setFont(sizeFont);
    painter.drawText(QRect(textLeft, y, textWidth, sizeMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
                     QString::fromStdString(formattedBytes(card.bytes(m_logical))));
    y += sizeMetrics.height() + 2;
    painter.setFont(detailFont);
    painter.setPen(Appearance::role(ColorRole::muted));
    QString detail;
    if (card.isDirectory && !card.isSymbolicLink)
        detail = ViewText::groupedCount(card.fileCount) +
                 (card.fileCount == 1 ? QStringLiteral(" file") : QStringLiteral(" files"));
    else
        detail = card.isSymbolicLink ? QStringLiteral("Alias") : QStringLiteral("File");
    painter.drawText(QRect(textLeft, y, textWidth, detailMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
                     ViewText::elided(detailMetrics, detail, Qt::ElideRight, textWidth));
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
        m_pressed = indexAt(event->position().toPoint());
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
        emit activated(chosen);
        return;
    }
    QAbstractScrollArea::mouseReleaseEvent(event);
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
