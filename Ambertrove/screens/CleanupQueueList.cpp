#include "screens/CleanupQueueList.hpp"

#include "controller/AppModel.hpp"
#include "widgets/Appearance.hpp"
#include "widgets/Icons.hpp"
#include "widgets/ViewText.hpp"

#include <QContextMenuEvent>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace ambertrove {

namespace {

QFont nameFont() {
    return ViewText::font(13, QFont::DemiBold);
}
QFont pathFont() {
    return ViewText::font(11);
}
QFont noteFont(CleanupEntryRow::Note note) {
    return ViewText::font(note == CleanupEntryRow::Note::rejection ? 11 : 10);
}
QFont sizeFont() {
    return ViewText::font(13, QFont::Medium);
}

bool sameEntry(const CleanupEntryRow& row, const CleanupEntry& entry) {
    return row.path == entry.node.path && row.bytes == entry.node.allocatedSize &&
           row.isDirectory == entry.node.isDirectory &&
           row.hasRetainedCopies == !entry.retainedCopies.empty();
}

void drawLine(QPainter& painter, const QRect& rect, const QFont& font, const QColor& color,
              const QString& text, Qt::TextElideMode mode) {
    painter.setFont(font);
    painter.setPen(color);
    painter.drawText(rect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     ViewText::elided(QFontMetrics(font), text, mode, rect.width()));
}

} // namespace

CleanupQueueList::CleanupQueueList(AppModel& model, QWidget* parent)
    : RowCanvas(parent)
    , m_model(model) {
    setObjectName(QStringLiteral("cleanupQueue"));
    connect(&m_model, &AppModel::policyAnswered, this, &CleanupQueueList::refreshAnswers);
    refresh();
}

void CleanupQueueList::refresh() {
    const std::vector<CleanupEntry>& queue = m_model.queue();
    const bool same =
        queue.size() == m_rows.size() && std::equal(m_rows.begin(), m_rows.end(), queue.begin(), sameEntry);
    if (!same) {
        m_rows.clear();
        m_rows.reserve(queue.size());
        for (const CleanupEntry& entry : queue)
            m_rows.push_back(CleanupEntryRow::of(entry));
        relayout();
    }
    const bool removable = !m_model.cleaning() && !m_model.staging();
    if (removable != m_removable) {
        m_removable = removable;
        update();
    }
    refreshAnswers();
}

void CleanupQueueList::refreshAnswers() {
    if (m_rows.empty())
        return;
    const QRect seen = visibleRegion().boundingRect();
    std::pair<int, int> range = rowsIn(seen);
    if (range.first < 0)
        range = {0, std::min(rowCount(), 2 * kAskMargin) - 1};
    const int first = std::max(0, range.first - kAskMargin);
    const int last = std::min(rowCount() - 1, range.second + kAskMargin);
    bool heightsChanged = false;
    for (int i = first; i <= last; ++i) {
        CleanupEntryRow& row = m_rows[std::size_t(i)];
        // While an answer is being found again (after a new scan), the row keeps the one it shows.
        const std::optional<std::optional<QString>> answer = m_model.cleanupRejection(row.path);
        if (!answer || *answer == row.rejection)
            continue;
        const std::optional<QString>& rejection = *answer;
        const int before = textHeight(row);
        row.rejection = rejection;
        heightsChanged = heightsChanged || textHeight(row) != before;
        updateRow(i);
    }
    if (heightsChanged)
        relayout();
}

int CleanupQueueList::textHeight(const CleanupEntryRow& row) const {
    int height = QFontMetrics(nameFont()).height() + kTextSpacing + QFontMetrics(pathFont()).height();
    if (row.note() != CleanupEntryRow::Note::none)
        height += kTextSpacing + QFontMetrics(noteFont(row.note())).height();
    return height;
}

void CleanupQueueList::relayout() {
    std::vector<int> heights;
    heights.reserve(m_rows.size());
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        const int content = std::max({textHeight(m_rows[i]), kRemoveHeight, kSymbolSize});
        // Every row but the last ends with its one-pixel rule.
        heights.push_back(2 * kPadding + content + (i + 1 < m_rows.size() ? 1 : 0));
    }
    setRowHeights(std::move(heights));
}

CleanupQueueList::Layout CleanupQueueList::layoutOf(int row, const QRect& rect) const {
    const CleanupEntryRow& entry = m_rows[std::size_t(row)];
    const bool last = row + 1 == rowCount();
    const QRect content = rect.adjusted(kPadding, kPadding, -kPadding, -kPadding - (last ? 0 : 1));
    const int middle = content.center().y();
    Layout layout;
    layout.symbol = QRect(content.left(), middle - kSymbolSize / 2, kSymbolFrame, kSymbolSize);
    layout.remove =
        QRect(content.right() + 1 - kRemoveWidth, middle - kRemoveHeight / 2, kRemoveWidth, kRemoveHeight);
    layout.size =
        QRect(layout.remove.left() - kSpacing - kSizeWidth, content.top(), kSizeWidth, content.height());
    const int textLeft = layout.symbol.right() + 1 + kSpacing;
    const int textRight = layout.size.left() - kSpacing - kMinimumGap - kSpacing;
    const int textWidth = std::max(0, textRight - textLeft);
    int y = middle - textHeight(entry) / 2;
    const int nameHeight = QFontMetrics(nameFont()).height();
    layout.name = QRect(textLeft, y, textWidth, nameHeight);
    y += nameHeight + kTextSpacing;
    const int pathHeight = QFontMetrics(pathFont()).height();
    layout.path = QRect(textLeft, y, textWidth, pathHeight);
    y += pathHeight + kTextSpacing;
    if (entry.note() != CleanupEntryRow::Note::none)
        layout.note = QRect(textLeft, y, textWidth, QFontMetrics(noteFont(entry.note())).height());
    return layout;
}

