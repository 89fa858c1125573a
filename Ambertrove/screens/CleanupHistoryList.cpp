#include "screens/CleanupHistoryList.hpp"

#include "widgets/Appearance.hpp"
#include "widgets/Icons.hpp"
#include "widgets/TroveButtonStyle.hpp"
#include "widgets/ViewText.hpp"

#include <QPainter>

#include <algorithm>

namespace ambertrove {

namespace {

constexpr TroveButtonStyle kButtonStyle{false, true};

QFont titleFont() {
    return ViewText::font(12, QFont::Medium);
}
QFont subtitleFont() {
    return ViewText::font(10);
}
QFont figureFont() {
    return ViewText::font(12);
}

int textHeight() {
    return QFontMetrics(titleFont()).height() + CleanupHistoryList::kTextSpacing +
           QFontMetrics(subtitleFont()).height();
}

} // namespace

CleanupHistoryList::CleanupHistoryList(const QString& buttonLabel, int verticalPadding, QWidget* parent)
    : RowCanvas(parent)
    , m_buttonLabel(buttonLabel)
    , m_padding(verticalPadding) {
    setRowSpacing(kRowSpacing);
}

void CleanupHistoryList::setRows(std::vector<Row> rows) {
    m_rows = std::move(rows);
    const int content = std::max(textHeight(), kButtonStyle.sizeFor({}, m_buttonLabel).height());
    setRowHeights(std::vector<int>(m_rows.size(), content + 2 * m_padding));
}

void CleanupHistoryList::setButtonEnabled(int row, bool enabled) {
    if (row < 0 || row >= rowCount() || m_rows[std::size_t(row)].buttonEnabled == enabled)
        return;
    m_rows[std::size_t(row)].buttonEnabled = enabled;
    updateRow(row);
}

CleanupHistoryList::Layout CleanupHistoryList::layoutOf(int row, const QRect& rect) const {
    const Row& entry = m_rows[std::size_t(row)];
    const QRect content = rect.adjusted(0, m_padding, 0, -m_padding);
    const int middle = content.center().y();
    Layout layout;
    const QSize button = kButtonStyle.sizeFor({}, m_buttonLabel);
    layout.button = QRect(content.right() + 1 - button.width(), middle - button.height() / 2, button.width(),
                          button.height());
    int right = layout.button.left() - kSpacing;
    if (!entry.figure.isEmpty()) {
        const int width = QFontMetrics(figureFont()).horizontalAdvance(entry.figure) + 1;
        layout.figure = QRect(right - width, content.top(), width, content.height());
        right = layout.figure.left() - kSpacing;
    }
    int left = content.left();
    if (!entry.symbol.isEmpty()) {
        layout.symbol = QRect(left, middle - kSymbolSize / 2, kSymbolSize, kSymbolSize);
        left = layout.symbol.right() + 1 + kSpacing;
    }
    // The flexible space between the texts and what follows them is at least the stack's spacing.
    const int width = std::max(0, right - kSpacing - left);
    const int titleHeight = QFontMetrics(titleFont()).height();
    const int top = middle - textHeight() / 2;
    layout.title = QRect(left, top, width, titleHeight);
    layout.subtitle =
        QRect(left, top + titleHeight + kTextSpacing, width, QFontMetrics(subtitleFont()).height());
    return layout;
}

void CleanupHistoryList::paintRow(QPainter& painter, int row, const QRect& rect) const {
    const Row& entry = m_rows[std::size_t(row)];
    const Layout layout = layoutOf(row, rect);
    if (!layout.symbol.isEmpty())
        Icons::paint(painter, entry.symbol, QRectF(layout.symbol), Appearance::role(ColorRole::accent));
    painter.setFont(titleFont());
    painter.setPen(Appearance::role(ColorRole::ink));
    painter.drawText(
        layout.title, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
        ViewText::elided(QFontMetrics(titleFont()), entry.title, Qt::ElideRight, layout.title.width()));
    painter.setFont(subtitleFont());
    painter.setPen(Appearance::role(ColorRole::muted));
    painter.drawText(layout.subtitle, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     ViewText::elided(QFontMetrics(subtitleFont()), entry.subtitle, entry.subtitleElide,
                                      layout.subtitle.width()));
    if (!layout.figure.isEmpty()) {
        painter.setFont(figureFont());
        painter.setPen(Appearance::role(ColorRole::ink));
        painter.drawText(layout.figure, Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine, entry.figure);
    }
    const double hover = isHovered(row, buttonTarget) ? 1.0 : 0.0;
    kButtonStyle.paint(painter, layout.button, {}, m_buttonLabel,
                       kButtonStyle.look(entry.buttonEnabled, hover, isPressed(row, buttonTarget)));
}

std::vector<RowCanvas::Target> CleanupHistoryList::targets(int row, const QRect& rect) const {
    return {Target{buttonTarget, layoutOf(row, rect).button, m_rows[std::size_t(row)].buttonEnabled, {}}};
}

void CleanupHistoryList::activate(int row, int kind) {
    if (kind == buttonTarget && row >= 0 && row < rowCount())
        emit buttonClicked(row);
}

QString CleanupHistoryList::rowToolTip(int row, const QRect& rect, const QPoint& point) const {
    const Layout layout = layoutOf(row, rect);
    if (layout.title.united(layout.subtitle).contains(point))
        return m_rows[std::size_t(row)].toolTip;
    return {};
}

} // namespace ambertrove
