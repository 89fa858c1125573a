#include "widgets/LinearProgress.hpp"

#include "widgets/Appearance.hpp"

#include <QPainter>
#include <QPainterPath>
#include <QVariantAnimation>

#include <cmath>

namespace ambertrove {

LinearProgress::LinearProgress(QWidget* parent)
    : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_sweep = new QVariantAnimation(this);
    m_sweep->setStartValue(0.0);
    m_sweep->setEndValue(1.0);
    m_sweep->setDuration(1400);
    m_sweep->setLoopCount(-1);
    connect(m_sweep, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        m_phase = value.toDouble();
        update();
    });
    setAccessibleName(QStringLiteral("Progress"));
}

void LinearProgress::setFraction(std::optional<double> fraction) {
    if (fraction && !std::isfinite(*fraction))
        fraction.reset();
    if (fraction)
        fraction = std::clamp(*fraction, 0.0, 1.0);
    if (fraction == m_fraction)
        return;
    m_fraction = fraction;
    updateAnimation();
    update();
}

QSize LinearProgress::sizeHint() const {
    return {160, kHeight};
}

QSize LinearProgress::minimumSizeHint() const {
    return {20, kHeight};
}

void LinearProgress::updateAnimation() {
    const bool run = isIndeterminate() && isVisible() && !Appearance::reducedMotion();
    if (run && m_sweep->state() != QAbstractAnimation::Running)
        m_sweep->start();
    else if (!run && m_sweep->state() == QAbstractAnimation::Running) {
        m_sweep->stop();
        m_phase = 0.5;
    }
}

void LinearProgress::showEvent(QShowEvent*) {
    updateAnimation();
}

void LinearProgress::hideEvent(QHideEvent*) {
    updateAnimation();
}

void LinearProgress::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF track(0, (height() - kHeight) / 2.0, width(), kHeight);
    const double radius = kHeight / 2.0;
    QPainterPath trackShape;
    trackShape.addRoundedRect(track, radius, radius);
    painter.fillPath(trackShape, Appearance::role(ColorRole::border, 0.8));
    QRectF filled;
    if (m_fraction) {
        filled = QRectF(track.left(), track.top(), track.width() * *m_fraction, track.height());
    } else {
        // A band of a third of the track sweeping from left to right, clipped by the track.
        const double band = track.width() / 3;
        filled = QRectF(track.left() - band + m_phase * (track.width() + band), track.top(), band, track.height());
    }
    if (filled.width() <= 0)
        return;
    painter.setClipPath(trackShape);
    QPainterPath fillShape;
    fillShape.addRoundedRect(filled, radius, radius);
    painter.fillPath(fillShape, Appearance::role(ColorRole::accent));
}

} // namespace ambertrove