void CleanupQueueList::paintBackground(QPainter& painter, const QRect&) const {
    if (m_rows.empty())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), kCornerRadius, kCornerRadius);
    painter.fillPath(shape, Appearance::role(ColorRole::surface));
    painter.strokePath(shape, QPen(Appearance::role(ColorRole::border), 1));
    painter.restore();
}

void CleanupQueueList::paintRow(QPainter& painter, int row, const QRect& rect) const {
    const CleanupEntryRow& entry = m_rows[std::size_t(row)];
    const Layout layout = layoutOf(row, rect);
    const QColor amber = Appearance::color(Paper::amber());

    Icons::paint(painter, entry.symbol(),
                 QRectF(layout.symbol.center().x() + 0.5 - kSymbolSize / 2.0, layout.symbol.top(),
                        kSymbolSize, kSymbolSize),
                 entry.isProtected() ? amber : Appearance::role(ColorRole::accent));
    drawLine(painter, layout.name, nameFont(), Appearance::role(ColorRole::ink), entry.name, Qt::ElideMiddle);
    drawLine(painter, layout.path, pathFont(), Appearance::role(ColorRole::muted), entry.shownPath,
             Qt::ElideMiddle);
    if (!layout.note.isEmpty()) {
        const bool rejected = entry.note() == CleanupEntryRow::Note::rejection;
        drawLine(painter, layout.note, noteFont(entry.note()),
                 rejected ? amber : Appearance::role(ColorRole::muted), entry.noteText(), Qt::ElideRight);
    }

    painter.setFont(sizeFont());
    painter.setPen(Appearance::role(ColorRole::ink));
    painter.drawText(layout.size, Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine,
                     ViewText::elided(QFontMetrics(sizeFont()), entry.size, Qt::ElideRight, kSizeWidth));

    double opacity = m_removable ? 1.0 : 0.4;
    if (isPressed(row, removeTarget))
        opacity = 0.6;
    const QColor remove = Appearance::role(
        isHovered(row, removeTarget) && m_removable ? ColorRole::ink : ColorRole::muted, opacity);
    Icons::paint(painter, QStringLiteral("xmark"),
                 QRectF(layout.remove.center().x() + 0.5 - kRemoveSymbol / 2.0,
                        layout.remove.center().y() + 0.5 - kRemoveSymbol / 2.0, kRemoveSymbol, kRemoveSymbol),
                 remove);

    if (row + 1 < rowCount()) {
        // Up to the list's border line, not over it.
        painter.fillRect(
            QRect(rect.left() + kDividerInset, rect.bottom(), rect.width() - kDividerInset - 1, 1),
            Appearance::role(ColorRole::border));
    }
}

std::vector<RowCanvas::Target> CleanupQueueList::targets(int row, const QRect& rect) const {
    return {
        Target{removeTarget, layoutOf(row, rect).remove, m_removable, QStringLiteral("Remove from Cleanup")}};
}

void CleanupQueueList::activate(int row, int kind) {
    if (kind != removeTarget || row < 0 || row >= rowCount())
        return;
    // The controller refuses while staging or cleaning.
    const std::string path = m_rows[std::size_t(row)].path;
    m_model.removeFromQueue(path);
}

QString CleanupQueueList::rowToolTip(int row, const QRect& rect, const QPoint& point) const {
    const Layout layout = layoutOf(row, rect);
    const CleanupEntryRow& entry = m_rows[std::size_t(row)];
    if (layout.path.contains(point))
        return entry.shownPath;
    if (layout.note.contains(point))
        return entry.noteText();
    if (layout.name.contains(point))
        return entry.name;
    return {};
}

void CleanupQueueList::contextMenuEvent(QContextMenuEvent* event) {
    const int row = rowAt(event->pos().y());
    if (row < 0)
        return;
    // The path is painted, so it cannot be selected: it is copied from here instead.
    const std::string path = m_rows[std::size_t(row)].path;
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addAction(QStringLiteral("Copy Path"), this, [this, path] {
        for (const CleanupEntry& entry : m_model.queue()) {
            if (entry.node.path == path) {
                m_model.copyPath(entry.node);
                return;
            }
        }
    });
    menu->popup(event->globalPos());
}

} // namespace ambertrove
