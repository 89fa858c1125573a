#include "widgets/SidebarRow.hpp"

#include "widgets/Appearance.hpp"
#include "widgets/Icons.hpp"
#include "widgets/ViewText.hpp"

#include <QEnterEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

namespace ambertrove {

namespace {
constexpr int kSymbolGap = 6;
}

SidebarRow::SidebarRow(const QString& symbol, const QString& label, QWidget* parent)
    : QAbstractButton(parent), m_symbol(symbol) {
    setAttribute(Qt::WA_Hover);
    // Reached by Tab only, so a click leaves no focus tint behind.
    setFocusPolicy(Qt::TabFocus);
    setFont(ViewText::font(11));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setLabel(label);
}

void SidebarRow::setSelected(bool selected) {
    if (m_style.selected == selected)
        return;
    m_style.selected = selected;
    update();
}

void SidebarRow::setLabel(const QString& label) {
    m_label = label;
    QAbstractButton::setText(ViewText::withoutMnemonic(label));
    setAccessibleName(label);
    updateGeometry();
    update();
}

void SidebarRow::setSymbol(const QString& symbol) {
    m_symbol = symbol;
    update();
}

SidebarRowStyle::Look SidebarRow::currentLook() const {
    return m_style.look(m_hovered, isDown());
}

QSize SidebarRow::contentSizeHint() const {
    const QFontMetrics metrics(font());
    const int side = font().pixelSize() + 2;
    int width = metrics.horizontalAdvance(m_label);
    if (!m_symbol.isEmpty())
        width += side + kSymbolGap;
    return {width, std::max(metrics.height(), m_symbol.isEmpty() ? 0 : side)};
}

QSize SidebarRow::sizeHint() const {
    return contentSizeHint().grownBy(SidebarRowStyle::padding());
}

QSize SidebarRow::minimumSizeHint() const {
    return {SidebarRowStyle::padding().left() + SidebarRowStyle::padding().right() + font().pixelSize() + 2,
            sizeHint().height()};
}

void SidebarRow::paintContent(QPainter& painter, const QRect& rect) {
    const QColor ink = Appearance::role(ColorRole::ink);
    int x = rect.left();
    if (!m_symbol.isEmpty()) {
        const int side = font().pixelSize() + 2;
        Icons::paint(painter, m_symbol, QRectF(x, rect.center().y() + 1 - side / 2.0, side, side), ink);
        x += side + kSymbolGap;
    }
    const QFontMetrics metrics(font());
    painter.setFont(font());
    painter.setPen(ink);
    const QRect textRect(x, rect.top(), rect.right() - x + 1, rect.height());
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter,
                     ViewText::elided(metrics, m_label, Qt::ElideRight, textRect.width()));
}

void SidebarRow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const SidebarRowStyle::Look look = currentLook();
    painter.setOpacity(look.opacity);
    SidebarRowStyle::paintBackground(painter, QRectF(rect()), look);
    if (hasFocus() && !m_style.selected && !m_hovered) {
        // Keyboard focus shows as the hover tint, so a row reached by Tab is visible.
        SidebarRowStyle::paintBackground(painter, QRectF(rect()), SidebarRowStyle{}.look(true, false));
    }
    paintContent(painter, rect().marginsRemoved(SidebarRowStyle::padding()));
}

void SidebarRow::enterEvent(QEnterEvent* event) {
    QAbstractButton::enterEvent(event);
    m_hovered = true;
    update();
}

void SidebarRow::leaveEvent(QEvent* event) {
    QAbstractButton::leaveEvent(event);
    m_hovered = false;
    update();
}

bool SidebarRow::hitButton(const QPoint& pos) const {
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), SidebarRowStyle::kCornerRadius, SidebarRowStyle::kCornerRadius);
    return shape.contains(QPointF(pos) + QPointF(0.5, 0.5));
}

} // namespace ambertrove
