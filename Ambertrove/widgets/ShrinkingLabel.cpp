#include "widgets/ShrinkingLabel.hpp"

#include "widgets/Appearance.hpp"
#include "widgets/ViewText.hpp"

#include <QEvent>
#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace ambertrove {

ShrinkingLabel::ShrinkingLabel(const QString& text, double minimumScale, QWidget* parent)
    : QWidget(parent), m_minimumScale(minimumScale) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setText(text);
}

void ShrinkingLabel::setText(const QString& text) {
    if (m_text == text)
        return;
    m_text = text;
    setAccessibleName(text);
    updateGeometry();
    update();
}

void ShrinkingLabel::setColor(const QColor& color) {
    m_color = color;
    update();
}

QFont ShrinkingLabel::fittedFont() const {
    QFont fitted = font();
    const double full = fitted.pixelSize() > 0 ? fitted.pixelSize() : fitted.pointSizeF();
    const double natural = QFontMetricsF(fitted).horizontalAdvance(m_text);
    if (natural <= width() || natural <= 0)
        return fitted;
    // Text width scales with the font size, so the size that fits is proportional; whole pixels, rounded
    // down, and never below the smallest scale.
    const double scale = std::max(m_minimumScale, width() / natural);
    fitted.setPixelSize(std::max(1, int(std::floor(full * scale))));
    if (fitted.pixelSize() < int(std::ceil(full * m_minimumScale)))
        fitted.setPixelSize(std::max(1, int(std::ceil(full * m_minimumScale))));
    return fitted;
}

double ShrinkingLabel::shownPixelSize() const {
    return fittedFont().pixelSize();
}

QString ShrinkingLabel::shownText() const {
    return ViewText::elided(QFontMetricsF(fittedFont()), m_text, Qt::ElideRight, width());
}

QSize ShrinkingLabel::sizeHint() const {
    return {int(std::ceil(QFontMetricsF(font()).horizontalAdvance(m_text))) + 1, fontMetrics().height()};
}

QSize ShrinkingLabel::minimumSizeHint() const {
    return {fontMetrics().horizontalAdvance(QStringLiteral("…")), fontMetrics().height()};
}

void ShrinkingLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setFont(fittedFont());
    painter.setPen(m_color.isValid() ? m_color : Appearance::role(ColorRole::ink));
    painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter, shownText());
}

void ShrinkingLabel::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        updateGeometry();
        update();
    }
}

} // namespace ambertrove
