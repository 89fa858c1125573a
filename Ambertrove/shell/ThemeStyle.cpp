#include "shell/ThemeStyle.hpp"

#include "widgets/Appearance.hpp"

#include <QPainter>
#include <QStyleFactory>
#include <QStyleOption>

namespace ambertrove {

ThemeStyle::ThemeStyle()
    : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

void ThemeStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                               const QWidget* widget) const {
    QProxyStyle::drawPrimitive(element, option, painter, widget);
    if (element != PE_IndicatorCheckBox)
        return;
    // The keyboard's focus outline stays as Fusion draws it.
    if (option->state.testFlag(State_HasFocus) && option->state.testFlag(State_KeyboardFocusChange))
        return;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, true);
    // Where Fusion draws its frame: half a pixel in, one pixel short on the right and at the bottom.
    painter->translate(0.5, 0.5);
    const bool enabled = option->state.testFlag(State_Enabled);
    painter->setPen(QPen(Appearance::role(enabled ? ColorRole::muted : ColorRole::border), 1));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(option->rect.adjusted(0, 0, -1, -1));
    painter->restore();
}

} // namespace ambertrove
