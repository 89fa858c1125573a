#pragma once

#include <QColor>
#include <QMargins>

class QPainter;
class QRectF;

namespace ambertrove {

// The look of a sidebar row (also the rows of the applications list): an accent tint when selected or
// hovered, an accent line when selected. It sets no font or text colour; the row's content does.
struct SidebarRowStyle {
    bool selected = false;

    static constexpr double kCornerRadius = 8;

    struct Look {
        QColor fill;
        QColor border;
        double opacity = 1;
    };

    // 8 pixels on every side of the label.
    [[nodiscard]] static QMargins padding() { return {8, 8, 8, 8}; }
    [[nodiscard]] Look look(bool hovered, bool pressed) const;
    static void paintBackground(QPainter& painter, const QRectF& rect, const Look& look);
};

} // namespace ambertrove
