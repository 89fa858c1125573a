#include "explore/BusyBadge.hpp"

#include "shell/BusyIndicator.hpp"
#include "widgets/Appearance.hpp"

#include <QPainter>

namespace ambertrove {

BusyBadge::BusyBadge(QWidget* parent)
    : QWidget(parent) {
    const int side = kIndicatorSize + 2 * kPadding;
    setFixedSize(side, side);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    auto* indicator = new BusyIndicator(kIndicatorSize, this);
    indicator->move(kPadding, kPadding);
}

void BusyBadge::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Appearance::role(ColorRole::surface));
    const double radius = height() / 2.0;
    painter.drawRoundedRect(QRectF(rect()), radius, radius);
}

} // namespace ambertrove
