#include "widgets/FolderShape.hpp"

namespace ambertrove::FolderShape {

QPainterPath path(const QRectF& rect) {
    const double w = rect.width();
    const double x0 = rect.left();
    const double y0 = rect.top();
    const double maxX = rect.right();
    const double maxY = rect.bottom();
    const auto at = [&](double x, double y) { return QPointF(x0 + x, y0 + y); };

    QPainterPath outline;
    outline.setFillRule(Qt::WindingFill);
    outline.moveTo(at(13, 0));
    outline.lineTo(at(0.4 * w, 0));
    outline.quadTo(at(0.44 * w, 0), at(0.46 * w, 16));
    outline.lineTo(QPointF(maxX - 13, y0 + 16));
    outline.quadTo(QPointF(maxX, y0 + 16), QPointF(maxX, y0 + 29));
    outline.lineTo(QPointF(maxX, maxY - 13));
    outline.quadTo(QPointF(maxX, maxY), QPointF(maxX - 13, maxY));
    outline.lineTo(QPointF(x0 + 13, maxY));
    outline.quadTo(QPointF(x0, maxY), QPointF(x0, maxY - 13));
    outline.lineTo(at(0, 13));
    outline.quadTo(at(0, 0), at(13, 0));
    outline.closeSubpath();
    return outline;
}

} // namespace ambertrove::FolderShape
