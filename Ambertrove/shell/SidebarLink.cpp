#include "shell/SidebarLink.hpp"

#include "widgets/Appearance.hpp"
#include "widgets/Icons.hpp"
#include "widgets/ViewText.hpp"

#include <QFontMetrics>
#include <QPainter>

namespace ambertrove {

namespace {
constexpr int kSymbolGap = 5;

int symbolSide(const QFont& font) {
    return font.pixelSize() + 2;
}
} // namespace

SidebarLink::SidebarLink(const QString& symbol, const QString& label, int pixelSize, ColorRole role,
                         QWidget* parent)
    : QAbstractButton(parent)
    , m_symbol(symbol)
    , m_role(role) {
    setFont(ViewText::font(pixelSize));
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setLabel(label);
}

void SidebarLink::setLabel(const QString& label) {
    m_label = label;
    QAbstractButton::setText(ViewText::withoutMnemonic(label));
    setAccessibleName(label);
    updateGeometry();
    update();
}

void SidebarLink::setInert(bool inert) {
    m_inert = inert;
    setAttribute(Qt::WA_TransparentForMouseEvents, inert);
    setFocusPolicy(inert ? Qt::NoFocus : Qt::TabFocus);
    setCursor(inert ? Qt::ArrowCursor : Qt::PointingHandCursor);
    setAccessibleDescription(inert ? QStringLiteral("Help") : QString());
}

QSize SidebarLink::sizeHint() const {
    const QFontMetrics metrics(font());
    const int side = m_symbol.isEmpty() ? 0 : symbolSide(font());
    const int gap = m_symbol.isEmpty() ? 0 : kSymbolGap;
    return {side + gap + metrics.horizontalAdvance(m_label) + 1, std::max(metrics.height(), side)};
}

QSize SidebarLink::minimumSizeHint() const {
    const QFontMetrics metrics(font());
    const int side = m_symbol.isEmpty() ? 0 : symbolSide(font()) + kSymbolGap;
    return {std::min(sizeHint().width(), side + metrics.horizontalAdvance(QStringLiteral("…"))),
            sizeHint().height()};
}

void SidebarLink::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QColor color = Appearance::role(m_role);
    if (isDown())
        color.setAlphaF(color.alphaF() * 0.65f);
    int x = 0;
    if (!m_symbol.isEmpty()) {
        const int side = symbolSide(font());
        Icons::paint(painter, m_symbol, QRectF(0, height() / 2.0 + 0.5 - side / 2.0, side, side), color);
        x = side + kSymbolGap;
    }
    const QFontMetrics metrics(font());
    painter.setFont(font());
    painter.setPen(color);
    const QRect textRect(x, 0, std::max(0, width() - x), height());
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter,
                     ViewText::elided(metrics, m_label, Qt::ElideRight, textRect.width()));
    if (hasFocus()) {
        painter.setPen(QPen(Appearance::role(ColorRole::accent), 1, Qt::DotLine));
        painter.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
    }
}

} // namespace ambertrove
