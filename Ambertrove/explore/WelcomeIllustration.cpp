#include "explore/WelcomeIllustration.hpp"

#include "theme/Paper.hpp"
#include "widgets/Appearance.hpp"
#include "widgets/FolderShape.hpp"
#include "widgets/Icons.hpp"

#include <QPainter>

namespace ambertrove {

WelcomeIllustration::WelcomeIllustration(QWidget* parent)
    : QWidget(parent) {
    setFixedSize(kSide, kSide);
}

void WelcomeIllustration::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(width() / 2.0, height() / 2.0);
    const auto& colours = Paper::colors();
    painter.setPen(Qt::NoPen);
    painter.setBrush(Appearance::color(colours[2], 0.5));
    painter.drawEllipse(centre, kSide / 2.0, kSide / 2.0);

    const auto folder = [&](const AdaptiveColor& colour, double degrees, QPointF offset) {
        painter.save();
        painter.translate(centre + offset);
        painter.rotate(degrees);
        painter.setBrush(Appearance::color(colour));
        painter.drawPath(FolderShape::path(QRectF(-62.5, -50, 125, 100)));
        painter.restore();
    };
    folder(colours[0], -13, {-40, 12});
    folder(colours[3], 12, {38, -4});

    constexpr double kPlane = 45;
    Icons::paint(painter, QStringLiteral("paperplane.fill"),
                 QRectF(centre.x() - kPlane / 2, centre.y() - 7 - kPlane / 2, kPlane, kPlane),
                 Appearance::role(ColorRole::accent));
}

} // namespace ambertrove
