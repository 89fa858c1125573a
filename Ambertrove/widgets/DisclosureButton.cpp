#include "widgets/DisclosureButton.hpp"

#include "widgets/Appearance.hpp"
#include "widgets/Icons.hpp"

#include <QPainter>

namespace ambertrove {

DisclosureButton::DisclosureButton(const QString& title, const QFont& font, ColorRole role, QWidget* parent)
    : QAbstractButton(parent)
    , m_font(font)
    , m_role(role) {
    setText(title);
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setAccessibleName(title);
}

QSize DisclosureButton::sizeHint() const {
    const QFontMetrics metrics(m_font);
    return {kChevron + kSpacing + metrics.horizontalAdvance(text()) + 2,
            std::max(kChevron, metrics.height())};
}

void DisclosureButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor colour = Appearance::role(m_role, isEnabled() ? 1.0 : 0.5);
    if (isDown())
        colour.setAlphaF(colour.alphaF() * 0.6f);
    const QRectF chevron(0, (height() - kChevron) / 2.0, kChevron, kChevron);
    painter.save();
    painter.translate(chevron.center());
    if (isChecked())
        painter.rotate(90);
    Icons::paintFallback(painter, QStringLiteral("chevron.right"), chevron.translated(-chevron.center()),
                         colour);
    painter.restore();
    if (hasFocus()) {
        painter.setPen(QPen(Appearance::role(ColorRole::accent, 0.6), 1));
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
    }
    painter.setFont(m_font);
    painter.setPen(colour);
    painter.drawText(rect().adjusted(kChevron + kSpacing, 0, 0, 0),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text());
}

} // namespace ambertrove
