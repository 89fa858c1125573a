#include "shell/BusyIndicator.hpp"

#include "widgets/Appearance.hpp"

#include <QPainter>
#include <QVariantAnimation>

namespace ambertrove {

BusyIndicator::BusyIndicator(int size, QWidget* parent)
    : QWidget(parent) {
    setFixedSize(size, size);
    m_turn = new QVariantAnimation(this);
    m_turn->setStartValue(0.0);
    m_turn->setEndValue(360.0);
    m_turn->setDuration(900);
    m_turn->setLoopCount(-1);
    connect(m_turn, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        m_angle = value.toDouble();
        update();
    });
}

bool BusyIndicator::isTurning() const {
    return m_turn->state() == QAbstractAnimation::Running;
}

void BusyIndicator::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!Appearance::reducedMotion())
        m_turn->start();
}

void BusyIndicator::hideEvent(QHideEvent* event) {
    m_turn->stop();
    QWidget::hideEvent(event);
}

void BusyIndicator::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double pen = std::max(1.5, width() / 8.0);
    const QRectF box = QRectF(rect()).adjusted(pen / 2, pen / 2, -pen / 2, -pen / 2);
    painter.setPen(QPen(Appearance::role(ColorRole::muted, 0.25), pen));
    painter.drawEllipse(box);
    painter.setPen(QPen(Appearance::role(ColorRole::muted), pen, Qt::SolidLine, Qt::RoundCap));
    painter.drawArc(box, int((90 - m_angle) * 16), 100 * 16);
}

} // namespace ambertrove
