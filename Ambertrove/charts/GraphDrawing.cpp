#include "charts/GraphDrawing.hpp"

#include "charts/ChartText.hpp"

#include <QPainter>
#include <QPen>

#include <numbers>

namespace ambertrove::GraphDrawing {

void paint(QPainter& painter, const GraphScene& scene, bool showLabels) {
    paintMarks(painter, scene);
    if (showLabels)
        paintLabels(painter, scene);
}

void paintMarks(QPainter& painter, const GraphScene& scene) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    QPen outline(scene.border, 0.7);
    for (const GraphMark& mark : scene.marks) {
        painter.fillPath(mark.path, mark.color);
        painter.strokePath(mark.path, outline);
    }
    painter.restore();
}

void paintLabels(QPainter& painter, const GraphScene& scene) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    if (!scene.labels.empty()) {
        const QFont titleFonts[] = {ChartText::font(9, QFont::DemiBold),
                                    ChartText::font(11, QFont::DemiBold)};
        const QFont bytesFont = ChartText::font(10, QFont::Normal);
        constexpr int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine;
        for (const GraphLabel& label : scene.labels) {
            painter.save();
            if (label.rotation != 0) {
                painter.translate(label.anchor);
                painter.rotate(label.rotation * 180.0 / std::numbers::pi);
                painter.translate(-label.anchor);
            }
            painter.setFont(label.fontSize < 10 ? titleFonts[0] : titleFonts[1]);
            painter.setPen(label.color);
            painter.drawText(label.titleRect, flags, label.title);
            if (label.bytes) {
                QColor faded = label.color;
                faded.setAlphaF(faded.alphaF() * 0.65f);
                painter.setFont(bytesFont);
                painter.setPen(faded);
                painter.drawText(label.bytesRect, flags, *label.bytes);
            }
            painter.restore();
        }
    }
    painter.restore();
}

} // namespace ambertrove::GraphDrawing
