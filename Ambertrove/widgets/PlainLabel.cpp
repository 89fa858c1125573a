#include "widgets/PlainLabel.hpp"

#include "widgets/Appearance.hpp"

#include <QPalette>

namespace ambertrove {

QLabel* plainLabel(const QFont& font, ColorRole role, QWidget* parent, const QString& text) {
    return plainLabel(font, Appearance::role(role), parent, text);
}

QLabel* plainLabel(const QFont& font, const QColor& color, QWidget* parent, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setFont(font);
    QPalette colours = label->palette();
    colours.setColor(QPalette::WindowText, color);
    label->setPalette(colours);
    return label;
}

} // namespace ambertrove
