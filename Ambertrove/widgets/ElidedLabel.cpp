#include "widgets/ElidedLabel.hpp"

#include "widgets/Appearance.hpp"
#include "widgets/ViewText.hpp"

#include <QEvent>
#include <QFontMetricsF>
#include <QPainter>

namespace ambertrove {

ElidedLabel::ElidedLabel(const QString& text, Qt::TextElideMode mode, QWidget* parent)
    : QWidget(parent), m_mode(mode) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setText(text);
}

void ElidedLabel::setText(const QString& text) {
    if (m_text == text)
        return;
    m_text = text;
    setAccessibleName(text);
    updateGeometry();
    update();
}

void ElidedLabel::setElideMode(Qt::TextElideMode mode) {
    m_mode = mode;
    update();
}

void ElidedLabel::setColor(const QColor& color) {
    m_color = color;
    update();
}

void ElidedLabel::setAlignment(Qt::Alignment alignment) {
    m_alignment = alignment;
    update();
}

QString ElidedLabel::shownText() const {
    return ViewText::elided(fontMetrics(), m_text, m_mode, width());
}

QSize ElidedLabel::sizeHint() const {
    return {fontMetrics().horizontalAdvance(m_text) + 1, fontMetrics().height()};
}

QSize ElidedLabel::minimumSizeHint() const {
    return {std::min(sizeHint().width(), fontMetrics().horizontalAdvance(QStringLiteral("…"))), sizeHint().height()};
}

void ElidedLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(m_color.isValid() ? m_color : Appearance::role(ColorRole::ink));
    painter.drawText(rect(), int(m_alignment), shownText());
}

void ElidedLabel::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        updateGeometry();
        update();
    }
}

} // namespace ambertrove
