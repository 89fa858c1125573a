#include "widgets/QueryProgress.hpp"

#include "widgets/Appearance.hpp"

#include <QPainter>
#include <QPainterPath>
#include <QVariantAnimation>

namespace ambertrove {

QueryProgress::QueryProgress(QWidget* parent)
    : QWidget(parent) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    m_turn = new QVariantAnimation(this);
    m_turn->setStartValue(0.0);
    m_turn->setEndValue(360.0);
    m_turn->setDuration(1000);
    m_turn->setLoopCount(-1);
    connect(m_turn, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        m_angle = value.toDouble();
        update();
    });
    setAccessibleName(QStringLiteral("Updating results"));
}

QSize QueryProgress::sizeHint() const {
    return {kExtent, kExtent};
}

QSize QueryProgress::minimumSizeHint() const {
    return sizeHint();
}

bool QueryProgress::isSpinning() const {
    return m_turn->state() == QAbstractAnimation::Running;
}

void QueryProgress::updateAnimation() {
    const bool run = isVisible() && !Appearance::reducedMotion();
    if (run && !isSpinning())
        m_turn->start();
    else if (!run && isSpinning())
        m_turn->stop();
}

void QueryProgress::showEvent(QShowEvent*) {
    updateAnimation();
}

void QueryProgress::hideEvent(QHideEvent*) {
    updateAnimation();
}

void QueryProgress::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // The capsule, centred, with the outer padding left clear.
    const QRectF capsule =
        QRectF(rect()).adjusted(kOuterPadding, kOuterPadding, -kOuterPadding, -kOuterPadding);
    const double radius = std::min(capsule.width(), capsule.height()) / 2;
    QPainterPath shape;
    shape.addRoundedRect(capsule, radius, radius);
    painter.fillPath(shape, Appearance::role(ColorRole::surface));

    // The indicator: a faint ring with a darker arc that turns.
    const double pen = 2;
    const QRectF ring =
        QRectF(capsule.center().x() - kIndicator / 2.0 + pen / 2,
               capsule.center().y() - kIndicator / 2.0 + pen / 2, kIndicator - pen, kIndicator - pen);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Appearance::role(ColorRole::muted, 0.25), pen));
    painter.drawEllipse(ring);
    painter.setPen(QPen(Appearance::role(ColorRole::muted), pen, Qt::SolidLine, Qt::RoundCap));
    // Qt measures arcs in sixteenths of a degree, counter-clockwise from three o'clock.
    painter.drawArc(ring, int((90 - m_angle) * 16), -100 * 16);
}

} // namespace ambertrove
