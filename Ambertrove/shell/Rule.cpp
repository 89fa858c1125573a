#include "shell/Rule.hpp"

#include "widgets/Appearance.hpp"

#include <QPainter>

namespace ambertrove {

Rule::Rule(Qt::Orientation orientation, QWidget* parent)
    : QWidget(parent) {
    if (orientation == Qt::Horizontal) {
        setFixedHeight(1);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    } else {
        setFixedWidth(1);
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    }
}

void Rule::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Appearance::role(ColorRole::border));
}

} // namespace ambertrove
