#include "screens/RowButton.hpp"

#include "widgets/Appearance.hpp"
#include "widgets/Icons.hpp"

#include <QPainter>

namespace ambertrove {

RowButton RowButton::text(int action, const QString& label, TroveButtonStyle style, const QString& symbol) {
    RowButton button;
    button.action = action;
    button.label = label;
    button.symbol = symbol;
    button.style = style;
    button.rect = QRect(QPoint(0, 0), style.sizeFor(symbol, label));
    return button;
}

RowButton RowButton::bareSymbol(int action, const QString& symbol, int size, ColorRole role) {
    RowButton button;
    button.action = action;
    button.symbol = symbol;
    button.bare = true;
    button.symbolSize = size;
    button.role = role;
    // A little room around the symbol makes it easier to hit.
    button.rect = QRect(0, 0, size + 8, size + 8);
    return button;
}

void RowButton::paint(QPainter& painter, bool hovered, bool pressed) const {
    painter.save();
    if (bare) {
        painter.setOpacity(!enabled ? 0.38 : pressed ? 0.7 : 1.0);
        const ColorRole shown = enabled && hovered ? ColorRole::ink : role;
        const QRectF box(rect.center().x() + 1 - symbolSize / 2.0, rect.center().y() + 1 - symbolSize / 2.0,
                         symbolSize, symbolSize);
        Icons::paint(painter, symbol, box, Appearance::role(shown));
    } else {
        const TroveButtonStyle::Look look = style.look(enabled, hovered ? 1.0 : 0.0, pressed);
        painter.setOpacity(look.opacity);
        TroveButtonStyle::paintBackground(painter, QRectF(rect), look);
        style.paintLabel(painter, rect, symbol, label, look.text);
    }
    painter.restore();
}

} // namespace ambertrove
