#include "widgets/Card.hpp"

#include "widgets/Appearance.hpp"

#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace ambertrove {

Card::Card(QWidget* content, QWidget* parent)
    : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
    layout->setSpacing(0);
    setContent(content);
}

void Card::setContent(QWidget* content) {
    if (m_content == content)
        return;
    delete m_content;
    m_content = content;
    if (m_content)
        layout()->addWidget(m_content);
}

void Card::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), kCornerRadius, kCornerRadius);
    painter.fillPath(shape, Appearance::role(ColorRole::surface));
    painter.strokePath(shape, QPen(Appearance::role(ColorRole::border), 1));
}

} // namespace ambertrove
