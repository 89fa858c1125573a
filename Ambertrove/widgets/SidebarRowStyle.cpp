#include "widgets/SidebarRowStyle.hpp"

#include "widgets/Appearance.hpp"

#include <QPainter>
#include <QPainterPath>

namespace ambertrove {

SidebarRowStyle::Look SidebarRowStyle::look(bool hovered, bool pressed) const {
    Look look;
    look.fill = Appearance::role(ColorRole::accent, selected ? 0.14 : hovered ? 0.07 : 0.0);
    look.border = Appearance::role(ColorRole::accent, selected ? 0.24 : 0.0);
    look.opacity = pressed ? 0.65 : 1.0;
    return look;
}

void SidebarRowStyle::paintBackground(QPainter& painter, const QRectF& rect, const Look& look) {
    QPainterPath path;
    path.addRoundedRect(rect.adjusted(0.5, 0.5, -0.5, -0.5), kCornerRadius, kCornerRadius);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    if (look.fill.alpha() > 0)
        painter.fillPath(path, look.fill);
    if (look.border.alpha() > 0)
        painter.strokePath(path, QPen(look.border, 1));
    painter.restore();
}

} // namespace ambertrove
