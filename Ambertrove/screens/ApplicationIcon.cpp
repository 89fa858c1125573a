#include "screens/ApplicationIcon.hpp"

#include "widgets/Appearance.hpp"
#include "widgets/Icons.hpp"

#include <QPainter>
#include <QPainterPath>

namespace ambertrove::ApplicationIcon {

void paint(QPainter& painter, const QRectF& box) {
    const double side = std::min(box.width(), box.height());
    const QRectF square(box.center().x() - side / 2, box.center().y() - side / 2, side, side);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(square, side * 0.22, side * 0.22);
    painter.fillPath(shape, Appearance::role(ColorRole::accent, 0.2));
    const double glyph = side * 0.6;
    Icons::paint(painter, QStringLiteral("shippingbox.fill"),
                 QRectF(square.center().x() - glyph / 2, square.center().y() - glyph / 2, glyph, glyph),
                 Appearance::role(ColorRole::accent));
    painter.restore();
}

} // namespace ambertrove::ApplicationIcon
