#include "shell/PlainButton.hpp"

#include "widgets/Appearance.hpp"
#include "widgets/Icons.hpp"

#include <QPainter>

namespace ambertrove {

namespace {
// Room around a symbol so that it is easy to hit.
constexpr int kSymbolMargin = 3;
} // namespace

PlainButton::PlainButton(const QString& symbol, int symbolSize, ColorRole role, QWidget* parent)
    : QAbstractButton(parent)
    , m_symbol(symbol)
    , m_symbolSize(symbolSize)
    , m_role(role) {
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
}

PlainButton::PlainButton(const QString& text, const QFont& font, ColorRole role, QWidget* parent)
    : QAbstractButton(parent)
    , m_label(text)
    , m_font(font)
    , m_role(role) {
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setAccessibleName(text);
}

void PlainButton::setLabel(const QString& text) {
    m_label = text;
    setAccessibleName(text);
    updateGeometry();
    update();
}

void PlainButton::setUnderlined(bool underlined) {
    m_font.setUnderline(underlined);
    updateGeometry();
    update();
}

QSize PlainButton::sizeHint() const {
    if (!m_symbol.isEmpty())
        return {m_symbolSize + 2 * kSymbolMargin, m_symbolSize + 2 * kSymbolMargin};
    const QFontMetrics metrics(m_font);
    return {metrics.horizontalAdvance(m_label) + 2, metrics.height()};
}

void PlainButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor colour = Appearance::role(m_role, isEnabled() ? 1.0 : 0.5);
    if (isDown())
        colour.setAlphaF(colour.alphaF() * 0.6f);
    if (hasFocus()) {
        painter.setPen(QPen(Appearance::role(ColorRole::accent, 0.6), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
    }
    if (!m_symbol.isEmpty()) {
        const QRectF box((width() - m_symbolSize) / 2.0, (height() - m_symbolSize) / 2.0, m_symbolSize,
                         m_symbolSize);
        Icons::paint(painter, m_symbol, box, colour);
        return;
    }
    painter.setFont(m_font);
    painter.setPen(colour);
    painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, m_label);
}

} // namespace ambertrove
