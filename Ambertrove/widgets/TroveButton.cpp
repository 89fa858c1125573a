#include "widgets/TroveButton.hpp"

#include "widgets/Appearance.hpp"
#include "widgets/Icons.hpp"
#include "widgets/ViewText.hpp"

#include <QEnterEvent>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <QVariantAnimation>

#include <cmath>

namespace ambertrove {

TroveButton::TroveButton(const QString& label, TroveButtonStyle style, QWidget* parent)
    : TroveButton(style, QString(), label, parent) {}

TroveButton::TroveButton(TroveButtonStyle style, const QString& symbol, const QString& label, QWidget* parent)
    : QPushButton(parent), m_symbol(symbol), m_style(style) {
    setAutoDefault(false);
    setAttribute(Qt::WA_Hover);
    setCursor(Qt::ArrowCursor);
    setFont(m_style.font());
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    m_animation = new QVariantAnimation(this);
    m_animation->setDuration(TroveButtonStyle::kHoverMilliseconds);
    m_animation->setEasingCurve(QEasingCurve::OutCubic);
    connect(m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        m_hover = value.toDouble();
        update();
    });
    connect(m_animation, &QVariantAnimation::finished, this, &TroveButton::hoverSettled);
    setLabel(label);
}

void TroveButton::setLabel(const QString& label) {
    m_label = label;
    // The button's own text keeps "&" doubled so that Qt makes no shortcut of it.
    QPushButton::setText(ViewText::withoutMnemonic(label));
    setAccessibleName(label);
    updateGeometry();
    update();
}

void TroveButton::setSymbol(const QString& symbol) {
    m_symbol = symbol;
    updateGeometry();
    update();
}

void TroveButton::setButtonStyle(TroveButtonStyle style) {
    m_style = style;
    setFont(m_style.font());
    updateGeometry();
    update();
}

TroveButtonStyle::Look TroveButton::currentLook() const {
    return m_style.look(isEnabled(), m_hover, isDown());
}

QSize TroveButton::labelSize() const {
    return m_style.labelSize(m_symbol, m_label);
}

QSize TroveButton::sizeHint() const {
    return labelSize().grownBy(m_style.padding());
}

QSize TroveButton::minimumSizeHint() const {
    const QSize full = sizeHint();
    const QMargins pad = m_style.padding();
    const int least = pad.left() + pad.right() + m_style.labelSize(m_symbol, QStringLiteral("…")).width();
    return {std::min(full.width(), least), full.height()};
}

void TroveButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const TroveButtonStyle::Look look = currentLook();
    painter.setOpacity(look.opacity);
    TroveButtonStyle::paintBackground(painter, QRectF(rect()), look);

    if (m_keyboardFocus && hasFocus()) {
        QPainterPath ring;
        ring.addRoundedRect(QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5), TroveButtonStyle::kCornerRadius - 1,
                            TroveButtonStyle::kCornerRadius - 1);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.strokePath(ring, QPen(Appearance::role(ColorRole::accent), 2));
    }

    // The label, centred; when the button is narrower than it, the text is shortened at its end.
    m_style.paintLabel(painter, rect(), m_symbol, m_label, look.text);
}

void TroveButton::enterEvent(QEnterEvent* event) {
    QPushButton::enterEvent(event);
    setHovered(true);
}

void TroveButton::leaveEvent(QEvent* event) {
    QPushButton::leaveEvent(event);
    setHovered(false);
}

void TroveButton::focusInEvent(QFocusEvent* event) {
    QPushButton::focusInEvent(event);
    m_keyboardFocus = event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason ||
                      event->reason() == Qt::ShortcutFocusReason;
    update();
}

void TroveButton::focusOutEvent(QFocusEvent* event) {
    QPushButton::focusOutEvent(event);
    m_keyboardFocus = false;
    update();
}

bool TroveButton::hitButton(const QPoint& pos) const {
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), TroveButtonStyle::kCornerRadius, TroveButtonStyle::kCornerRadius);
    return shape.contains(QPointF(pos) + QPointF(0.5, 0.5));
}

void TroveButton::setHovered(bool hovered) {
    if (m_hovered == hovered)
        return;
    m_hovered = hovered;
    const double target = hovered ? 1.0 : 0.0;
    m_animation->stop();
    if (Appearance::reducedMotion()) {
        m_hover = target;
        update();
        emit hoverSettled();
        return;
    }
    m_animation->setStartValue(m_hover);
    m_animation->setEndValue(target);
    m_animation->start();
}

} // namespace ambertrove
